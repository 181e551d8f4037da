#include "common/dshow/win32/pins.h"

#include <cstring>

#include "common/dshow/win32/enumerators.h"

namespace tl::dshow {

// ---- BasePin ----

BasePin::BasePin(BaseFilter& filter, std::wstring name, PIN_DIRECTION direction)
    : filter_(filter), name_(std::move(name)), direction_(direction) {}

STDMETHODIMP BasePin::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPin) return ReturnInterface(static_cast<IPin*>(this), out);
  *out = FindInterface(iid);
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) BasePin::AddRef() { return filter_.AddRef(); }
STDMETHODIMP_(ULONG) BasePin::Release() { return filter_.Release(); }

bool BasePin::IsConnected() {
  std::lock_guard guard(filter_.lock());
  return connected_ != nullptr;
}

ComPtr<IPin> BasePin::peer() {
  std::lock_guard guard(filter_.lock());
  return connected_;
}

MediaType BasePin::mediaType() {
  std::lock_guard guard(filter_.lock());
  return type_;
}

HRESULT BasePin::SetMediaType(const AM_MEDIA_TYPE& type) {
  type_ = MediaType(type);
  if (type.cbFormat && type_.format().empty()) return E_OUTOFMEMORY;
  return S_OK;
}

HRESULT BasePin::GetMediaType(int, MediaType&) { return VFW_S_NO_MORE_ITEMS; }

HRESULT BasePin::CheckConnect(IPin* peer) {
  PIN_DIRECTION peerDirection;
  if (FAILED(peer->QueryDirection(&peerDirection))) return E_FAIL;
  return peerDirection == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

void BasePin::ResetConnection() {
  BreakConnect();
  connected_.Reset();
  type_.Clear();
}

HRESULT BasePin::TryConnection(IPin* peer, const AM_MEDIA_TYPE& type) {
  if (CheckMediaType(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  connected_ = peer;
  HRESULT hr = SetMediaType(type);
  if (SUCCEEDED(hr)) hr = peer->ReceiveConnection(this, &type);
  if (SUCCEEDED(hr)) {
    hr = CompleteConnect(peer);
    if (SUCCEEDED(hr)) return S_OK;
    peer->Disconnect();
  }
  ResetConnection();
  return hr;
}

STDMETHODIMP BasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (!receivePin) return E_POINTER;
  std::lock_guard guard(filter_.lock());
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (filter_.state() != State_Stopped) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) return hr;

  const bool complete = type && type->majortype != GUID_NULL && type->subtype != GUID_NULL &&
                        type->formattype != GUID_NULL;
  if (complete) return SUCCEEDED(TryConnection(receivePin, *type)) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;

  const AM_MEDIA_TYPE open{};
  const AM_MEDIA_TYPE& partial = type ? *type : open;
  // Our own preferences first, then what the other side offers.
  MediaType candidate;
  for (int i = 0; GetMediaType(i, candidate) == S_OK; ++i) {
    if (MatchesPartialType(candidate.get(), partial) && SUCCEEDED(TryConnection(receivePin, candidate.get())))
      return S_OK;
  }
  ComPtr<IEnumMediaTypes> offered;
  if (SUCCEEDED(receivePin->EnumMediaTypes(&offered)) && offered) {
    AM_MEDIA_TYPE* next = nullptr;
    while (offered->Next(1, &next, nullptr) == S_OK) {
      MediaType offer(*next);
      DeleteTaskMemMediaType(next);
      if (MatchesPartialType(offer.get(), partial) && SUCCEEDED(TryConnection(receivePin, offer.get())))
        return S_OK;
    }
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

STDMETHODIMP BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (!connector || !type) return E_POINTER;
  std::lock_guard guard(filter_.lock());
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (filter_.state() != State_Stopped) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) return hr;
  if (CheckMediaType(*type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  connected_ = connector;
  hr = SetMediaType(*type);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (FAILED(hr)) {
    ResetConnection();
    return hr;
  }
  return S_OK;
}

STDMETHODIMP BasePin::Disconnect() {
  std::lock_guard guard(filter_.lock());
  if (filter_.state() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!connected_) return S_FALSE;
  ResetConnection();
  return S_OK;
}

STDMETHODIMP BasePin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  std::lock_guard guard(filter_.lock());
  *pin = connected_.Get();
  if (!*pin) return VFW_E_NOT_CONNECTED;
  (*pin)->AddRef();
  return S_OK;
}

STDMETHODIMP BasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  std::lock_guard guard(filter_.lock());
  if (!connected_) {
    *type = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(*type, type_.get());
}

STDMETHODIMP BasePin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  std::memset(info, 0, sizeof(*info));
  info->pFilter = &filter_;
  filter_.AddRef();
  name_.copy(info->achName, std::size(info->achName) - 1);
  info->dir = direction_;
  return S_OK;
}

STDMETHODIMP BasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

STDMETHODIMP BasePin::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  const size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  std::memcpy(*id, name_.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP BasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  return CheckMediaType(*type) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP BasePin::EnumMediaTypes(IEnumMediaTypes** out) { return CreateMediaTypeEnumerator(*this, out); }

STDMETHODIMP BasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP BasePin::EndOfStream() { return S_OK; }
STDMETHODIMP BasePin::BeginFlush() { return S_OK; }
STDMETHODIMP BasePin::EndFlush() { return S_OK; }

STDMETHODIMP BasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

// ---- InputPin ----

InputPin::InputPin(BaseFilter& filter, std::wstring name) : BasePin(filter, std::move(name), PINDIR_INPUT) {}

void* InputPin::FindInterface(REFIID iid) {
  if (iid == IID_IMemInputPin) return static_cast<IMemInputPin*>(this);
  return BasePin::FindInterface(iid);
}

ComPtr<IMemAllocator> InputPin::allocator() {
  std::lock_guard guard(filter_.lock());
  return allocator_;
}

STDMETHODIMP InputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  std::lock_guard guard(filter_.lock());
  if (!allocator_) {
    const HRESULT hr = ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_PPV_ARGS(&allocator_));
    if (FAILED(hr)) {
      *allocator = nullptr;
      return hr;
    }
  }
  *allocator = allocator_.Get();
  (*allocator)->AddRef();
  return S_OK;
}

STDMETHODIMP InputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (!allocator) return E_POINTER;
  std::lock_guard guard(filter_.lock());
  allocator_ = allocator;
  readOnly_ = readOnly != FALSE;
  return S_OK;
}

STDMETHODIMP InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT InputPin::CheckStreaming() {
  if (filter_.state() == State_Stopped) return VFW_E_WRONG_STATE;
  if (flushing_) return S_FALSE;
  if (runtimeError_) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

STDMETHODIMP InputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  // A sample may carry a new format (dynamic format change): it must be one we accept.
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed) {
    std::lock_guard guard(filter_.lock());
    HRESULT result = CheckMediaType(*changed) == S_OK ? SetMediaType(*changed) : VFW_E_INVALIDMEDIATYPE;
    DeleteTaskMemMediaType(changed);
    if (FAILED(result)) {
      // The stream cannot go on in a format we refused: say so once and take nothing more.
      runtimeError_ = true;
      filter_.NotifyEvent(EC_ERRORABORT, result, 0);
      return result;
    }
  }
  return S_OK;
}

STDMETHODIMP InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (!samples || !processed) return E_POINTER;
  HRESULT hr = S_OK;
  *processed = 0;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

STDMETHODIMP InputPin::ReceiveCanBlock() { return S_OK; }

STDMETHODIMP InputPin::BeginFlush() {
  flushing_ = true;
  return S_OK;
}

STDMETHODIMP InputPin::EndFlush() {
  flushing_ = false;
  runtimeError_ = false;
  return S_OK;
}

HRESULT InputPin::Inactive() {
  runtimeError_ = false;
  flushing_ = false;
  // Decommitting wakes an upstream thread waiting in GetBuffer.
  if (allocator_) return allocator_->Decommit();
  return S_OK;
}

void InputPin::BreakConnect() {
  allocator_.Reset();
  readOnly_ = false;
}

// ---- OutputPin ----

OutputPin::OutputPin(BaseFilter& filter, std::wstring name) : BasePin(filter, std::move(name), PINDIR_OUTPUT) {}

HRESULT OutputPin::CompleteConnect(IPin* peer) {
  ComPtr<IMemInputPin> input;
  if (FAILED(peer->QueryInterface(IID_PPV_ARGS(&input)))) return E_NOINTERFACE;
  const HRESULT hr = DecideAllocator(input.Get());
  if (FAILED(hr)) return hr;
  input_ = input;
  return S_OK;
}

HRESULT OutputPin::DecideAllocator(IMemInputPin* input) {
  ALLOCATOR_PROPERTIES wanted{};
  input->GetAllocatorRequirements(&wanted);  // optional: zero means no wishes
  if (wanted.cbAlign == 0) wanted.cbAlign = 1;

  ComPtr<IMemAllocator> allocator;
  HRESULT hr = input->GetAllocator(&allocator);
  if (SUCCEEDED(hr)) {
    ALLOCATOR_PROPERTIES request = wanted;
    hr = DecideBufferSize(allocator.Get(), request);
    if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator.Get(), FALSE);
    if (SUCCEEDED(hr)) {
      allocator_ = allocator;
      return S_OK;
    }
  }
  allocator.Reset();
  hr = ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&allocator));
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES request = wanted;
  hr = DecideBufferSize(allocator.Get(), request);
  if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator.Get(), FALSE);
  if (FAILED(hr)) return hr;
  allocator_ = allocator;
  return S_OK;
}

void OutputPin::BreakConnect() {
  if (allocator_) allocator_->Decommit();
  allocator_.Reset();
  input_.Reset();
}

HRESULT OutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }

HRESULT OutputPin::Inactive() { return allocator_ ? allocator_->Decommit() : S_OK; }

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                     DWORD flags) {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) {
  if (!input_) return VFW_E_NOT_CONNECTED;
  return input_->Receive(sample);
}

HRESULT OutputPin::DeliverEndOfStream() {
  ComPtr<IPin> to = peer();
  return to ? to->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverBeginFlush() {
  ComPtr<IPin> to = peer();
  return to ? to->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverEndFlush() {
  ComPtr<IPin> to = peer();
  return to ? to->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  ComPtr<IPin> to = peer();
  return to ? to->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

}  // namespace tl::dshow
