// Pins of our filters: the connection protocol (BasePin), the memory input pin with its
// allocator (InputPin) and the output pin that decides the allocator and delivers (OutputPin).
// Pins live inside their filter and share its reference count.
#pragma once

#include <atomic>
#include <string>

#include "common/dshow/win32/dshow.h"
#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/media_type.h"

namespace tl::dshow {

class BasePin : public IPin {
 public:
  BasePin(BaseFilter& filter, std::wstring name, PIN_DIRECTION direction);

  // IUnknown: the filter's reference count; own identity.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IPin
  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // What a pin decides. S_OK accepts a type; anything else refuses it.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) = 0;
  // Stores the agreed type (derived pins also configure themselves); called under the lock.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& type);
  // The position-th preferred type; VFW_S_NO_MORE_ITEMS past the end.
  virtual HRESULT GetMediaType(int position, MediaType& type);
  virtual HRESULT CheckConnect(IPin* peer);
  virtual HRESULT CompleteConnect(IPin* peer) { return S_OK; }
  // Undoes what SetMediaType/CompleteConnect set up; the base releases nothing.
  virtual void BreakConnect() {}
  // Filter leaves / returns to the stopped state (called for connected pins, under the lock).
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }

  bool IsConnected();
  ComPtr<IPin> peer();
  MediaType mediaType();
  const std::wstring& name() const { return name_; }
  PIN_DIRECTION direction() const { return direction_; }
  BaseFilter& filter() { return filter_; }

 protected:
  // Interfaces beyond IUnknown and IPin (pointer without reference, or null).
  virtual void* FindInterface(REFIID iid) { return nullptr; }
  // Completes a connection to `peer` with `type` as the connecting side (Connect).
  HRESULT TryConnection(IPin* peer, const AM_MEDIA_TYPE& type);
  // Drops the connection state: BreakConnect, peer and type.
  void ResetConnection();

  BaseFilter& filter_;
  const std::wstring name_;
  const PIN_DIRECTION direction_;
  // Under the filter's interface lock.
  ComPtr<IPin> connected_;
  MediaType type_;
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_ = 0;
  double segmentRate_ = 1.0;
};

class InputPin : public BasePin, public IMemInputPin {
 public:
  InputPin(BaseFilter& filter, std::wstring name);
  TL_DSHOW_UNKNOWN_FROM(BasePin)

  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  // The base checks the state and takes a changed media type; derived pins render after it.
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;
  // IPin flushing
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  HRESULT Inactive() override;
  void BreakConnect() override;

  bool flushing() const { return flushing_.load(); }
  ComPtr<IMemAllocator> allocator();

 protected:
  void* FindInterface(REFIID iid) override;
  // S_OK when a sample may be taken now: VFW_E_WRONG_STATE when stopped, S_FALSE while
  // flushing, VFW_E_RUNTIME_ERROR after a failure that ended the stream.
  HRESULT CheckStreaming();
  void SetRuntimeError(bool failed) { runtimeError_ = failed; }

  std::atomic<bool> flushing_{false};
  std::atomic<bool> runtimeError_{false};
  ComPtr<IMemAllocator> allocator_;  // under the interface lock
  bool readOnly_ = false;
};

class OutputPin : public BasePin {
 public:
  OutputPin(BaseFilter& filter, std::wstring name);

  HRESULT CompleteConnect(IPin* peer) override;
  void BreakConnect() override;
  HRESULT Active() override;    // commits the allocator
  HRESULT Inactive() override;  // decommits it, releasing a blocked GetDeliveryBuffer
  // Output pins receive no stream calls.
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }

  // Asks for buffers of the connected format: `requested` holds the input pin's wishes (zero
  // when it has none); the pin calls SetProperties and checks what it got.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& requested) = 0;

  // Streaming side (no interface lock needed once active).
  HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                            DWORD flags);
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

 protected:
  // Chooses the input pin's allocator when it offers one, else a memory allocator of our own.
  HRESULT DecideAllocator(IMemInputPin* input);

  ComPtr<IMemInputPin> input_;
  ComPtr<IMemAllocator> allocator_;
};

}  // namespace tl::dshow
