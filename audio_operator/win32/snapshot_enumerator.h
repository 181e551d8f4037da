// IEnumConnectionPoints and IEnumConnections over a copy of the items taken when the enumerator
// was made, as COM asks of connection enumerators.
#pragma once

#include <ocidl.h>

#include <utility>
#include <vector>

#include "common/win32/com_server.h"
#include "common/win32/com.h"

namespace tl::audio_operator {

struct ConnectionPointItems {
  using Enum = IEnumConnectionPoints;
  using Out = IConnectionPoint*;
  using Stored = win32::ComPtr<IConnectionPoint>;
  static Out Give(const Stored& item) {
    Out out = nullptr;
    item.CopyTo(&out);
    return out;
  }
};

struct ConnectionItems {
  using Enum = IEnumConnections;
  using Out = CONNECTDATA;
  using Stored = std::pair<win32::ComPtr<IUnknown>, DWORD>;
  static Out Give(const Stored& item) {
    CONNECTDATA out{nullptr, item.second};
    item.first.CopyTo(&out.pUnk);
    return out;
  }
};

template <typename Items>
class SnapshotEnumerator final : public win32::RefCounted<SnapshotEnumerator<Items>, typename Items::Enum> {
 public:
  using Enum = typename Items::Enum;
  using Stored = typename Items::Stored;

  SnapshotEnumerator(std::vector<Stored> items, size_t position) : items_(std::move(items)), position_(position) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (win32::Offer<Enum>(this, iid, IID_IUnknown, out) || win32::Offer<Enum>(this, iid, __uuidof(Enum), out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP Next(ULONG count, typename Items::Out* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    for (; given < count && position_ < items_.size(); ++given) out[given] = Items::Give(items_[position_++]);
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Enum** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    const auto copy = win32::MakeCom<SnapshotEnumerator>(items_, position_);
    return copy ? copy.CopyTo(out) : E_OUTOFMEMORY;
  }

 private:
  std::vector<Stored> items_;
  size_t position_;
};

template <typename Items>
HRESULT MakeSnapshotEnumerator(std::vector<typename Items::Stored> items, typename Items::Enum** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const auto enumerator = win32::MakeCom<SnapshotEnumerator<Items>>(std::move(items), 0);
  return enumerator ? enumerator.CopyTo(out) : E_OUTOFMEMORY;
}

}  // namespace tl::audio_operator
