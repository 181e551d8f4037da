// IMediaSeeking and IMediaPosition of a renderer, passed through to the filter upstream of one
// of its input pins (the graph asks renderers for them; the source does the seeking).
#pragma once

#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/dshow.h"

namespace tl::dshow {

class BaseFilter;
class BasePin;

class SeekingPassThrough : public IMediaSeeking, public IMediaPosition {
 public:
  // Lives inside `owner` and shares its reference count and identity.
  explicit SeekingPassThrough(BaseFilter& owner) : owner_(owner) {}
  void SetPin(BasePin* pin) { pin_ = pin; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IMediaSeeking
  STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
  STDMETHODIMP CheckCapabilities(DWORD* capabilities) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

  TL_DSHOW_NO_TYPE_INFO
  // IMediaPosition, in seconds, over the upstream IMediaSeeking in media time
  STDMETHODIMP get_Duration(REFTIME* length) override;
  STDMETHODIMP put_CurrentPosition(REFTIME time) override;
  STDMETHODIMP get_CurrentPosition(REFTIME* time) override;
  STDMETHODIMP get_StopTime(REFTIME* time) override;
  STDMETHODIMP put_StopTime(REFTIME time) override;
  STDMETHODIMP get_PrerollTime(REFTIME* time) override;
  STDMETHODIMP put_PrerollTime(REFTIME time) override;
  STDMETHODIMP put_Rate(double rate) override;
  STDMETHODIMP get_Rate(double* rate) override;
  STDMETHODIMP CanSeekForward(LONG* can) override;
  STDMETHODIMP CanSeekBackward(LONG* can) override;

 private:
  // Calls `call` with the upstream filter's seeking (asked of the connected output pin);
  // VFW_E_NOT_CONNECTED without a connection, E_NOTIMPL when upstream cannot seek.
  template <typename Call>
  HRESULT Forward(Call call);

  BaseFilter& owner_;
  BasePin* pin_ = nullptr;
};

}  // namespace tl::dshow
