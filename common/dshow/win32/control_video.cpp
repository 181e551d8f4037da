#include "common/dshow/win32/control_video.h"

#include <cstring>

namespace tl::dshow {
namespace {

long Width(const RECT& r) { return r.right - r.left; }
long Height(const RECT& r) { return r.bottom - r.top; }

HRESULT Out(long* out, long value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

HRESULT OutRect(const RECT& r, long* left, long* top, long* width, long* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  *left = r.left;
  *top = r.top;
  *width = Width(r);
  *height = Height(r);
  return S_OK;
}

}  // namespace

STDMETHODIMP ControlVideo::QueryInterface(REFIID iid, void** out) { return owner_.QueryInterface(iid, out); }
STDMETHODIMP_(ULONG) ControlVideo::AddRef() { return owner_.AddRef(); }
STDMETHODIMP_(ULONG) ControlVideo::Release() { return owner_.Release(); }

RECT ControlVideo::sourceRect() {
  const SIZE video = NativeVideoSize();
  std::lock_guard guard(lock_);
  return defaultSource_ ? RECT{0, 0, video.cx, video.cy} : source_;
}

RECT ControlVideo::destinationRect() {
  const RECT client = ClientRect();
  std::lock_guard guard(lock_);
  return defaultDestination_ ? RECT{0, 0, Width(client), Height(client)} : destination_;
}

void ControlVideo::OnVideoSizeChanged() {
  const SIZE video = NativeVideoSize();
  std::lock_guard guard(lock_);
  // A source rectangle that no longer fits the video is dropped.
  if (!defaultSource_ && (source_.right > video.cx || source_.bottom > video.cy)) defaultSource_ = true;
}

HRESULT ControlVideo::SetSource(const RECT& rect) {
  const SIZE video = NativeVideoSize();
  if (rect.left < 0 || rect.top < 0 || Width(rect) <= 0 || Height(rect) <= 0 || rect.right > video.cx ||
      rect.bottom > video.cy)
    return E_INVALIDARG;
  {
    std::lock_guard guard(lock_);
    source_ = rect;
    defaultSource_ = rect.left == 0 && rect.top == 0 && rect.right == video.cx && rect.bottom == video.cy;
  }
  OnRectanglesChanged();
  return S_OK;
}

HRESULT ControlVideo::SetDestination(const RECT& rect) {
  if (Width(rect) <= 0 || Height(rect) <= 0) return E_INVALIDARG;
  {
    std::lock_guard guard(lock_);
    destination_ = rect;
    defaultDestination_ = false;
  }
  OnRectanglesChanged();
  return S_OK;
}

STDMETHODIMP ControlVideo::get_AvgTimePerFrame(REFTIME* time) {
  if (!time) return E_POINTER;
  *time = static_cast<REFTIME>(AverageTimePerFrame()) / 1e7;
  return S_OK;
}

// Uncompressed frames in memory: neither rate says anything.
STDMETHODIMP ControlVideo::get_BitRate(long* rate) { return Out(rate, 0); }
STDMETHODIMP ControlVideo::get_BitErrorRate(long* rate) { return Out(rate, 0); }
STDMETHODIMP ControlVideo::get_VideoWidth(long* width) { return Out(width, NativeVideoSize().cx); }
STDMETHODIMP ControlVideo::get_VideoHeight(long* height) { return Out(height, NativeVideoSize().cy); }

STDMETHODIMP ControlVideo::put_SourceLeft(long value) {
  RECT r = sourceRect();
  return SetSource({value, r.top, value + Width(r), r.bottom});
}
STDMETHODIMP ControlVideo::get_SourceLeft(long* value) { return Out(value, sourceRect().left); }
STDMETHODIMP ControlVideo::put_SourceWidth(long value) {
  RECT r = sourceRect();
  return SetSource({r.left, r.top, r.left + value, r.bottom});
}
STDMETHODIMP ControlVideo::get_SourceWidth(long* value) { return Out(value, Width(sourceRect())); }
STDMETHODIMP ControlVideo::put_SourceTop(long value) {
  RECT r = sourceRect();
  return SetSource({r.left, value, r.right, value + Height(r)});
}
STDMETHODIMP ControlVideo::get_SourceTop(long* value) { return Out(value, sourceRect().top); }
STDMETHODIMP ControlVideo::put_SourceHeight(long value) {
  RECT r = sourceRect();
  return SetSource({r.left, r.top, r.right, r.top + value});
}
STDMETHODIMP ControlVideo::get_SourceHeight(long* value) { return Out(value, Height(sourceRect())); }

STDMETHODIMP ControlVideo::put_DestinationLeft(long value) {
  RECT r = destinationRect();
  return SetDestination({value, r.top, value + Width(r), r.bottom});
}
STDMETHODIMP ControlVideo::get_DestinationLeft(long* value) { return Out(value, destinationRect().left); }
STDMETHODIMP ControlVideo::put_DestinationWidth(long value) {
  RECT r = destinationRect();
  return SetDestination({r.left, r.top, r.left + value, r.bottom});
}
STDMETHODIMP ControlVideo::get_DestinationWidth(long* value) { return Out(value, Width(destinationRect())); }
STDMETHODIMP ControlVideo::put_DestinationTop(long value) {
  RECT r = destinationRect();
  return SetDestination({r.left, value, r.right, value + Height(r)});
}
STDMETHODIMP ControlVideo::get_DestinationTop(long* value) { return Out(value, destinationRect().top); }
STDMETHODIMP ControlVideo::put_DestinationHeight(long value) {
  RECT r = destinationRect();
  return SetDestination({r.left, r.top, r.right, r.top + value});
}
STDMETHODIMP ControlVideo::get_DestinationHeight(long* value) { return Out(value, Height(destinationRect())); }

STDMETHODIMP ControlVideo::SetSourcePosition(long left, long top, long width, long height) {
  return SetSource({left, top, left + width, top + height});
}
STDMETHODIMP ControlVideo::GetSourcePosition(long* left, long* top, long* width, long* height) {
  return OutRect(sourceRect(), left, top, width, height);
}
STDMETHODIMP ControlVideo::SetDefaultSourcePosition() {
  {
    std::lock_guard guard(lock_);
    defaultSource_ = true;
  }
  OnRectanglesChanged();
  return S_OK;
}

STDMETHODIMP ControlVideo::SetDestinationPosition(long left, long top, long width, long height) {
  return SetDestination({left, top, left + width, top + height});
}
STDMETHODIMP ControlVideo::GetDestinationPosition(long* left, long* top, long* width, long* height) {
  return OutRect(destinationRect(), left, top, width, height);
}
STDMETHODIMP ControlVideo::SetDefaultDestinationPosition() {
  {
    std::lock_guard guard(lock_);
    defaultDestination_ = true;
  }
  OnRectanglesChanged();
  return S_OK;
}

STDMETHODIMP ControlVideo::GetVideoSize(long* width, long* height) {
  if (!width || !height) return E_POINTER;
  const SIZE size = NativeVideoSize();
  *width = size.cx;
  *height = size.cy;
  return S_OK;
}

STDMETHODIMP ControlVideo::GetVideoPaletteEntries(long, long, long*, long*) { return VFW_E_NO_PALETTE_AVAILABLE; }

STDMETHODIMP ControlVideo::GetCurrentImage(long* bufferSize, long* image) {
  if (!bufferSize) return E_POINTER;
  std::vector<uint8_t> dib;
  if (!CurrentImage(dib)) return E_UNEXPECTED;
  const long needed = static_cast<long>(dib.size());
  if (!image) {
    *bufferSize = needed;
    return S_OK;
  }
  if (*bufferSize < needed) return E_OUTOFMEMORY;
  std::memcpy(image, dib.data(), dib.size());
  *bufferSize = needed;
  return S_OK;
}

STDMETHODIMP ControlVideo::IsUsingDefaultSource() {
  std::lock_guard guard(lock_);
  return defaultSource_ ? S_OK : S_FALSE;
}

STDMETHODIMP ControlVideo::IsUsingDefaultDestination() {
  std::lock_guard guard(lock_);
  return defaultDestination_ ? S_OK : S_FALSE;
}

}  // namespace tl::dshow
