// The base of our DirectShow filters: IBaseFilter with its state, clock, graph and pins.
// A filter is one COM object; its pins and helper objects share its reference count.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

#include "common/dshow/win32/dshow.h"
#include "common/dshow/win32/module_count.h"
#include "common/win32/com.h"

namespace tl::dshow {

using win32::ComPtr;
class BasePin;

// For a class that adds interfaces (each with its own IUnknown) to a base that already
// implements IUnknown: every IUnknown slot goes to the base's implementation.
#define TL_DSHOW_UNKNOWN_FROM(Base)                                                         \
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {                           \
    return Base::QueryInterface(iid, out);                                                 \
  }                                                                                         \
  STDMETHODIMP_(ULONG) AddRef() override { return Base::AddRef(); }                        \
  STDMETHODIMP_(ULONG) Release() override { return Base::Release(); }

// IDispatch of an interface that scripts reach through the graph's own objects: no type
// information, so every call says so.
#define TL_DSHOW_NO_TYPE_INFO                                                                  \
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {                                     \
    if (!count) return E_POINTER;                                                           \
    *count = 0;                                                                             \
    return S_OK;                                                                            \
  }                                                                                         \
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }          \
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {             \
    return E_NOTIMPL;                                                                       \
  }                                                                                         \
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) \
      override {                                                                            \
    return E_NOTIMPL;                                                                       \
  }

// Writes `pointer` to *out with a reference, or E_NOINTERFACE for a null pointer.
template <typename T>
HRESULT ReturnInterface(T* pointer, void** out) {
  if (!out) return E_POINTER;
  *out = pointer;
  if (!pointer) return E_NOINTERFACE;
  pointer->AddRef();
  return S_OK;
}

class BaseFilter : public IBaseFilter {
 public:
  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IPersist
  STDMETHODIMP GetClassID(CLSID* classId) override;
  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** out) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** out) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  virtual int PinCount() = 0;
  // Null outside 0..PinCount()-1.
  virtual BasePin* PinAt(int index) = 0;

  // The interface lock: taken by every IBaseFilter/IPin call that changes state or connections.
  std::recursive_mutex& lock() { return lock_; }
  FILTER_STATE state() const { return state_.load(); }
  ComPtr<IReferenceClock> clock();
  // Stream time now: clock time minus the run's start; empty unless running with a clock.
  std::optional<REFERENCE_TIME> StreamTime();
  REFERENCE_TIME runStart();
  // Sends an event to the graph (IMediaEventSink); E_NOTIMPL outside a graph.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  IFilterGraph* graph() const { return graph_; }

 protected:
  explicit BaseFilter(const CLSID& classId);
  ~BaseFilter();
  // Deletes the most derived object when the last reference goes.
  virtual void Destroy() = 0;
  // Interfaces beyond IUnknown, IPersist, IMediaFilter and IBaseFilter: the pointer without a
  // reference, or null.
  virtual void* FindInterface(REFIID iid);
  // Called under the interface lock after the state changed; the pins were told already.
  virtual void OnStateChanged(FILTER_STATE from) {}

 private:
  std::atomic<ULONG> references_{1};
  ModuleObject counted_;
  CLSID classId_;
  std::recursive_mutex lock_;
  std::atomic<FILTER_STATE> state_{State_Stopped};
  std::mutex timeLock_;  // clock_ and start_, read by streaming threads without the interface lock
  ComPtr<IReferenceClock> clock_;
  REFERENCE_TIME start_ = 0;
  IFilterGraph* graph_ = nullptr;  // not referenced: the graph owns the filter
  std::wstring name_;
};

}  // namespace tl::dshow
