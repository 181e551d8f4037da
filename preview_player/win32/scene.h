// The preview scene: CPlaneScene, the base that the allocator-presenter draws through, and
// VideoLumara0, which draws every frame twice (plain, and through the colour-tone ramp and the
// dynamic tone) into the two halves of the back buffer.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "common/win32/com.h"
#include "engine/core/ramp_table.h"
#include "preview_player/core/scene_layout.h"
#include "preview_player/win32/window_present.h"
#include "renderer_filter/win32/tone_effect_d3d.h"

namespace tl::preview {

using win32::ComPtr;

class CPlaneScene;
// How a drawn frame reaches the screen (the player installs the split present).
using PresentCallback = HRESULT (*)(IDirect3DDevice9* device, CPlaneScene* scene);

class CPlaneScene {
 public:
  CPlaneScene() = default;
  CPlaneScene(const CPlaneScene&) = delete;
  CPlaneScene& operator=(const CPlaneScene&) = delete;
  virtual ~CPlaneScene() = default;

  virtual HRESULT Render(IDirect3DDevice9* device, IDirect3DTexture9* frame) { return S_OK; }
  virtual void SetSourceExtent(float u, float v);
  virtual void SetTargetSize(int left, int top, int right, int bottom);
  virtual void CaptureScene(int value) {}
  // Called when the allocator gives up its device: every resource of that device goes.
  virtual void ReleaseDeviceHook() {}
  virtual HRESULT CreateResources(IDirect3DDevice9* device, int width, int height, D3DFORMAT format) { return S_OK; }
  virtual void BeginInit() {}

  HRESULT Init(IDirect3DDevice9* device, int width, int height, D3DFORMAT format);

  int sourceWidth() const { return sourceWidth_; }
  int sourceHeight() const { return sourceHeight_; }
  int backBufferWidth() const { return backBufferWidth_; }
  int backBufferHeight() const { return backBufferHeight_; }
  int targetWidth() const { return targetWidth_; }
  int targetHeight() const { return targetHeight_; }
  bool initialised() const { return initialised_; }

  PresentCallback presentCallback = nullptr;
  bool fullScreen = false;
  // Label texts, copied: the caller's strings may go away.
  std::wstring normalLabel = L"Normal Frame";
  std::wstring appliedLabel = L"Applied Frame";
  std::wstring hint = L"Double Clicked\nor Push Space\nfor Return";
  // How the present callback shows the back buffer (its read-back copy belongs to the device).
  WindowPresenter presenter;

  // Set by every parameter change; a still picture is drawn again when it was set.
  void MarkChanged() { changed_ = true; }
  bool TakeChanged() { return changed_.exchange(false); }

 protected:
  int sourceWidth_ = 0, sourceHeight_ = 0;
  int targetWidth_ = 0, targetHeight_ = 0;
  int backBufferWidth_ = 0, backBufferHeight_ = 0;
  float extentU_ = 1.0f, extentV_ = 1.0f;
  bool initialised_ = false;
  IDirect3DDevice9* device_ = nullptr;  // the allocator's; not owned
  std::atomic<bool> changed_{false};
};

class VideoLumara0 final : public CPlaneScene {
 public:
  VideoLumara0();
  ~VideoLumara0() override;

  HRESULT Render(IDirect3DDevice9* device, IDirect3DTexture9* frame) override;
  void SetSourceExtent(float u, float v) override;
  void ReleaseDeviceHook() override;
  HRESULT CreateResources(IDirect3DDevice9* device, int width, int height, D3DFORMAT format) override;

  // The parameter exports.
  SceneConstants& constants() { return constants_; }
  void SelectLumara();
  // Computes and uploads the ramp (see ComputePreviewRamp); kept for rebuilt resources.
  engine::RampTable& rampTable() { return ramp_; }
  void UploadRamp();

  bool resourcesBuilt() const { return resourcesBuilt_; }
  // Which form of the effect draws (for tests and diagnostics); none before resources exist.
  const renderer::ToneEffect* effect() const { return effect_.get(); }

 private:
  void ReleaseResources();
  HRESULT DrawPass(IDirect3DDevice9* device, const Viewport& viewport, QuadIndex quad, renderer::Technique technique,
                   IDirect3DTexture9* frame);
  void DrawLabel(const std::wstring& text, Point at);

  ComPtr<IDirect3DTexture9> rampTexture_;
  std::unique_ptr<renderer::ToneEffect> effect_;
  engine::RampTable ramp_{};
  bool rampComputed_ = false;
  std::array<ComPtr<IDirect3DVertexBuffer9>, 4> quads_;
  std::array<Quad, 4> staged_;
  SceneConstants constants_;
  std::int32_t method_ = 0;
  renderer::Technique technique_ = renderer::Technique::kLumara;
  ComPtr<ID3DXSprite> sprite_;
  ComPtr<ID3DXFont> font_;
  bool resourcesBuilt_ = false;
};

}  // namespace tl::preview
