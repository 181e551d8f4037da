// CLumaraRenderer, "Norvak Video Renderer": a video renderer with two input pins named like the
// VMR-9's ("VMR Input0" the video, "VMR Input1" an overlay), the VMR-9 configuration interfaces,
// IVideoWindow and IBasicVideo on the presenter's window, and the quality property page.
#pragma once

#include <memory>

#include "common/dshow/win32/control_video.h"
#include "common/dshow/win32/renderer.h"
#include "renderer_filter/core/video_format.h"
#include "renderer_filter/win32/diagnostics.h"
#include "renderer_filter/win32/presenter.h"

namespace tl::renderer {

// {B199525F-CE75-46E6-B6B7-C66AA586F31C}
inline constexpr CLSID CLSID_LumaraRenderer = {
    0xb199525f, 0xce75, 0x46e6, {0xb6, 0xb7, 0xc6, 0x6a, 0xa5, 0x86, 0xf3, 0x1c}};
// {77CB37D3-0818-4C04-94C9-4D62ABFCD234}
inline constexpr CLSID CLSID_QualityPropertyPage = {
    0x77cb37d3, 0x0818, 0x4c04, {0x94, 0xc9, 0x4d, 0x62, 0xab, 0xfc, 0xd2, 0x34}};

inline constexpr wchar_t kFilterName[] = L"Norvak Video Renderer";
inline constexpr wchar_t kPageName[] = L"Quality Property Page";

// The format of a media type as the renderer accepts it; empty when refused.
std::optional<AcceptedFormat> AcceptMediaType(const AM_MEDIA_TYPE& type);

class CLumaraRenderer;

// Pin 0, "VMR Input0": every frame goes to the presenter.
class VideoPin final : public dshow::RendererPin {
 public:
  explicit VideoPin(CLumaraRenderer& filter);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT CompleteConnect(IPin* peer) override;
  void BreakConnect() override;
  // A new type while connected: the allocator is given buffers of the new size in place.
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;

 protected:
  HRESULT DoRenderSample(IMediaSample* sample) override;

 private:
  HRESULT ChangeFormatInPlace(IPin* connector, const AM_MEDIA_TYPE& type);
  CLumaraRenderer& renderer_;
  SIZE connectedSize_{};
};

// Pin 1, "VMR Input1": frames become the overlay that the next video frame blends.
class OverlayPin final : public dshow::RendererPin {
 public:
  explicit OverlayPin(CLumaraRenderer& filter);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
  void BreakConnect() override;

 protected:
  HRESULT DoRenderSample(IMediaSample* sample) override;

 private:
  CLumaraRenderer& renderer_;
};

class RendererControlVideo final : public dshow::ControlVideo {
 public:
  RendererControlVideo(CLumaraRenderer& filter, CLumaraPresenter& presenter);

 protected:
  SIZE NativeVideoSize() override { return presenter_.NativeVideoSize(); }
  REFERENCE_TIME AverageTimePerFrame() override { return presenter_.averageTimePerFrame(); }
  RECT ClientRect() override;
  bool CurrentImage(std::vector<uint8_t>& dib) override { return presenter_.CurrentImage(dib); }

 private:
  CLumaraPresenter& presenter_;
};

// The small objects behind the four VMR-9 interfaces: they keep the filter alive and answer
// the filter's interfaces (one COM identity).
class FilterConfig final : public IVMRFilterConfig9 {
 public:
  explicit FilterConfig(CLumaraRenderer& filter) : filter_(filter) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP SetImageCompositor(IVMRImageCompositor9*) override { return S_OK; }
  STDMETHODIMP SetNumberOfStreams(DWORD count) override;
  STDMETHODIMP GetNumberOfStreams(DWORD* count) override;
  STDMETHODIMP SetRenderingPrefs(DWORD prefs) override;
  STDMETHODIMP GetRenderingPrefs(DWORD* prefs) override;
  STDMETHODIMP SetRenderingMode(DWORD mode) override;
  STDMETHODIMP GetRenderingMode(DWORD* mode) override;

 private:
  CLumaraRenderer& filter_;
  DWORD streams_ = 1;
  DWORD prefs_ = 0;
  DWORD mode_ = VMR9Mode_Windowed;
};

class MixerBitmap final : public IVMRMixerBitmap9 {
 public:
  explicit MixerBitmap(CLumaraRenderer& filter) : filter_(filter) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP SetAlphaBitmap(const VMR9AlphaBitmap* bitmap) override;
  STDMETHODIMP UpdateAlphaBitmapParameters(const VMR9AlphaBitmap* bitmap) override;
  STDMETHODIMP GetAlphaBitmapParameters(VMR9AlphaBitmap* bitmap) override;

 private:
  CLumaraRenderer& filter_;
  VMR9AlphaBitmap last_{};
};

class MixerControl final : public IVMRMixerControl9 {
 public:
  explicit MixerControl(CLumaraRenderer& filter) : filter_(filter) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP SetAlpha(DWORD, FLOAT) override { return S_OK; }
  STDMETHODIMP GetAlpha(DWORD stream, FLOAT* alpha) override;
  STDMETHODIMP SetZOrder(DWORD, DWORD) override { return S_OK; }
  STDMETHODIMP GetZOrder(DWORD stream, DWORD* order) override;
  STDMETHODIMP SetOutputRect(DWORD, const VMR9NormalizedRect*) override { return S_OK; }
  STDMETHODIMP GetOutputRect(DWORD stream, VMR9NormalizedRect* rect) override;
  STDMETHODIMP SetBackgroundClr(COLORREF color) override;
  STDMETHODIMP GetBackgroundClr(COLORREF* color) override;
  STDMETHODIMP SetMixingPrefs(DWORD) override { return S_OK; }
  STDMETHODIMP GetMixingPrefs(DWORD* prefs) override;
  STDMETHODIMP SetProcAmpControl(DWORD, VMR9ProcAmpControl*) override { return S_OK; }
  STDMETHODIMP GetProcAmpControl(DWORD, VMR9ProcAmpControl*) override { return S_OK; }
  STDMETHODIMP GetProcAmpControlRange(DWORD, VMR9ProcAmpControlRange*) override { return S_OK; }

 private:
  CLumaraRenderer& filter_;
};

class WindowlessControl final : public IVMRWindowlessControl9 {
 public:
  explicit WindowlessControl(CLumaraRenderer& filter) : filter_(filter) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectWidth, LONG* aspectHeight) override;
  STDMETHODIMP GetMinIdealVideoSize(LONG* width, LONG* height) override;
  STDMETHODIMP GetMaxIdealVideoSize(LONG* width, LONG* height) override;
  STDMETHODIMP SetVideoPosition(const RECT* source, const RECT* destination) override;
  STDMETHODIMP GetVideoPosition(RECT* source, RECT* destination) override;
  STDMETHODIMP GetAspectRatioMode(DWORD* mode) override;
  STDMETHODIMP SetAspectRatioMode(DWORD mode) override;
  STDMETHODIMP SetVideoClippingWindow(HWND window) override;
  STDMETHODIMP RepaintVideo(HWND window, HDC dc) override;
  STDMETHODIMP DisplayModeChanged() override { return S_OK; }
  STDMETHODIMP GetCurrentImage(BYTE** dib) override;
  STDMETHODIMP SetBorderColor(COLORREF color) override;
  STDMETHODIMP GetBorderColor(COLORREF* color) override;

 private:
  CLumaraRenderer& filter_;
  COLORREF border_ = 0;
};

class CLumaraRenderer final : public dshow::VideoRenderer,
                              public ISpecifyPropertyPages,
                              public IRendererDiagnostics {
 public:
  // A new renderer with one reference; null when its window cannot be made.
  static CLumaraRenderer* Create(HINSTANCE module);
  TL_DSHOW_UNKNOWN_FROM(dshow::VideoRenderer)

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;
  // IRendererDiagnostics
  STDMETHODIMP GetDiagnostics(RendererDiagnostics* out) override;
  STDMETHODIMP SimulateDeviceLoss() override;

  CLumaraPresenter& presenter() { return presenter_; }
  RendererControlVideo& controlVideo() { return controlVideo_; }

 protected:
  void Destroy() override { delete this; }
  void* FindInterface(REFIID iid) override;
  void OnStateChanged(FILTER_STATE from) override;

 private:
  explicit CLumaraRenderer(HINSTANCE module);
  ~CLumaraRenderer();

  // Declared first: the pins and objects below refer to it.
  CLumaraPresenter presenter_;
  VideoPin videoPin_;
  OverlayPin overlayPin_;
  RendererControlVideo controlVideo_;
  FilterConfig filterConfig_;
  MixerBitmap mixerBitmap_;
  MixerControl mixerControl_;
  WindowlessControl windowlessControl_;
};

}  // namespace tl::renderer
