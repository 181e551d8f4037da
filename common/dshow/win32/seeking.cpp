#include "common/dshow/win32/seeking.h"

#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/pins.h"

namespace tl::dshow {
namespace {

constexpr double kUnitsPerSecond = 1e7;

LONGLONG ToUnits(REFTIME seconds) { return static_cast<LONGLONG>(seconds * kUnitsPerSecond); }
REFTIME ToSeconds(LONGLONG units) { return static_cast<REFTIME>(units) / kUnitsPerSecond; }

}  // namespace

STDMETHODIMP SeekingPassThrough::QueryInterface(REFIID iid, void** out) { return owner_.QueryInterface(iid, out); }
STDMETHODIMP_(ULONG) SeekingPassThrough::AddRef() { return owner_.AddRef(); }
STDMETHODIMP_(ULONG) SeekingPassThrough::Release() { return owner_.Release(); }

template <typename Call>
HRESULT SeekingPassThrough::Forward(Call call) {
  if (!pin_) return E_NOTIMPL;
  ComPtr<IPin> upstream = pin_->peer();
  if (!upstream) return VFW_E_NOT_CONNECTED;
  ComPtr<IMediaSeeking> seeking;
  if (FAILED(upstream.As(&seeking))) return E_NOTIMPL;
  return call(seeking.Get());
}

STDMETHODIMP SeekingPassThrough::GetCapabilities(DWORD* capabilities) {
  return Forward([&](IMediaSeeking* s) { return s->GetCapabilities(capabilities); });
}
STDMETHODIMP SeekingPassThrough::CheckCapabilities(DWORD* capabilities) {
  return Forward([&](IMediaSeeking* s) { return s->CheckCapabilities(capabilities); });
}
STDMETHODIMP SeekingPassThrough::IsFormatSupported(const GUID* format) {
  return Forward([&](IMediaSeeking* s) { return s->IsFormatSupported(format); });
}
STDMETHODIMP SeekingPassThrough::QueryPreferredFormat(GUID* format) {
  return Forward([&](IMediaSeeking* s) { return s->QueryPreferredFormat(format); });
}
STDMETHODIMP SeekingPassThrough::GetTimeFormat(GUID* format) {
  return Forward([&](IMediaSeeking* s) { return s->GetTimeFormat(format); });
}
STDMETHODIMP SeekingPassThrough::IsUsingTimeFormat(const GUID* format) {
  return Forward([&](IMediaSeeking* s) { return s->IsUsingTimeFormat(format); });
}
STDMETHODIMP SeekingPassThrough::SetTimeFormat(const GUID* format) {
  return Forward([&](IMediaSeeking* s) { return s->SetTimeFormat(format); });
}
STDMETHODIMP SeekingPassThrough::GetDuration(LONGLONG* duration) {
  return Forward([&](IMediaSeeking* s) { return s->GetDuration(duration); });
}
STDMETHODIMP SeekingPassThrough::GetStopPosition(LONGLONG* stop) {
  return Forward([&](IMediaSeeking* s) { return s->GetStopPosition(stop); });
}
STDMETHODIMP SeekingPassThrough::GetCurrentPosition(LONGLONG* current) {
  return Forward([&](IMediaSeeking* s) { return s->GetCurrentPosition(current); });
}
STDMETHODIMP SeekingPassThrough::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                   const GUID* sourceFormat) {
  return Forward([&](IMediaSeeking* s) { return s->ConvertTimeFormat(target, targetFormat, source, sourceFormat); });
}
STDMETHODIMP SeekingPassThrough::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                              DWORD stopFlags) {
  return Forward([&](IMediaSeeking* s) { return s->SetPositions(current, currentFlags, stop, stopFlags); });
}
STDMETHODIMP SeekingPassThrough::GetPositions(LONGLONG* current, LONGLONG* stop) {
  return Forward([&](IMediaSeeking* s) { return s->GetPositions(current, stop); });
}
STDMETHODIMP SeekingPassThrough::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  return Forward([&](IMediaSeeking* s) { return s->GetAvailable(earliest, latest); });
}
STDMETHODIMP SeekingPassThrough::SetRate(double rate) {
  return Forward([&](IMediaSeeking* s) { return s->SetRate(rate); });
}
STDMETHODIMP SeekingPassThrough::GetRate(double* rate) {
  return Forward([&](IMediaSeeking* s) { return s->GetRate(rate); });
}
STDMETHODIMP SeekingPassThrough::GetPreroll(LONGLONG* preroll) {
  return Forward([&](IMediaSeeking* s) { return s->GetPreroll(preroll); });
}

STDMETHODIMP SeekingPassThrough::get_Duration(REFTIME* length) {
  if (!length) return E_POINTER;
  LONGLONG units = 0;
  const HRESULT hr = GetDuration(&units);
  if (SUCCEEDED(hr)) *length = ToSeconds(units);
  return hr;
}
STDMETHODIMP SeekingPassThrough::put_CurrentPosition(REFTIME time) {
  LONGLONG units = ToUnits(time);
  return SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}
STDMETHODIMP SeekingPassThrough::get_CurrentPosition(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG units = 0;
  const HRESULT hr = GetCurrentPosition(&units);
  if (SUCCEEDED(hr)) *time = ToSeconds(units);
  return hr;
}
STDMETHODIMP SeekingPassThrough::get_StopTime(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG units = 0;
  const HRESULT hr = GetStopPosition(&units);
  if (SUCCEEDED(hr)) *time = ToSeconds(units);
  return hr;
}
STDMETHODIMP SeekingPassThrough::put_StopTime(REFTIME time) {
  LONGLONG units = ToUnits(time);
  return SetPositions(nullptr, AM_SEEKING_NoPositioning, &units, AM_SEEKING_AbsolutePositioning);
}
STDMETHODIMP SeekingPassThrough::get_PrerollTime(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG units = 0;
  const HRESULT hr = GetPreroll(&units);
  if (SUCCEEDED(hr)) *time = ToSeconds(units);
  return hr;
}
STDMETHODIMP SeekingPassThrough::put_PrerollTime(REFTIME) { return E_NOTIMPL; }
STDMETHODIMP SeekingPassThrough::put_Rate(double rate) { return SetRate(rate); }
STDMETHODIMP SeekingPassThrough::get_Rate(double* rate) { return GetRate(rate); }
STDMETHODIMP SeekingPassThrough::CanSeekForward(LONG* can) {
  if (!can) return E_POINTER;
  DWORD capabilities = AM_SEEKING_CanSeekForwards;
  *can = CheckCapabilities(&capabilities) == S_OK ? OATRUE : OAFALSE;
  return S_OK;
}
STDMETHODIMP SeekingPassThrough::CanSeekBackward(LONG* can) {
  if (!can) return E_POINTER;
  DWORD capabilities = AM_SEEKING_CanSeekBackwards;
  *can = CheckCapabilities(&capabilities) == S_OK ? OATRUE : OAFALSE;
  return S_OK;
}

}  // namespace tl::dshow
