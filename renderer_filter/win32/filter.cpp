#include "renderer_filter/win32/filter.h"

#include <cstring>
#include <new>

#include "renderer_filter/win32/tray_dialog.h"

namespace tl::renderer {
namespace {

FormatBlock BlockKind(const GUID& formatType) {
  if (formatType == FORMAT_VideoInfo) return FormatBlock::kVideoInfo;
  if (formatType == FORMAT_VideoInfo2) return FormatBlock::kVideoInfo2;
  return FormatBlock::kOther;
}

Subtype SubtypeOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_YUY2) return Subtype::kYuy2;
  if (subtype == MEDIASUBTYPE_RGB32) return Subtype::kRgb32;
  if (subtype == MEDIASUBTYPE_ARGB32) return Subtype::kArgb32;
  return Subtype::kOther;
}

std::span<const uint8_t> FormatBytes(const AM_MEDIA_TYPE& type) {
  if (!type.pbFormat) return {};
  return {type.pbFormat, type.cbFormat};
}

// The type as the pins keep it: a VIDEOINFOHEADER2 block has its picture header moved to where
// a VIDEOINFOHEADER has it, so that every later reader finds width, height and depth at bytes
// 52, 56 and 62.
dshow::MediaType StoredType(const AM_MEDIA_TYPE& type) {
  dshow::MediaType stored(type);
  const std::vector<uint8_t> moved = WithHeaderAtVideoInfoPlace(BlockKind(type.formattype), FormatBytes(type));
  stored.SetFormat(type.formattype, moved);
  return stored;
}

void Debug(const wchar_t* text) { ::OutputDebugStringW(text); }

}  // namespace

std::optional<AcceptedFormat> AcceptMediaType(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video) return std::nullopt;
  return AcceptFormat(SubtypeOf(type.subtype), BlockKind(type.formattype), FormatBytes(type));
}

// ---- pin 0 ----

VideoPin::VideoPin(CLumaraRenderer& filter) : RendererPin(filter, L"VMR Input0"), renderer_(filter) {}

HRESULT VideoPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  return AcceptMediaType(type) ? S_OK : E_INVALIDARG;
}

HRESULT VideoPin::SetMediaType(const AM_MEDIA_TYPE& type) {
  std::lock_guard guard(filter_.lock());
  const std::optional<AcceptedFormat> format = AcceptMediaType(type);
  if (!format) return E_INVALIDARG;  // never the case after CheckMediaType
  type_ = StoredType(type);
  CLumaraPresenter& presenter = renderer_.presenter();
  if (auto header = ReadPictureHeader(BlockKind(type.formattype), FormatBytes(type)))
    presenter.SetAverageTimePerFrame(header->averageTimePerFrame);
  presenter.SetFormat(*format);
  renderer_.controlVideo().OnVideoSizeChanged();
  return S_OK;
}

HRESULT VideoPin::CompleteConnect(IPin* peer) {
  const SIZE size = renderer_.presenter().NativeVideoSize();
  if (size.cx != connectedSize_.cx || size.cy != connectedSize_.cy) {
    connectedSize_ = size;
    renderer_.presenter().window().SetDefaultClientSize(size.cx, size.cy);
    renderer_.controlVideo().OnVideoSizeChanged();
  }
  return RendererPin::CompleteConnect(peer);
}

void VideoPin::BreakConnect() {
  CLumaraPresenter& presenter = renderer_.presenter();
  presenter.SetUploadEnabled(false);
  presenter.ShowBadge();
  RendererPin::BreakConnect();
}

STDMETHODIMP VideoPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (!connector || !type) return E_POINTER;
  if (!IsConnected()) return RendererPin::ReceiveConnection(connector, type);
  return ChangeFormatInPlace(connector, *type);
}

HRESULT VideoPin::ChangeFormatInPlace(IPin* connector, const AM_MEDIA_TYPE& type) {
  std::lock_guard guard(filter_.lock());
  if (allocator_) allocator_->Decommit();
  if (CheckMediaType(type) != S_OK || FAILED(SetMediaType(type))) {
    Debug(L"NorvakVMR Debug: Re-SetMediaType() FAILED\n");
    return E_INVALIDARG;  // the old allocator stays decommitted
  }
  if (connected_.Get() != connector) connected_ = connector;
  if (!allocator_) return E_INVALIDARG;
  ALLOCATOR_PROPERTIES wanted{}, actual{};
  if (FAILED(allocator_->GetProperties(&wanted))) return E_INVALIDARG;
  const std::optional<PictureHeader> header = ReadPictureHeader(FormatBlock::kVideoInfo, type_.format());
  if (!header) return E_INVALIDARG;
  wanted.cbBuffer = static_cast<long>(FrameBufferSize(*header));
  wanted.cBuffers = std::max<long>(wanted.cBuffers, 1);
  if (FAILED(allocator_->SetProperties(&wanted, &actual)) || actual.cbBuffer < wanted.cbBuffer) return E_INVALIDARG;
  if (FAILED(NotifyAllocator(allocator_.Get(), FALSE))) return E_INVALIDARG;
  CLumaraPresenter& presenter = renderer_.presenter();
  presenter.SetUploadEnabled(true);
  presenter.ShowBadge();
  return SUCCEEDED(allocator_->Commit()) ? S_OK : E_INVALIDARG;
}

HRESULT VideoPin::DoRenderSample(IMediaSample* sample) {
  renderer_.presenter().PresentSample(sample);
  return S_OK;
}

// ---- pin 1 ----

OverlayPin::OverlayPin(CLumaraRenderer& filter) : RendererPin(filter, L"VMR Input1"), renderer_(filter) {}

HRESULT OverlayPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  return AcceptMediaType(type) ? S_OK : E_INVALIDARG;
}

HRESULT OverlayPin::SetMediaType(const AM_MEDIA_TYPE& type) {
  std::lock_guard guard(filter_.lock());
  type_ = StoredType(type);
  if (type.formattype == GUID_NULL) return S_OK;
  if (const std::optional<AcceptedFormat> format = AcceptMediaType(type)) renderer_.presenter().SetupOverlay(*format);
  return S_OK;
}

void OverlayPin::BreakConnect() {
  CLumaraPresenter& presenter = renderer_.presenter();
  presenter.SetUploadEnabled(false);
  presenter.ShowBadge();
  RendererPin::BreakConnect();
}

HRESULT OverlayPin::DoRenderSample(IMediaSample* sample) {
  renderer_.presenter().CopyOverlay(sample);
  return S_OK;
}

// ---- IBasicVideo ----

RendererControlVideo::RendererControlVideo(CLumaraRenderer& filter, CLumaraPresenter& presenter)
    : ControlVideo(filter), presenter_(presenter) {}

RECT RendererControlVideo::ClientRect() {
  RECT client{};
  ::GetClientRect(presenter_.window().hwnd(), &client);
  return client;
}

// ---- VMR-9 configuration objects ----

#define TL_FORWARD_UNKNOWN(Class)                                                                    \
  STDMETHODIMP Class::QueryInterface(REFIID iid, void** out) { return filter_.QueryInterface(iid, out); } \
  STDMETHODIMP_(ULONG) Class::AddRef() { return filter_.AddRef(); }                                  \
  STDMETHODIMP_(ULONG) Class::Release() { return filter_.Release(); }

TL_FORWARD_UNKNOWN(FilterConfig)
TL_FORWARD_UNKNOWN(MixerBitmap)
TL_FORWARD_UNKNOWN(MixerControl)
TL_FORWARD_UNKNOWN(WindowlessControl)
#undef TL_FORWARD_UNKNOWN

STDMETHODIMP FilterConfig::SetNumberOfStreams(DWORD count) {
  if (count < 3) streams_ = count;
  return S_OK;
}

STDMETHODIMP FilterConfig::GetNumberOfStreams(DWORD* count) {
  if (!count) return E_POINTER;
  *count = streams_;
  return S_OK;
}

STDMETHODIMP FilterConfig::SetRenderingPrefs(DWORD prefs) {
  prefs_ = prefs;
  return S_OK;
}

STDMETHODIMP FilterConfig::GetRenderingPrefs(DWORD* prefs) {
  if (!prefs) return E_POINTER;
  *prefs = prefs_;
  return S_OK;
}

STDMETHODIMP FilterConfig::SetRenderingMode(DWORD mode) {
  mode_ = mode;
  filter_.presenter().SetWindowless(mode == VMR9Mode_Windowless);
  return S_OK;
}

STDMETHODIMP FilterConfig::GetRenderingMode(DWORD* mode) {
  if (!mode) return E_POINTER;
  *mode = mode_;
  return S_OK;
}

STDMETHODIMP MixerBitmap::SetAlphaBitmap(const VMR9AlphaBitmap* bitmap) {
  if (!bitmap) return E_POINTER;
  last_ = *bitmap;
  filter_.presenter().SetAlphaBitmap(*bitmap);
  return S_OK;
}

STDMETHODIMP MixerBitmap::UpdateAlphaBitmapParameters(const VMR9AlphaBitmap* bitmap) {
  if (bitmap) last_ = *bitmap;
  filter_.presenter().UpdateAlphaBitmapParameters(bitmap);
  return S_OK;
}

STDMETHODIMP MixerBitmap::GetAlphaBitmapParameters(VMR9AlphaBitmap* bitmap) {
  if (!bitmap) return E_POINTER;
  *bitmap = last_;
  return S_OK;
}

STDMETHODIMP MixerControl::GetAlpha(DWORD, FLOAT* alpha) {
  if (!alpha) return E_POINTER;
  *alpha = 1.0f;
  return S_OK;
}

STDMETHODIMP MixerControl::GetZOrder(DWORD stream, DWORD* order) {
  if (!order) return E_POINTER;
  *order = stream;
  return S_OK;
}

STDMETHODIMP MixerControl::GetOutputRect(DWORD, VMR9NormalizedRect* rect) {
  if (!rect) return E_POINTER;
  *rect = {0.0f, 0.0f, 1.0f, 1.0f};
  return S_OK;
}

STDMETHODIMP MixerControl::SetBackgroundClr(COLORREF color) {
  filter_.presenter().SetBackgroundColor(color);
  return S_OK;
}

STDMETHODIMP MixerControl::GetBackgroundClr(COLORREF* color) {
  if (!color) return E_POINTER;
  *color = filter_.presenter().backgroundColor();
  return S_OK;
}

STDMETHODIMP MixerControl::GetMixingPrefs(DWORD* prefs) {
  if (!prefs) return E_POINTER;
  *prefs = 0;
  return S_OK;
}

STDMETHODIMP WindowlessControl::GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectWidth, LONG* aspectHeight) {
  const SIZE size = filter_.presenter().NativeVideoSize();
  if (width) *width = size.cx;
  if (height) *height = size.cy;
  if (aspectWidth) *aspectWidth = size.cx;
  if (aspectHeight) *aspectHeight = size.cy;
  return S_OK;
}

STDMETHODIMP WindowlessControl::GetMinIdealVideoSize(LONG* width, LONG* height) {
  return GetNativeVideoSize(width, height, nullptr, nullptr);
}

STDMETHODIMP WindowlessControl::GetMaxIdealVideoSize(LONG* width, LONG* height) {
  return GetNativeVideoSize(width, height, nullptr, nullptr);
}

STDMETHODIMP WindowlessControl::SetVideoPosition(const RECT* source, const RECT* destination) {
  filter_.presenter().SetVideoPosition(source, destination);
  return S_OK;
}

STDMETHODIMP WindowlessControl::GetVideoPosition(RECT* source, RECT* destination) {
  filter_.presenter().GetVideoPosition(source, destination);
  return S_OK;
}

STDMETHODIMP WindowlessControl::GetAspectRatioMode(DWORD* mode) {
  if (!mode) return E_POINTER;
  *mode = filter_.presenter().aspectRatioMode();
  return S_OK;
}

STDMETHODIMP WindowlessControl::SetAspectRatioMode(DWORD mode) {
  filter_.presenter().SetAspectRatioMode(mode);
  return S_OK;
}

STDMETHODIMP WindowlessControl::SetVideoClippingWindow(HWND window) {
  CLumaraPresenter& presenter = filter_.presenter();
  presenter.SetVideoClippingWindow(window);
  if (HDC dc = ::GetDC(window)) {
    RECT client{};
    ::GetClientRect(window, &client);
    HBRUSH brush = ::CreateSolidBrush(presenter.backgroundColor());
    ::FillRect(dc, &client, brush);
    ::DeleteObject(brush);
    ::ReleaseDC(window, dc);
  }
  return S_OK;
}

STDMETHODIMP WindowlessControl::RepaintVideo(HWND window, HDC dc) {
  filter_.presenter().RepaintVideo(window, dc);
  return S_OK;
}

STDMETHODIMP WindowlessControl::GetCurrentImage(BYTE** dib) {
  if (!dib) return E_POINTER;
  *dib = nullptr;
  std::vector<uint8_t> image;
  if (!filter_.presenter().CurrentImage(image) || image.empty()) return E_FAIL;
  *dib = static_cast<BYTE*>(::CoTaskMemAlloc(image.size()));
  if (!*dib) return E_OUTOFMEMORY;
  std::memcpy(*dib, image.data(), image.size());
  return S_OK;
}

STDMETHODIMP WindowlessControl::SetBorderColor(COLORREF color) {
  border_ = color;
  return S_OK;
}

STDMETHODIMP WindowlessControl::GetBorderColor(COLORREF* color) {
  if (!color) return E_POINTER;
  *color = border_;
  return S_OK;
}

// ---- the filter ----

CLumaraRenderer::CLumaraRenderer(HINSTANCE module)
    : VideoRenderer(CLSID_LumaraRenderer),
      presenter_(module, *this),
      videoPin_(*this),
      overlayPin_(*this),
      controlVideo_(*this, presenter_),
      filterConfig_(*this),
      mixerBitmap_(*this),
      mixerControl_(*this),
      windowlessControl_(*this) {
  AddPin(videoPin_);
  AddPin(overlayPin_);
}

CLumaraRenderer::~CLumaraRenderer() = default;

CLumaraRenderer* CLumaraRenderer::Create(HINSTANCE module) {
  auto* renderer = new (std::nothrow) CLumaraRenderer(module);
  if (!renderer) return nullptr;
  if (!renderer->presenter_.Initialize()) {
    renderer->Release();
    return nullptr;
  }
  return renderer;
}

void* CLumaraRenderer::FindInterface(REFIID iid) {
  if (iid == IID_ISpecifyPropertyPages) return static_cast<ISpecifyPropertyPages*>(this);
  if (iid == IID_IRendererDiagnostics) return static_cast<IRendererDiagnostics*>(this);
  if (iid == IID_IVideoWindow) return static_cast<IVideoWindow*>(&presenter_.window());
  if (iid == IID_IBasicVideo) return static_cast<IBasicVideo*>(&controlVideo_);
  if (iid == IID_IVMRFilterConfig9) return static_cast<IVMRFilterConfig9*>(&filterConfig_);
  if (iid == IID_IVMRMixerBitmap9) return static_cast<IVMRMixerBitmap9*>(&mixerBitmap_);
  if (iid == IID_IVMRMixerControl9) return static_cast<IVMRMixerControl9*>(&mixerControl_);
  if (iid == IID_IVMRWindowlessControl9) return static_cast<IVMRWindowlessControl9*>(&windowlessControl_);
  return VideoRenderer::FindInterface(iid);
}

void CLumaraRenderer::OnStateChanged(FILTER_STATE from) {
  VideoRenderer::OnStateChanged(from);
  if (from != State_Stopped) return;
  // Leaving the stopped state: the window shows (unless the application keeps it), frames are
  // taken and the badge shows.
  dshow::ControlWindow& window = presenter_.window();
  if (window.autoShow() && !presenter_.windowless() && !::IsWindowVisible(window.hwnd())) {
    ::ShowWindow(window.hwnd(), SW_SHOWNORMAL);
    presenter_.ShowBackground();
  }
  presenter_.SetUploadEnabled(true);
  presenter_.ShowBadge();
}

STDMETHODIMP CLumaraRenderer::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 1;
  pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
  if (!pages->pElems) {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->pElems[0] = CLSID_QualityPropertyPage;
  return S_OK;
}

STDMETHODIMP CLumaraRenderer::GetDiagnostics(RendererDiagnostics* out) {
  if (!out || out->size != sizeof(RendererDiagnostics)) return E_INVALIDARG;
  const PresenterSnapshot s = presenter_.Snapshot();
  RendererDiagnostics d{};
  d.size = sizeof(d);
  d.device = s.device;
  d.effectFromFile = s.effectFromFile;
  d.nativeYuy2 = s.nativeYuy2;
  d.shaderUnpack = s.shaderUnpack;
  d.uploadEnabled = s.uploadEnabled;
  d.badgeVisible = s.badgeVisible;
  d.overlayActive = s.overlayActive;
  d.alphaBitmapEnabled = s.alphaBitmapEnabled;
  d.windowless = s.windowless;
  d.width = s.width;
  d.height = s.height;
  d.bitCount = s.bitCount;
  std::memcpy(d.constant, s.constant.data(), sizeof d.constant);
  std::memcpy(d.constant2, s.constant2.data(), sizeof d.constant2);
  std::memcpy(d.fullQuad, s.fullQuad.data(), sizeof d.fullQuad);
  d.lowPoint = s.tuning.lowPoint;
  d.highPoint = s.tuning.highPoint;
  d.noise = s.tuning.noise;
  d.strength = s.tuning.strength;
  d.mirror = s.tuning.mirror;
  d.colorTone = s.tuning.colorTone;
  d.movie = s.tuning.movie;
  d.devicesCreated = s.devicesCreated;
  d.framesLostDevice = s.framesLostDevice;
  d.videoWindow = presenter_.window().hwnd();
  d.trayDialog = TrayDialogWindow();
  s.installPath.copy(d.installPath, std::size(d.installPath) - 1);
  *out = d;
  return S_OK;
}

STDMETHODIMP CLumaraRenderer::SimulateDeviceLoss() { return presenter_.SimulateDeviceLoss() ? S_OK : S_FALSE; }

}  // namespace tl::renderer
