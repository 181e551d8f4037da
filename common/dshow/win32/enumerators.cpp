#include "common/dshow/win32/enumerators.h"

#include <atomic>
#include <new>

#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/pins.h"

namespace tl::dshow {
namespace {

// The shared shape of both enumerators: a position over items fetched by index.
template <typename Derived, typename Interface, typename Item, const IID& kIid>
class IndexEnumerator : public Interface {
 public:
  explicit IndexEnumerator(IUnknown* owner, ULONG position = 0) : owner_(owner), position_(position) {
    owner_->AddRef();
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == kIid) return ReturnInterface(static_cast<Interface*>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

  STDMETHODIMP Next(ULONG count, Item** items, ULONG* fetched) override {
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG got = 0;
    while (got < count) {
      Item* item = nullptr;
      if (!Fetch(position_, &item)) break;
      items[got++] = item;
      ++position_;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const ULONG total = Count();
    if (position_ + count > total) {
      position_ = total;
      return S_FALSE;
    }
    position_ += count;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }

 protected:
  ~IndexEnumerator() { owner_->Release(); }
  // Gives the item at `index` with a reference (pins) or as a task-memory copy (types).
  virtual bool Fetch(ULONG index, Item** item) = 0;
  virtual ULONG Count() = 0;

  IUnknown* owner_;
  ULONG position_;

 private:
  std::atomic<ULONG> references_{1};
  ModuleObject counted_;
};

class PinEnumerator final : public IndexEnumerator<PinEnumerator, IEnumPins, IPin, IID_IEnumPins> {
 public:
  explicit PinEnumerator(BaseFilter& filter, ULONG position = 0)
      : IndexEnumerator(&filter, position), filter_(filter) {}

  STDMETHODIMP Clone(IEnumPins** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) PinEnumerator(filter_, position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  bool Fetch(ULONG index, IPin** item) override {
    BasePin* pin = filter_.PinAt(static_cast<int>(index));
    if (!pin) return false;
    pin->AddRef();
    *item = pin;
    return true;
  }
  ULONG Count() override { return static_cast<ULONG>(filter_.PinCount()); }

  BaseFilter& filter_;
};

class TypeEnumerator final : public IndexEnumerator<TypeEnumerator, IEnumMediaTypes, AM_MEDIA_TYPE, IID_IEnumMediaTypes> {
 public:
  explicit TypeEnumerator(BasePin& pin, ULONG position = 0) : IndexEnumerator(&pin, position), pin_(pin) {}

  STDMETHODIMP Clone(IEnumMediaTypes** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) TypeEnumerator(pin_, position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  bool Fetch(ULONG index, AM_MEDIA_TYPE** item) override {
    MediaType type;
    if (pin_.GetMediaType(static_cast<int>(index), type) != S_OK) return false;
    *item = CreateTaskMemMediaType(type.get());
    return *item != nullptr;
  }
  ULONG Count() override {
    ULONG count = 0;
    MediaType type;
    while (pin_.GetMediaType(static_cast<int>(count), type) == S_OK) ++count;
    return count;
  }

  BasePin& pin_;
};

}  // namespace

HRESULT CreatePinEnumerator(BaseFilter& filter, IEnumPins** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) PinEnumerator(filter);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateMediaTypeEnumerator(BasePin& pin, IEnumMediaTypes** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) TypeEnumerator(pin);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace tl::dshow
