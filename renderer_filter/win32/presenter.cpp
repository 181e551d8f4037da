#include "renderer_filter/win32/presenter.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/win32/module_path.h"
#include "control_panel/win32/settings_store.h"
#include "renderer_filter/win32/resource.h"
#include "renderer_filter/win32/tray_dialog.h"

namespace tl::renderer {
namespace {

constexpr wchar_t kBadgeFile[] = L"images\\ax\\Lumara02.dds";
constexpr wchar_t kEffectFile[] = L"eLumara.dat";
constexpr wchar_t kTrayTooltip[] = L"Video Lumara V5.1.1.0021";
constexpr wchar_t kTrayTitle[] = L"Norvak TavoLumara";
constexpr wchar_t kTrayText[] = L"Video Lumara";

D3DCOLOR OpaqueArgb(COLORREF color) {
  return 0xFF000000u | (uint32_t(GetRValue(color)) << 16) | (uint32_t(GetGValue(color)) << 8) | GetBValue(color);
}

// A quad over the whole target with v running from the top: for textures whose first row is
// their top (the scene render target, top-down overlays).
Quad TopDownFullQuad() { return InitialQuads(true).full; }

void Debug(const wchar_t* text) { ::OutputDebugStringW(text); }

}  // namespace

// ---- creation and destruction ----

CLumaraPresenter::CLumaraPresenter(HINSTANCE module, dshow::BaseFilter& filter)
    : module_(module), filter_(filter), window_(filter, *this) {}

CLumaraPresenter::~CLumaraPresenter() {
  // The dialog and the tray icon belong to the window's thread.
  window_.RunOnWindowThread([this] {
    CloseTrayDialog();
    trayIcon_.Remove();
  });
  {
    std::lock_guard guard(lock_);
    ReleaseResources();
    device_.Reset();
    d3d_.Reset();
  }
  window_.Close();
  if (trayIconImage_) ::DestroyIcon(trayIconImage_);
}

bool CLumaraPresenter::Initialize() {
  d3d_ = win32::AdoptComPtr(::Direct3DCreate9(D3D_SDK_VERSION));
  const panel::RendererTuning settings = panel::ReadRendererTuning();
  // Without the settings key the data files are looked for beside the filter itself, where the
  // installation put them (the player's current folder would be a guess).
  installPath_ = settings.installPath.empty() ? win32::ModuleDirectory(module_) : settings.installPath;
  if (!installPath_.empty() && installPath_.back() != L'\\') installPath_.push_back(L'\\');
  Tuning tuning;
  tuning.lowPoint = settings.lowPoint;
  tuning.highPoint = settings.highPoint;
  tuning.strength = settings.strength;
  tuning.noise = settings.noise;
  tuning.mirror = settings.mirror;
  tuning.colorTone = settings.colorTone;
  tuning.movie = settings.movie;
  SetTuning(tuning);

  trayIconImage_ = static_cast<HICON>(::LoadImageW(module_, MAKEINTRESOURCEW(IDI_RENDERER), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXSMICON),
                                                   ::GetSystemMetrics(SM_CYSMICON), 0));
  return window_.Create({kVideoWindowClass, kVideoWindowClassStyle, kVideoWindowStyle, 0, L"Norvak Video Renderer",
                         module_, trayIconImage_});
}

void CLumaraPresenter::ReleaseResources() {
  effect_.reset();
  sprite_.Reset();
  fullQuad_.Reset();
  leftQuad_.Reset();
  rightQuad_.Reset();
  sceneSurface_.Reset();
  sceneTexture_.Reset();
  upload_.Release();
  overlayTexture_.Reset();
  badgeTexture_.Reset();
  alphaTexture_.Reset();
  alphaEnabled_ = false;
}

HWND CLumaraPresenter::DeviceWindow() const {
  HWND clipping = clippingWindow_;
  return windowless_ && clipping ? clipping : window_.hwnd();
}

bool CLumaraPresenter::CreateDevice() {
  if (!d3d_ || !format_) return false;
  D3DDISPLAYMODE mode{};
  if (FAILED(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return false;
  adapterFormat_ = mode.Format;
  // One back buffer of the current video's size, stretched to the window by Present.
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = static_cast<UINT>(format_->width);
  parameters.BackBufferHeight = static_cast<UINT>(format_->height);
  parameters.BackBufferFormat = adapterFormat_;
  parameters.BackBufferCount = 1;
  // Copy, not discard: Present may then place the picture in the destination rectangle of the
  // clipping window, and the back buffer keeps the last frame for repaints and captures.
  parameters.SwapEffect = D3DSWAPEFFECT_COPY;
  parameters.hDeviceWindow = DeviceWindow();
  parameters.Windowed = TRUE;
  parameters.Flags = D3DPRESENTFLAG_VIDEO;
  parameters.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  for (DWORD behaviour : {behaviour_, DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED)}) {
    D3DPRESENT_PARAMETERS attempt = parameters;
    ComPtr<IDirect3DDevice9> device;
    if (SUCCEEDED(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_.hwnd(), behaviour, &attempt,
                                     &device)) &&
        device) {
      behaviour_ = behaviour;
      device_ = device;
      ++devicesCreated_;
      return true;
    }
  }
  return false;
}

void CLumaraPresenter::SetFormat(const AcceptedFormat& format) {
  std::lock_guard guard(lock_);
  const bool upload = uploadEnabled_.exchange(false);
  ReleaseResources();
  device_.Reset();
  format_ = format;
  quads_ = InitialQuads(format.topDown);
  quadDirty_ = false;
  if (CreateDevice()) CreateResources();
  uploadEnabled_ = upload;
  RecomputeLetterbox();
}

void CLumaraPresenter::CreateResources() {
  IDirect3DDevice9* device = device_.Get();
  const UINT width = static_cast<UINT>(format_->width), height = static_cast<UINT>(format_->height);

  // A missing badge leaves no badge.
  const std::wstring badge = installPath_ + kBadgeFile;
  D3DXCreateTextureFromFileExW(device, badge.c_str(), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 0,
                               D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr,
                               nullptr, &badgeTexture_);

  for (ComPtr<IDirect3DVertexBuffer9>* buffer :
       {std::addressof(fullQuad_), std::addressof(leftQuad_), std::addressof(rightQuad_)})
    device->CreateVertexBuffer(sizeof(Quad), D3DUSAGE_WRITEONLY, kQuadFvf, D3DPOOL_DEFAULT,
                               buffer->ReleaseAndGetAddressOf(), nullptr);
  WriteQuad(fullQuad_, quads_.full);
  WriteQuad(leftQuad_, quads_.left);
  WriteQuad(rightQuad_, quads_.right);

  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);

  // The effect file, or the built-in shaders. A renderer inside a player never stops its
  // thread on a message box: why the file is not used goes to the debugger output.
  const std::wstring effectPath = installPath_ + kEffectFile;
  LoadedToneEffect loaded = LoadToneEffect(device, effectPath.c_str());
  effect_ = std::move(loaded.effect);
  effectFromFile_ = effect_ && effect_->source() == EffectSource::kEffectFile;
  if (!loaded.fileError.empty()) {
    const std::wstring text = L"NorvakVMR: Fx Compile Error: " + std::wstring(loaded.fileError.begin(), loaded.fileError.end()) +
                              L" (the built-in shaders draw instead)\n";
    Debug(text.c_str());
  }

  {
    std::lock_guard tone(toneLock_);
    constant2_[1] = static_cast<float>(width);
    constant2_[2] = static_cast<float>(height);
  }

  upload_.Create(device, *format_);

  if (SUCCEEDED(device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                      &sceneTexture_, nullptr)))
    sceneTexture_->GetSurfaceLevel(0, &sceneSurface_);

  if (effect_) {
    const float texel[2] = {0.5f / float(width), 0.5f / float(height)};
    effect_->SetFloats(EffectParameter::kQuadTexelOffsets, texel, 2);
  }
  D3DXCreateSprite(device, &sprite_);

  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);

  if (overlayActive_) CreateOverlayTexture();

  D3DVIEWPORT9 viewport{0, 0, width, height, 0.0f, 1.0f};
  device->SetViewport(&viewport);
  WarmUp();
}

void CLumaraPresenter::WarmUp() {
  // A device's first map and first draw with each shader are slow (Wine builds its GL context
  // and compiles the shaders then: seconds on a software rasterizer). That happens here, while
  // the graph connects, not on the streaming thread with the first frame.
  IDirect3DDevice9* device = device_.Get();
  upload_.WarmUp();
  device->Clear(0, nullptr, D3DCLEAR_TARGET, backgroundArgb_, 1.0f, 0);
  if (SUCCEEDED(device->BeginScene())) {
    DrawPicture(fullQuad_, true);
    DrawPicture(fullQuad_, false);
    if (sceneTexture_) DrawTexturedQuad(sceneTexture_.Get(), TopDownFullQuad(), true);
    if (sprite_ && SUCCEEDED(sprite_->Begin(D3DXSPRITE_ALPHABLEND))) sprite_->End();
    device->EndScene();
  }
  // The first present into a window is slow too; what it shows is the background colour.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, backgroundArgb_, 1.0f, 0);
  Present();
  ComPtr<IDirect3DQuery9> done;
  if (SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_EVENT, &done))) {
    done->Issue(D3DISSUE_END);
    for (int i = 0; i < 2000 && done->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE; ++i) ::Sleep(5);
  }
}

bool CLumaraPresenter::WriteQuad(const ComPtr<IDirect3DVertexBuffer9>& buffer, const Quad& quad) {
  if (!buffer) return false;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, sizeof(Quad), &data, 0))) return false;
  std::memcpy(data, quad.data(), sizeof(Quad));
  buffer->Unlock();
  return true;
}

// ---- frames ----

void CLumaraPresenter::PresentSample(IMediaSample* sample) {
  if (!trayIconAdded_.exchange(true)) AddTrayIcon();
  std::lock_guard guard(lock_);
  if (!device_) {
    // No device (creation failed, or a recovery failed): try again with the saved format.
    if (format_) SetFormat(*format_);
    return;
  }
  const HRESULT level = device_->TestCooperativeLevel();
  if (level == D3DERR_DEVICELOST) {
    ++framesLostDevice_;
    ::Sleep(50);
    return;
  }
  if (FAILED(level)) {
    ++framesLostDevice_;
    SetFormat(*format_);
    return;
  }
  if (uploadEnabled_) {
    BYTE* data = nullptr;
    // A sample shorter than its format says is not read past its end: the picture before stays.
    if (SUCCEEDED(sample->GetPointer(&data)))
      upload_.Upload(data, static_cast<size_t>(std::max<long>(sample->GetActualDataLength(), 0)));
  }
  RenderFrame(badgeVisible_);
  Present();
}

void CLumaraPresenter::Present() {
  RECT source = sourceRect_;
  RECT destination = destinationRect_;
  const bool useSource = haveDestination_ && source.right > source.left && source.bottom > source.top;
  const bool useDestination = windowless_ && haveDestination_ && destination.right > destination.left &&
                              destination.bottom > destination.top;
  device_->Present(useSource ? &source : nullptr, useDestination ? &destination : nullptr, nullptr, nullptr);
}

void CLumaraPresenter::DrawPicture(const ComPtr<IDirect3DVertexBuffer9>& quad, bool enhanced) {
  IDirect3DTexture9* frame = upload_.texture();
  if (!effect_ || !quad || !frame) return;
  IDirect3DDevice9* device = device_.Get();
  Technique technique;
  if (upload_.shaderUnpack()) {
    effect_->SetTexture(EffectParameter::kYuy2Texture, frame);
    technique = enhanced ? Technique::kSimplestVS2Yuy2 : Technique::kYuy2ToRgb;
  } else {
    effect_->SetTexture(EffectParameter::kColorTexture, frame);
    technique = enhanced ? Technique::kSimplestVS2 : Technique::kFixed;
  }
  device->SetStreamSource(0, quad.Get(), 0, sizeof(QuadVertex));
  device->SetFVF(kQuadFvf);
  effect_->Draw(technique, [device] { return device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); });
}

void CLumaraPresenter::DrawTexturedQuad(IDirect3DBaseTexture9* texture, const Quad& quad, bool exact) {
  IDirect3DDevice9* device = device_.Get();
  // Pixel centres on texel centres: the quad moves by half a pixel of the target, as the
  // effect's vertex shader does for the picture.
  D3DVIEWPORT9 viewport{};
  device->GetViewport(&viewport);
  Quad shifted = quad;
  for (QuadVertex& v : shifted) {
    v.x -= 1.0f / float(std::max<DWORD>(viewport.Width, 1));
    v.y += 1.0f / float(std::max<DWORD>(viewport.Height, 1));
  }
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
  device->SetTexture(0, texture);
  const D3DTEXTUREFILTERTYPE filter = exact ? D3DTEXF_POINT : D3DTEXF_LINEAR;
  device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
  device->SetFVF(kQuadFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, shifted.data(), sizeof(QuadVertex));
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetTexture(0, nullptr);
}

void CLumaraPresenter::RenderFrame(bool withBadge) {
  IDirect3DDevice9* device = device_.Get();
  if (!device) return;
  ComPtr<IDirect3DSurface9> backBuffer;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device->SetRenderTarget(0, backBuffer.Get());
  device->Clear(0, nullptr, D3DCLEAR_TARGET, backgroundArgb_, 1.0f, 0);
  if (FAILED(device->BeginScene())) return;
  device->SetFVF(kQuadFvf);

  const bool blendOverlay = overlayActive_ && sceneSurface_ && overlayTexture_;
  if (blendOverlay) {
    device->SetRenderTarget(0, sceneSurface_.Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, backgroundArgb_, 1.0f, 0);
  }
  if (quadDirty_ && WriteQuad(fullQuad_, quads_.full)) quadDirty_ = false;

  Tuning tuning;
  {
    std::lock_guard tone(toneLock_);
    tuning = tuning_;
    if (effect_) {
      effect_->SetFloats(EffectParameter::kConstant, constant_.data(), 4);
      effect_->SetFloats(EffectParameter::kConstant2, constant2_.data(), 4);
    }
  }
  if (tuning.mirror) {
    DrawPicture(rightQuad_, true);
    DrawPicture(leftQuad_, false);
  } else {
    DrawPicture(fullQuad_, true);
  }

  if (blendOverlay) {
    device->SetRenderTarget(0, backBuffer.Get());
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    // The scene has no alpha of its own worth blending with: it is copied whole.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    DrawTexturedQuad(sceneTexture_.Get(), TopDownFullQuad(), true);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    const bool sameSize = overlayFormat_->width == format_->width && overlayFormat_->height == format_->height;
    DrawTexturedQuad(overlayTexture_.Get(), InitialQuads(overlayFormat_->topDown).full, sameSize);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }

  if (sprite_ && SUCCEEDED(sprite_->Begin(D3DXSPRITE_ALPHABLEND))) {
    if (withBadge && badgeTexture_) {
      D3DXMATRIX identity;
      D3DXMatrixIdentity(&identity);
      sprite_->SetTransform(&identity);
      const RECT source{0, 0, 128, 64};
      const D3DXVECTOR3 position(5, 0, 0);
      sprite_->Draw(badgeTexture_.Get(), &source, nullptr, &position, 0xFFFFFFFF);
    }
    if (alphaEnabled_ && alphaTexture_ && alphaSize_.cx > 0 && alphaSize_.cy > 0) {
      const float videoWidth = float(format_->width), videoHeight = float(format_->height);
      const VMR9NormalizedRect& d = alphaDestination_;
      D3DXMATRIX scale, move, transform;
      D3DXMatrixScaling(&scale, (d.right - d.left) * videoWidth / float(alphaSize_.cx),
                        (d.bottom - d.top) * videoHeight / float(alphaSize_.cy), 1.0f);
      D3DXMatrixTranslation(&move, d.left * videoWidth, d.top * videoHeight, 0.0f);
      D3DXMatrixMultiply(&transform, &scale, &move);
      sprite_->SetTransform(&transform);
      sprite_->Draw(alphaTexture_.Get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
    }
    sprite_->End();
  }
  device->EndScene();
}

// ---- overlay ----

void CLumaraPresenter::SetupOverlay(const AcceptedFormat& format) {
  std::lock_guard guard(lock_);
  overlayActive_ = true;
  overlayFormat_ = format;
  if (device_) CreateOverlayTexture();
}

void CLumaraPresenter::CreateOverlayTexture() {
  overlayTexture_.Reset();
  const UINT width = static_cast<UINT>(overlayFormat_->width), height = static_cast<UINT>(overlayFormat_->height);
  if (FAILED(device_->CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                    &overlayTexture_, nullptr)))
    return;
  D3DLOCKED_RECT locked{};
  if (FAILED(overlayTexture_->LockRect(0, &locked, nullptr, 0))) return;
  // Cleared to transparent black; a YUY2 overlay to its black (16, 128, 16, 128 a pair).
  const bool yuy2 = overlayFormat_->kind == InputKind::kYuy2;
  for (UINT y = 0; y < height; ++y) {
    uint8_t* row = static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
    for (UINT x = 0; x < width; ++x) {
      const uint8_t texel[4] = {uint8_t(yuy2 ? 16 : 0), uint8_t(yuy2 ? 128 : 0), uint8_t(yuy2 ? 16 : 0),
                                uint8_t(yuy2 ? 128 : 0)};
      std::memcpy(row + 4 * x, texel, 4);
    }
  }
  overlayTexture_->UnlockRect(0);
}

void CLumaraPresenter::CopyOverlay(IMediaSample* sample) {
  std::lock_guard guard(lock_);
  if (!device_ || FAILED(device_->TestCooperativeLevel()) || !overlayTexture_ || !overlayFormat_) return;
  const uint32_t stride = RowStride(overlayFormat_->width, overlayFormat_->bitCount);
  const size_t rows = size_t(overlayFormat_->height);
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || !data || size_t(sample->GetActualDataLength()) < stride * rows) return;
  D3DLOCKED_RECT locked{};
  if (FAILED(overlayTexture_->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD))) return;
  // The texture holds 4 bytes a texel: a row of the overlay never outgrows its pitch.
  CopyFrame(StreamingCopy64, static_cast<uint8_t*>(locked.pBits), locked.Pitch, data, stride, rows);
  overlayTexture_->UnlockRect(0);
}

// ---- tuning ----

Tuning CLumaraPresenter::tuning() {
  std::lock_guard tone(toneLock_);
  return tuning_;
}

void CLumaraPresenter::SetTuning(const Tuning& tuning) {
  {
    std::lock_guard tone(toneLock_);
    tuning_ = tuning;
  }
  UpdateTone(tuning.lowPoint, tuning.highPoint, tuning.noise, tuning.strength);
}

void CLumaraPresenter::UpdateTone(int lowPoint, int highPoint, double noise, double strength) {
  std::lock_guard tone(toneLock_);
  tuning_.lowPoint = lowPoint;
  tuning_.highPoint = highPoint;
  tuning_.noise = noise;
  tuning_.strength = strength;
  constant_ = ToneConstant(lowPoint, highPoint, static_cast<float>(noise));
  constant2_[0] = static_cast<float>(strength);
}

void CLumaraPresenter::ShowBackground() {
  std::lock_guard guard(lock_);
  if (!device_ || FAILED(device_->TestCooperativeLevel())) return;
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, backgroundArgb_, 1.0f, 0);
  Present();
}

void CLumaraPresenter::ShowBadge() {
  badgeVisible_ = true;
  // Timers belong to the window's thread.
  if (HWND window = window_.hwnd()) ::PostMessageW(window, kStartBadgeTimerMessage, 0, 0);
}

// ---- VMR-9 configuration ----

void CLumaraPresenter::SetWindowless(bool windowless) {
  windowless_ = windowless;
  HWND window = window_.hwnd();
  if (!windowless || !window) return;
  // A child of whatever the application gives; hidden until there is a clipping window.
  ::SetWindowLongW(window, GWL_STYLE, WS_CHILD);
  if (!clippingWindow_) ::ShowWindow(window, SW_HIDE);
}

void CLumaraPresenter::SetVideoClippingWindow(HWND clipping) {
  HWND window = window_.hwnd();
  if (HWND parent = ::GetParent(clipping)) ::SetParent(window, parent);
  const HWND before = clippingWindow_.exchange(clipping);
  // The device presents into the clipping window: a new one needs a new device.
  {
    std::lock_guard guard(lock_);
    if (before != clipping && device_ && format_) SetFormat(*format_);
  }
  // In windowless mode the pictures go to the clipping window; the video window only carries
  // the tray icon and the timers, so it stays out of sight.
  if (!windowless_) ::ShowWindow(window, SW_SHOWNORMAL);
}

void CLumaraPresenter::SetVideoPosition(const RECT* source, const RECT* destination) {
  HWND window = window_.hwnd();
  HWND clipping = clippingWindow_;
  POINT corner{0, 0};
  if (clipping) {
    RECT screen{};
    ::GetWindowRect(clipping, &screen);
    corner = {screen.left, screen.top};
    if (HWND parent = ::GetParent(clipping)) {
      ::ScreenToClient(parent, &corner);
      if (windowless_) ::ShowWindow(window, SW_HIDE);
    }
  }
  int width = 0, height = 0;
  {
    std::lock_guard guard(lock_);
    if (source) sourceRect_ = *source;
    if (destination) {
      destinationRect_ = *destination;
      haveDestination_ = true;
    }
    width = destinationRect_.right - destinationRect_.left;
    height = destinationRect_.bottom - destinationRect_.top;
  }
  if (windowless_) {
    ::SetWindowPos(window, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  } else {
    ::SetWindowPos(window, clipping && !::GetParent(clipping) ? HWND_TOPMOST : HWND_TOP, corner.x, corner.y, width,
                   height, SWP_SHOWWINDOW);
    ::BringWindowToTop(window);
    ::SetForegroundWindow(window);
  }
  RecomputeLetterbox();
}

void CLumaraPresenter::GetVideoPosition(RECT* source, RECT* destination) {
  std::lock_guard guard(lock_);
  if (source) {
    const SIZE video = NativeVideoSize();
    const bool set = sourceRect_.right > sourceRect_.left;
    *source = set ? sourceRect_ : RECT{0, 0, video.cx, video.cy};
  }
  if (destination) *destination = destinationRect_;
}

void CLumaraPresenter::SetAspectRatioMode(DWORD mode) {
  aspectMode_ = mode;
  RecomputeLetterbox();
}

void CLumaraPresenter::RecomputeLetterbox() {
  std::lock_guard guard(lock_);
  if (!format_) return;
  int width = destinationRect_.right - destinationRect_.left;
  int height = destinationRect_.bottom - destinationRect_.top;
  if (!haveDestination_) {
    RECT client{};
    ::GetClientRect(DeviceWindow(), &client);
    width = client.right;
    height = client.bottom;
  }
  const LetterboxResult result = ComputeLetterboxQuad(aspectMode_, format_->width, format_->height, width, height);
  if (!result.changed) return;
  ApplyBounds(quads_.full, result.bounds);
  quadDirty_ = true;
}

void CLumaraPresenter::SetBackgroundColor(COLORREF color) {
  background_ = color;
  backgroundArgb_ = OpaqueArgb(color);
}

void CLumaraPresenter::RepaintVideo(HWND window, HDC dc) {
  Debug(L"RepaintVideo!!\n");
  std::unique_lock guard(lock_, std::try_to_lock);
  if (guard.owns_lock() && device_ && uploadEnabled_ && SUCCEEDED(device_->TestCooperativeLevel())) {
    RenderFrame(badgeVisible_);
    Present();
    return;
  }
  RECT client{};
  ::GetClientRect(window, &client);
  HBRUSH brush = ::CreateSolidBrush(background_);
  ::FillRect(dc, &client, brush);
  ::DeleteObject(brush);
}

void CLumaraPresenter::SetAlphaBitmap(const VMR9AlphaBitmap& bitmap) {
  std::lock_guard guard(lock_);
  alphaEnabled_ = false;
  const BYTE alpha = static_cast<BYTE>(std::clamp(bitmap.fAlpha, 0.0f, 1.0f) * 255);
  if (bitmap.dwFlags & VMR9AlphaBitmap_hDC) {
    if (!bitmap.hdc) return;
    alphaTexture_.Reset();
    if (!device_) return;
    const LONG width = bitmap.rSrc.right - bitmap.rSrc.left, height = bitmap.rSrc.bottom - bitmap.rSrc.top;
    if (width <= 0 || height <= 0) return;
    if (FAILED(device_->CreateTexture(UINT(width), UINT(height), 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                                      D3DPOOL_DEFAULT, &alphaTexture_, nullptr)))
      return;
    D3DLOCKED_RECT locked{};
    if (FAILED(alphaTexture_->LockRect(0, &locked, nullptr, 0))) return;
    const COLORREF key = bitmap.clrSrcKey & 0x00FFFFFF;
    for (LONG y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch));
      for (LONG x = 0; x < width; ++x) {
        const COLORREF c = ::GetPixel(bitmap.hdc, bitmap.rSrc.left + x, bitmap.rSrc.top + y);
        const uint32_t a = c == key ? 0 : alpha;
        row[x] = a << 24 | uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
      }
    }
    alphaTexture_->UnlockRect(0);
    alphaSize_ = {width, height};
  } else if (bitmap.dwFlags & VMR9AlphaBitmap_EntireDDS) {
    if (!bitmap.pDDS) return;
    alphaTexture_.Reset();
    if (!device_) return;
    D3DSURFACE_DESC description{};
    if (FAILED(bitmap.pDDS->GetDesc(&description))) return;
    if (FAILED(device_->CreateTexture(description.Width, description.Height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                                      D3DPOOL_DEFAULT, &alphaTexture_, nullptr)))
      return;
    ComPtr<IDirect3DSurface9> level;
    alphaTexture_->GetSurfaceLevel(0, &level);
    if (FAILED(D3DXLoadSurfaceFromSurface(level.Get(), nullptr, nullptr, bitmap.pDDS, nullptr, nullptr,
                                          D3DX_DEFAULT, bitmap.clrSrcKey)))
      return;
    D3DLOCKED_RECT locked{};
    if (FAILED(alphaTexture_->LockRect(0, &locked, nullptr, 0))) return;
    for (UINT y = 0; y < description.Height; ++y) {
      auto* row = static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
      for (UINT x = 0; x < description.Width; ++x) row[4 * x + 3] = alpha;
    }
    alphaTexture_->UnlockRect(0);
    alphaSize_ = {LONG(description.Width), LONG(description.Height)};
  } else {
    return;
  }
  alphaDestination_ = bitmap.rDest;
  alphaEnabled_ = true;
}

void CLumaraPresenter::UpdateAlphaBitmapParameters(const VMR9AlphaBitmap* bitmap) {
  std::lock_guard guard(lock_);
  if (!bitmap || bitmap->fAlpha == 0) alphaEnabled_ = false;
}

SIZE CLumaraPresenter::NativeVideoSize() {
  std::lock_guard guard(lock_);
  return format_ ? SIZE{format_->width, format_->height} : SIZE{0, 0};
}

// ---- pictures ----

bool CLumaraPresenter::ReadBackBuffer(ComPtr<IDirect3DSurface9>& copy, D3DSURFACE_DESC& description) {
  if (!device_ || FAILED(device_->TestCooperativeLevel())) return false;
  RenderFrame(false);
  ComPtr<IDirect3DSurface9> target;
  if (FAILED(device_->GetRenderTarget(0, &target)) || FAILED(target->GetDesc(&description))) return false;
  if (FAILED(device_->CreateOffscreenPlainSurface(description.Width, description.Height, description.Format,
                                                  D3DPOOL_SYSTEMMEM, &copy, nullptr)))
    return false;
  return SUCCEEDED(device_->GetRenderTargetData(target.Get(), copy.Get()));
}

bool CLumaraPresenter::CurrentImage(std::vector<uint8_t>& dib) {
  std::lock_guard guard(lock_);
  ComPtr<IDirect3DSurface9> copy;
  D3DSURFACE_DESC description{};
  if (!ReadBackBuffer(copy, description)) return false;
  if (description.Format != D3DFMT_X8R8G8B8 && description.Format != D3DFMT_A8R8G8B8) return false;
  D3DLOCKED_RECT locked{};
  if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return false;
  const size_t rowBytes = size_t(description.Width) * 4;
  dib.assign(sizeof(BITMAPINFOHEADER) + rowBytes * description.Height, 0);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = LONG(description.Width);
  header.biHeight = LONG(description.Height);  // bottom-up, as DIBs are
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(rowBytes * description.Height);
  std::memcpy(dib.data(), &header, sizeof(header));
  for (UINT y = 0; y < description.Height; ++y) {
    const uint8_t* from = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
    std::memcpy(dib.data() + sizeof(header) + size_t(description.Height - 1 - y) * rowBytes, from, rowBytes);
  }
  copy->UnlockRect();
  return true;
}

bool CLumaraPresenter::CaptureFrame(const std::wstring& path) {
  std::lock_guard guard(lock_);
  // The capture shows the picture, not the badge, and ends the badge's time.
  badgeVisible_ = false;
  ComPtr<IDirect3DSurface9> copy;
  D3DSURFACE_DESC description{};
  if (!ReadBackBuffer(copy, description)) return false;
  return SUCCEEDED(D3DXSaveSurfaceToFileW(path.c_str(), D3DXIFF_PNG, copy.Get(), nullptr, nullptr));
}

// ---- the video window ----

void CLumaraPresenter::AddTrayIcon() {
  if (HWND window = window_.hwnd()) ::PostMessageW(window, kAddTrayIconMessage, 0, 0);
}

void CLumaraPresenter::CloseTrayDialog() { renderer::CloseTrayDialog(*this); }

bool CLumaraPresenter::HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           LRESULT* result) {
  if (trayIcon_.HandleMessage(message)) {
    *result = 0;
    return true;
  }
  if ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)) {
    // The application's clipping window sees the mouse as if the video were part of it.
    if (HWND clipping = clippingWindow_) ::PostMessageW(clipping, message, wParam, lParam);
    return false;
  }
  switch (message) {
    case WM_ERASEBKGND: {
      // Never waits for a frame in progress: that frame paints the window anyway.
      std::unique_lock guard(lock_, std::try_to_lock);
      if (guard.owns_lock() && device_ && uploadEnabled_ && SUCCEEDED(device_->TestCooperativeLevel()) &&
          DeviceWindow() == window) {
        RenderFrame(false);
        Present();
      } else {
        RECT client{};
        ::GetClientRect(window, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
      }
      *result = 1;
      return true;
    }
    case WM_TIMER:
      if (wParam != kBadgeTimer) return false;
      badgeVisible_ = false;
      ::KillTimer(window, kBadgeTimer);
      *result = 0;
      return true;
    case kStartBadgeTimerMessage:
      ::SetTimer(window, kBadgeTimer, kBadgeMilliseconds, nullptr);
      *result = 0;
      return true;
    case kAddTrayIconMessage:
      trayIcon_.Add(window, IDI_RENDERER, trayIconImage_, {kTrayTooltip, kTrayTitle, kTrayText});
      *result = 0;
      return true;
    case WM_POWERBROADCAST:
      *result = BROADCAST_QUERY_DENY;
      return true;
    case win32::kTrayCallbackMessage:
      OnTrayNotification(*this, window, static_cast<UINT>(lParam));
      *result = 0;
      return true;
    default:
      return false;
  }
}

// ---- diagnostics ----

PresenterSnapshot CLumaraPresenter::Snapshot() {
  PresenterSnapshot s;
  {
    std::lock_guard guard(lock_);
    s.device = device_ != nullptr;
    s.effectFromFile = effectFromFile_;
    s.nativeYuy2 = upload_.nativeYuy2();
    s.shaderUnpack = upload_.shaderUnpack();
    s.overlayActive = overlayActive_;
    s.alphaBitmapEnabled = alphaEnabled_;
    if (format_) {
      s.width = format_->width;
      s.height = format_->height;
      s.bitCount = format_->bitCount;
    }
    s.fullQuad = quads_.full;
    s.devicesCreated = devicesCreated_;
  }
  s.uploadEnabled = uploadEnabled_;
  s.badgeVisible = badgeVisible_;
  s.windowless = windowless_;
  s.framesLostDevice = framesLostDevice_;
  s.installPath = installPath_;
  std::lock_guard tone(toneLock_);
  s.constant = constant_;
  s.constant2 = constant2_;
  s.tuning = tuning_;
  return s;
}

bool CLumaraPresenter::SimulateDeviceLoss() {
  std::lock_guard guard(lock_);
  if (!device_) return false;
  // A Reset while D3DPOOL_DEFAULT resources live fails and leaves the device waiting for a
  // proper reset, as after a display change.
  D3DPRESENT_PARAMETERS parameters{};
  parameters.Windowed = TRUE;
  parameters.SwapEffect = D3DSWAPEFFECT_COPY;
  parameters.BackBufferFormat = adapterFormat_;
  parameters.hDeviceWindow = DeviceWindow();
  device_->Reset(&parameters);
  return device_->TestCooperativeLevel() != D3D_OK;
}

}  // namespace tl::renderer
