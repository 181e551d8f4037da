#include "preview_player/win32/scene.h"

#include <cstring>

#include "preview_player/core/preview_ramp.h"

namespace tl::preview {

using renderer::EffectParameter;
using renderer::Technique;

void CPlaneScene::SetSourceExtent(float u, float v) {
  extentU_ = u;
  extentV_ = v;
}

void CPlaneScene::SetTargetSize(int left, int top, int right, int bottom) {
  targetWidth_ = right;
  targetHeight_ = bottom;
}

HRESULT CPlaneScene::Init(IDirect3DDevice9* device, int width, int height, D3DFORMAT format) {
  if (!device) return E_POINTER;
  BeginInit();
  device_ = device;
  sourceWidth_ = width;
  sourceHeight_ = height;
  ComPtr<IDirect3DSurface9> backBuffer;
  D3DSURFACE_DESC desc{};
  if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) && SUCCEEDED(backBuffer->GetDesc(&desc))) {
    backBufferWidth_ = static_cast<int>(desc.Width);
    backBufferHeight_ = static_cast<int>(desc.Height);
  }
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  const HRESULT hr = CreateResources(device, width, height, format);
  if (SUCCEEDED(hr)) initialised_ = true;
  return hr;
}

VideoLumara0::VideoLumara0() : staged_(SceneQuads(1.0f, 1.0f)) {}

VideoLumara0::~VideoLumara0() { ReleaseResources(); }

void VideoLumara0::SetSourceExtent(float u, float v) {
  CPlaneScene::SetSourceExtent(u, v);
  staged_ = SceneQuads(u, v);
}

void VideoLumara0::SelectLumara() {
  method_ = 0;
  technique_ = Technique::kLumara;
}

void VideoLumara0::ReleaseDeviceHook() {
  ReleaseResources();
  initialised_ = false;
  device_ = nullptr;
}

void VideoLumara0::ReleaseResources() {
  for (auto& quad : quads_) quad.Reset();
  rampTexture_.Reset();
  effect_.reset();
  sprite_.Reset();
  font_.Reset();
  presenter.Reset();
  resourcesBuilt_ = false;
}

HRESULT VideoLumara0::CreateResources(IDirect3DDevice9* device, int width, int height, D3DFORMAT format) {
  // A new device (after a loss) gets resources of its own; the old ones belong to the old one.
  ReleaseResources();
  // Creation results are not fatal: what is missing is simply not drawn.
  for (auto& quad : quads_) {
    device->CreateVertexBuffer(sizeof(Quad), D3DUSAGE_WRITEONLY, kQuadVertexFormat, D3DPOOL_MANAGED, &quad, nullptr);
  }
  effect_ = renderer::LoadToneEffect(device, L"eLumara.dat").effect;
  device->CreateTexture(256, 1, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rampTexture_, nullptr);
  if (effect_ && width > 0 && height > 0) {
    const float quadOffsets[2] = {0.5f / static_cast<float>(width), 0.5f / static_cast<float>(height)};
    const float texelOffsets[4] = {1.0f / static_cast<float>(width), 0.0f, 0.0f, 1.0f / static_cast<float>(height)};
    effect_->SetFloats(EffectParameter::kQuadTexelOffsets, quadOffsets, 2);
    effect_->SetFloats(EffectParameter::kTexelOffsets, texelOffsets, 4);
  }
  for (size_t i = 0; i < quads_.size(); ++i) {
    void* bytes = nullptr;
    if (quads_[i] && SUCCEEDED(quads_[i]->Lock(0, sizeof(Quad), &bytes, 0))) {
      std::memcpy(bytes, staged_[i].data(), sizeof(Quad));
      quads_[i]->Unlock();
    }
  }
  D3DXCreateSprite(device, &sprite_);
  D3DXCreateFontW(device, 30, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, L"Arial", &font_);
  if (effect_) effect_->SetTexture(EffectParameter::kRampTexture, rampTexture_.Get());
  resourcesBuilt_ = true;
  // The mode survives a rebuilt device: the kept ramp goes into the new texture.
  if (rampComputed_) UploadRamp();
  return S_OK;
}

void VideoLumara0::UploadRamp() {
  rampComputed_ = true;
  if (!resourcesBuilt_ || !rampTexture_) return;
  D3DSURFACE_DESC desc{};
  D3DLOCKED_RECT locked{};
  if (FAILED(rampTexture_->GetLevelDesc(0, &desc)) || FAILED(rampTexture_->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD))) {
    return;  // the texture keeps what it had
  }
  const renderer::RampTexels texels = RampTexelsOf(ramp_);
  const UINT count = desc.Width < texels.size() ? desc.Width : static_cast<UINT>(texels.size());
  std::memcpy(locked.pBits, texels.data(), count * sizeof(renderer::Pixel));
  rampTexture_->UnlockRect(0);
}

HRESULT VideoLumara0::DrawPass(IDirect3DDevice9* device, const Viewport& v, QuadIndex quad, Technique technique,
                               IDirect3DTexture9* frame) {
  D3DVIEWPORT9 viewport{static_cast<DWORD>(v.x), static_cast<DWORD>(v.y), static_cast<DWORD>(v.width),
                        static_cast<DWORD>(v.height), 0.0f, 1.0f};
  device->SetViewport(&viewport);
  HRESULT hr = device->SetStreamSource(0, quads_[quad].Get(), 0, sizeof(QuadVertex));
  if (FAILED(hr)) return hr;
  if (!effect_) return S_OK;
  effect_->SetTexture(EffectParameter::kColorTexture, frame);
  return effect_->Draw(technique, [&] { return device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); });
}

void VideoLumara0::DrawLabel(const std::wstring& text, Point at) {
  if (!sprite_ || !font_ || FAILED(sprite_->Begin(D3DXSPRITE_ALPHABLEND))) return;
  RECT rect{at.x, at.y, at.x, at.y};
  font_->DrawTextW(sprite_.Get(), text.c_str(), -1, &rect, DT_NOCLIP, PackColour(kLabelColour));
  sprite_->End();
}

HRESULT VideoLumara0::Render(IDirect3DDevice9* device, IDirect3DTexture9* frame) {
  if (!device || !frame) return E_POINTER;
  if (FAILED(device->BeginScene())) return E_FAIL;
  device->SetFVF(kQuadVertexFormat);
  device->SetStreamSource(0, quads_[kQ0].Get(), 0, sizeof(QuadVertex));
  if (effect_) {
    effect_->SetFloats(EffectParameter::kConstant, constants_.constant.data(), 4);
    effect_->SetFloats(EffectParameter::kConstant2, constants_.constant2.data(), 4);
  }
  const FrameLayout layout = LayoutFrame(fullScreen, backBufferWidth_, backBufferHeight_);
  HRESULT hr = DrawPass(device, layout.plain, layout.plainQuad, Technique::kFixed, frame);
  // Sprite positions are in render-target pixels, whatever the viewport.
  if (SUCCEEDED(hr) && layout.labels) DrawLabel(normalLabel, layout.normalLabel);
  if (SUCCEEDED(hr)) hr = DrawPass(device, layout.applied, layout.appliedQuad, technique_, frame);
  if (SUCCEEDED(hr) && layout.labels) DrawLabel(appliedLabel, layout.appliedLabel);
  device->EndScene();
  return hr;
}

}  // namespace tl::preview
