// CLumaraPresenter: turns the frames of pin 0 into pictures through the colour effect on a
// Direct3D 9 device, blends the overlay stream of pin 1, the application's alpha bitmap and the
// badge on top, keeps the VMR-9 windowless geometry, saves the drawn frame, rebuilds after a
// device loss; it also owns the video window, the tuning values and the tray icon.
#pragma once

// vmr9.h needs the DirectShow and Direct3D declarations first.
#include "common/dshow/win32/dshow.h"
#include <d3d9.h>
#include <d3dx9.h>
#include <vmr9.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/dshow/win32/base_filter.h"
#include "common/win32/com.h"
#include "common/win32/tray_icon.h"
#include "renderer_filter/core/frame_copy.h"
#include "renderer_filter/core/quad_geometry.h"
#include "renderer_filter/core/tone_effect.h"
#include "renderer_filter/core/tray_model.h"
#include "renderer_filter/core/video_format.h"
#include "renderer_filter/win32/frame_upload.h"
#include "renderer_filter/win32/tone_effect_d3d.h"
#include "renderer_filter/win32/video_window.h"

namespace tl::renderer {

using win32::ComPtr;

// Badge timer on the video window, and the time it shows.
inline constexpr UINT_PTR kBadgeTimer = 769;
inline constexpr UINT kBadgeMilliseconds = 8000;

// What the presenter holds, for the diagnostics interface.
struct PresenterSnapshot {
  bool device = false;
  bool effectFromFile = false;
  bool nativeYuy2 = false;
  bool shaderUnpack = false;
  bool uploadEnabled = false;
  bool badgeVisible = false;
  bool overlayActive = false;
  bool alphaBitmapEnabled = false;
  bool windowless = false;
  int width = 0, height = 0, bitCount = 0;
  Float4 constant{}, constant2{};
  Quad fullQuad{};
  Tuning tuning;
  std::wstring installPath;
  int devicesCreated = 0;
  int framesLostDevice = 0;
};

class CLumaraPresenter {
 public:
  CLumaraPresenter(HINSTANCE module, dshow::BaseFilter& filter);
  ~CLumaraPresenter();
  CLumaraPresenter(const CLumaraPresenter&) = delete;
  CLumaraPresenter& operator=(const CLumaraPresenter&) = delete;

  // Direct3D, the settings and the video window. False when the window cannot be made.
  bool Initialize();

  // ---- pin 0 ----
  // (Re)builds the device and every resource for a format. Also the recovery after a loss.
  void SetFormat(const AcceptedFormat& format);
  void PresentSample(IMediaSample* sample);
  void SetUploadEnabled(bool enabled) { uploadEnabled_ = enabled; }
  // The background colour on the screen at once (the first present into a newly shown window
  // is slow: it is better paid before the stream runs).
  void ShowBackground();
  // The badge shows for eight seconds from now.
  void ShowBadge();

  // ---- pin 1 ----
  void SetupOverlay(const AcceptedFormat& format);
  void CopyOverlay(IMediaSample* sample);

  // ---- tuning ----
  Tuning tuning();
  // Stores the values (the dialog's and the presets') and recomputes the effect's constants.
  void SetTuning(const Tuning& tuning);
  void UpdateTone(int lowPoint, int highPoint, double noise, double strength);
  const std::wstring& installPath() const { return installPath_; }

  // ---- VMR-9 configuration ----
  void SetWindowless(bool windowless);
  bool windowless() const { return windowless_; }
  void SetVideoClippingWindow(HWND window);
  HWND clippingWindow() const { return clippingWindow_; }
  void SetVideoPosition(const RECT* source, const RECT* destination);
  void GetVideoPosition(RECT* source, RECT* destination);
  void SetAspectRatioMode(DWORD mode);
  DWORD aspectRatioMode() const { return aspectMode_; }
  void SetBackgroundColor(COLORREF color);
  COLORREF backgroundColor() const { return background_; }
  void RepaintVideo(HWND window, HDC dc);
  void SetAlphaBitmap(const VMR9AlphaBitmap& bitmap);
  void UpdateAlphaBitmapParameters(const VMR9AlphaBitmap* bitmap);
  SIZE NativeVideoSize();
  REFERENCE_TIME averageTimePerFrame() const { return averageTimePerFrame_; }
  void SetAverageTimePerFrame(REFERENCE_TIME time) { averageTimePerFrame_ = time; }

  // ---- pictures ----
  // The frame as drawn now, without the badge: a BITMAPINFOHEADER and 32-bit rows, bottom-up.
  bool CurrentImage(std::vector<uint8_t>& dib);
  // The drawn frame, without the badge, as a PNG file. False when nothing could be saved.
  bool CaptureFrame(const std::wstring& path);

  // ---- the video window ----
  VideoWindow& window() { return window_; }
  // Messages of the video window (its thread); false for those the base window handles.
  bool HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // The tray icon, on the window's thread.
  win32::TrayIcon& trayIcon() { return trayIcon_; }

  // ---- diagnostics ----
  PresenterSnapshot Snapshot();
  // Puts the device into the lost state, as a display change would.
  bool SimulateDeviceLoss();

 private:
  void ReleaseResources();
  bool CreateDevice();
  void CreateResources();
  void CreateOverlayTexture();
  void WarmUp();
  void RenderFrame(bool withBadge);
  void DrawPicture(const ComPtr<IDirect3DVertexBuffer9>& quad, bool enhanced);
  // Fixed-function copy of a texture over the target; `exact` samples texel for pixel.
  void DrawTexturedQuad(IDirect3DBaseTexture9* texture, const Quad& quad, bool exact);
  void Present();
  bool ReadBackBuffer(ComPtr<IDirect3DSurface9>& surface, D3DSURFACE_DESC& description);
  bool WriteQuad(const ComPtr<IDirect3DVertexBuffer9>& buffer, const Quad& quad);
  void RecomputeLetterbox();
  HWND DeviceWindow() const;
  void AddTrayIcon();
  void CloseTrayDialog();

  HINSTANCE module_;
  dshow::BaseFilter& filter_;
  VideoWindow window_;

  // The presenter lock: formats, frames, overlay samples, captures and repaints.
  std::recursive_mutex lock_;

  ComPtr<IDirect3D9> d3d_;
  ComPtr<IDirect3DDevice9> device_;
  D3DFORMAT adapterFormat_ = D3DFMT_UNKNOWN;
  DWORD behaviour_ = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED;
  FrameUpload upload_;
  ComPtr<IDirect3DTexture9> sceneTexture_, overlayTexture_, badgeTexture_, alphaTexture_;
  ComPtr<IDirect3DSurface9> sceneSurface_;
  ComPtr<IDirect3DVertexBuffer9> fullQuad_, leftQuad_, rightQuad_;
  std::unique_ptr<ToneEffect> effect_;
  bool effectFromFile_ = false;
  ComPtr<ID3DXSprite> sprite_;

  // Format of pin 0.
  std::optional<AcceptedFormat> format_;
  Quads quads_ = InitialQuads(true);
  bool quadDirty_ = false;
  std::atomic<REFERENCE_TIME> averageTimePerFrame_{0};

  // Overlay of pin 1.
  bool overlayActive_ = false;
  std::optional<AcceptedFormat> overlayFormat_;

  // Alpha bitmap.
  bool alphaEnabled_ = false;
  VMR9NormalizedRect alphaDestination_{};
  SIZE alphaSize_{};

  std::atomic<bool> uploadEnabled_{false};
  std::atomic<bool> badgeVisible_{false};
  std::atomic<bool> trayIconAdded_{false};
  int devicesCreated_ = 0;
  std::atomic<int> framesLostDevice_{0};

  // Tuning values and the effect's constants (the dialog writes them on the window thread; the
  // next frame reads them).
  std::mutex toneLock_;
  Tuning tuning_;
  Float4 constant_{};
  Float4 constant2_{};
  std::wstring installPath_;

  // VMR-9 windowless state.
  std::atomic<bool> windowless_{false};
  std::atomic<HWND> clippingWindow_{nullptr};
  RECT sourceRect_{};
  RECT destinationRect_{};
  bool haveDestination_ = false;
  std::atomic<DWORD> aspectMode_{0};
  std::atomic<COLORREF> background_{0};
  std::atomic<D3DCOLOR> backgroundArgb_{0xFF000000};

  win32::TrayIcon trayIcon_;
  HICON trayIconImage_ = nullptr;
};

}  // namespace tl::renderer
