#include "common/dshow/win32/base_filter.h"

#include <cstring>

#include "common/dshow/win32/enumerators.h"
#include "common/dshow/win32/pins.h"

namespace tl::dshow {

BaseFilter::BaseFilter(const CLSID& classId) : classId_(classId) {}

BaseFilter::~BaseFilter() = default;

STDMETHODIMP BaseFilter::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter)
    return ReturnInterface(static_cast<IBaseFilter*>(this), out);
  *out = FindInterface(iid);
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) BaseFilter::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) BaseFilter::Release() {
  const ULONG left = --references_;
  if (left == 0) Destroy();
  return left;
}

void* BaseFilter::FindInterface(REFIID) { return nullptr; }

STDMETHODIMP BaseFilter::GetClassID(CLSID* classId) {
  if (!classId) return E_POINTER;
  *classId = classId_;
  return S_OK;
}

STDMETHODIMP BaseFilter::Stop() {
  std::lock_guard guard(lock_);
  const FILTER_STATE from = state_;
  if (from == State_Stopped) return S_OK;
  HRESULT result = S_OK;
  for (int i = 0; i < PinCount(); ++i) {
    BasePin* pin = PinAt(i);
    if (pin && pin->IsConnected()) {
      const HRESULT hr = pin->Inactive();
      if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
  }
  state_ = State_Stopped;
  OnStateChanged(from);
  return result;
}

STDMETHODIMP BaseFilter::Pause() {
  std::lock_guard guard(lock_);
  const FILTER_STATE from = state_;
  if (from == State_Stopped) {
    for (int i = 0; i < PinCount(); ++i) {
      BasePin* pin = PinAt(i);
      if (pin && pin->IsConnected()) {
        const HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
      }
    }
  }
  state_ = State_Paused;
  if (from != State_Paused) OnStateChanged(from);
  return S_OK;
}

STDMETHODIMP BaseFilter::Run(REFERENCE_TIME start) {
  std::lock_guard guard(lock_);
  if (state_ == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  const FILTER_STATE from = state_;
  {
    std::lock_guard time(timeLock_);
    start_ = start;
  }
  state_ = State_Running;
  if (from != State_Running) OnStateChanged(from);
  return S_OK;
}

STDMETHODIMP BaseFilter::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

STDMETHODIMP BaseFilter::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard guard(lock_);
  std::lock_guard time(timeLock_);
  clock_ = clock;
  return S_OK;
}

STDMETHODIMP BaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  std::lock_guard time(timeLock_);
  *clock = clock_.Get();
  if (*clock) (*clock)->AddRef();
  return S_OK;
}

ComPtr<IReferenceClock> BaseFilter::clock() {
  std::lock_guard time(timeLock_);
  return clock_;
}

REFERENCE_TIME BaseFilter::runStart() {
  std::lock_guard time(timeLock_);
  return start_;
}

std::optional<REFERENCE_TIME> BaseFilter::StreamTime() {
  ComPtr<IReferenceClock> clock;
  REFERENCE_TIME start = 0;
  {
    std::lock_guard time(timeLock_);
    clock = clock_;
    start = start_;
  }
  if (!clock || state_ != State_Running) return std::nullopt;
  REFERENCE_TIME now = 0;
  if (FAILED(clock->GetTime(&now))) return std::nullopt;
  return now - start;
}

HRESULT BaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IFilterGraph* graph = graph_;
  if (!graph) return E_NOTIMPL;
  ComPtr<IMediaEventSink> sink;
  if (FAILED(graph->QueryInterface(IID_PPV_ARGS(&sink)))) return E_NOTIMPL;
  return sink->Notify(code, param1, param2);
}

STDMETHODIMP BaseFilter::EnumPins(IEnumPins** out) { return CreatePinEnumerator(*this, out); }

STDMETHODIMP BaseFilter::FindPin(LPCWSTR id, IPin** out) {
  if (!id || !out) return E_POINTER;
  *out = nullptr;
  for (int i = 0; i < PinCount(); ++i) {
    BasePin* pin = PinAt(i);
    if (pin && pin->name() == id) {
      pin->AddRef();
      *out = pin;
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP BaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  std::lock_guard guard(lock_);
  std::memset(info, 0, sizeof(*info));
  name_.copy(info->achName, std::size(info->achName) - 1);
  info->pGraph = graph_;
  if (info->pGraph) info->pGraph->AddRef();
  return S_OK;
}

STDMETHODIMP BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  std::lock_guard guard(lock_);
  graph_ = graph;
  name_ = name ? name : L"";
  return S_OK;
}

STDMETHODIMP BaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

}  // namespace tl::dshow
