#include "preview_player/win32/allocator.h"

#include "common/win32/module_path.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace tl::preview {
namespace {

constexpr D3DFORMAT kFourCcThreshold = static_cast<D3DFORMAT>(MAKEFOURCC('0', '0', '0', '0'));

// A hidden window with the client size of `like`, to carry a device.
HWND CreateHiddenDeviceWindow(HWND like) {
  static const ATOM atom = [] {
    WNDCLASSW type{};
    type.lpfnWndProc = ::DefWindowProcW;
    type.hInstance = win32::CurrentModule();
    type.lpszClassName = L"eLumaraPreviewDevice";
    return ::RegisterClassW(&type);
  }();
  RECT client{};
  if (!atom || !::GetClientRect(like, &client)) return nullptr;
  return ::CreateWindowExW(WS_EX_TOOLWINDOW, L"eLumaraPreviewDevice", nullptr, WS_POPUP, 0, 0,
                           std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1), nullptr, nullptr,
                           win32::CurrentModule(), nullptr);
}

// The wall clock and the thread's processor time at one moment, for the cost figures.
struct Clock {
  LARGE_INTEGER wall{};
  ULONGLONG cpu = 0;  // 100 ns units
  static Clock Now() {
    Clock c;
    ::QueryPerformanceCounter(&c.wall);
    FILETIME created, exited, kernel, user;
    if (::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) {
      c.cpu = (static_cast<ULONGLONG>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime) +
              (static_cast<ULONGLONG>(user.dwHighDateTime) << 32 | user.dwLowDateTime);
    }
    return c;
  }
  void AddElapsed(CAllocator::PresentCost& cost) const {
    const Clock end = Now();
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    cost.wallMs += 1000.0 * static_cast<double>(end.wall.QuadPart - wall.QuadPart) / static_cast<double>(frequency.QuadPart);
    cost.threadCpuMs += static_cast<double>(end.cpu - cpu) / 10000.0;
  }
};

}  // namespace

CAllocator::PresentCost CAllocator::presentCost() {
  std::lock_guard lock(lock_);
  return cost_;
}

CAllocator::CAllocator(HWND mainWindow, HWND deviceWindow, bool privateDeviceWindow)
    : mainWindow_(mainWindow), deviceWindow_(deviceWindow) {
  std::lock_guard lock(lock_);
  if (!::IsWindow(deviceWindow_)) return;
  if (privateDeviceWindow) {
    privateWindow_.reset(CreateHiddenDeviceWindow(deviceWindow_));
    if (privateWindow_) deviceWindow_ = privateWindow_.get();
  }
  d3d_ = win32::AdoptComPtr(::Direct3DCreate9(D3D_SDK_VERSION));
  const HRESULT hr = d3d_ ? CreateDevice() : E_FAIL;
  ::OutputDebugStringA(SUCCEEDED(hr) ? "SUCCEEDED" : "FAILED");
  if (device_) {
    ::OutputDebugStringA("XXXXXXXXXX");
    device_->GetRenderTarget(0, &savedRenderTarget_);
  } else {
    ::OutputDebugStringA("m_D3DDev = NULL");
  }
}

CAllocator::~CAllocator() {
  DeleteSurfaces();
  // The scene's resources go before the device they were made on.
  scene_.reset();
  lastFrame_.Reset();
  savedRenderTarget_.Reset();
  surfaces_.clear();
  notify_.Reset();
  device_.Reset();
  d3d_.Reset();
}

STDMETHODIMP CAllocator::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IVMRSurfaceAllocator9) {
    *out = static_cast<IVMRSurfaceAllocator9*>(this);
  } else if (iid == IID_IVMRImagePresenter9) {
    *out = static_cast<IVMRImagePresenter9*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CAllocator::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) CAllocator::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HMONITOR CAllocator::Monitor() { return d3d_ ? d3d_->GetAdapterMonitor(D3DADAPTER_DEFAULT) : nullptr; }

HRESULT CAllocator::CreateDevice() {
  // Whatever the scene made on the previous device goes with it.
  if (scene_) scene_->ReleaseDeviceHook();
  lastFrame_.Reset();
  device_.Reset();
  D3DDISPLAYMODE mode{};
  HRESULT hr = d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  if (FAILED(hr)) return hr;
  D3DPRESENT_PARAMETERS parameters{};
  parameters.Windowed = TRUE;
  parameters.hDeviceWindow = deviceWindow_;
  parameters.SwapEffect = D3DSWAPEFFECT_COPY;
  parameters.BackBufferFormat = mode.Format;
  parameters.Flags = D3DPRESENTFLAG_VIDEO;
  hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, deviceWindow_,
                          D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &parameters, &device_);
  savedRenderTarget_.Reset();
  if (SUCCEEDED(hr) && device_) device_->GetRenderTarget(0, &savedRenderTarget_);
  return hr;
}

void CAllocator::DeleteSurfaces() {
  std::lock_guard lock(lock_);
  privateTexture_.Reset();
  bridge_.Reset();
  lastFrame_.Reset();
  for (auto& surface : surfaces_) surface.Reset();
}

STDMETHODIMP CAllocator::InitializeDevice(DWORD_PTR, VMR9AllocationInfo* info, DWORD* buffers) {
  if (!buffers || !info) return E_POINTER;
  std::lock_guard lock(lock_);
  if (!notify_ || !device_ || !scene_) return E_FAIL;
  info->dwFlags |= VMR9AllocFlag_TextureSurface;
  DeleteSurfaces();
  std::vector<IDirect3DSurface9*> allocated(*buffers, nullptr);
  HRESULT hr = notify_->AllocateSurfaceHelper(info, buffers, allocated.data());
  const bool fourCc = info->Format > kFourCcThreshold;
  const D3DFORMAT textureFormat = fourCc ? D3DFMT_X8R8G8B8 : info->Format;
  float extentU = 1.0f, extentV = 1.0f;
  if (FAILED(hr) && !(info->dwFlags & VMR9AllocFlag_3DRenderTarget)) {
    // Surfaces that cannot be textures (YUV): frames are copied into a private texture, which
    // converts them, from plain off-screen surfaces asked for again.
    if (fourCc) {
      device_->CreateTexture(info->dwWidth, info->dwHeight, 1, D3DUSAGE_RENDERTARGET, textureFormat, D3DPOOL_DEFAULT,
                             &privateTexture_, nullptr);
    }
    info->dwFlags = (info->dwFlags & ~VMR9AllocFlag_TextureSurface) | VMR9AllocFlag_OffscreenSurface;
    allocated.assign(*buffers, nullptr);
    hr = notify_->AllocateSurfaceHelper(info, buffers, allocated.data());
  } else if (SUCCEEDED(hr) && !allocated.empty() && allocated[0]) {
    // A texture larger than the video (rounded up by the device): draw only the video's part.
    ComPtr<IDirect3DTexture9> texture;
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(allocated[0]->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(texture.GetAddressOf()))) &&
        SUCCEEDED(texture->GetLevelDesc(0, &desc)) && desc.Width && desc.Height) {
      extentU = static_cast<float>(info->dwWidth) / static_cast<float>(desc.Width);
      extentV = static_cast<float>(info->dwHeight) / static_cast<float>(desc.Height);
    }
  }
  surfaces_.clear();
  for (DWORD i = 0; i < allocated.size() && i < *buffers; ++i) surfaces_.push_back(win32::AdoptComPtr(allocated[i]));
  if (FAILED(hr)) {
    privateTexture_.Reset();
    return hr;
  }
  scene_->SetSourceExtent(extentU, extentV);
  allocated_ = {static_cast<UINT>(info->dwWidth), static_cast<UINT>(info->dwHeight), textureFormat, fourCc};
  return scene_->Init(device_.Get(), static_cast<int>(info->dwWidth), static_cast<int>(info->dwHeight), textureFormat);
}

STDMETHODIMP CAllocator::TerminateDevice(DWORD_PTR) {
  DeleteSurfaces();
  return S_OK;
}

STDMETHODIMP CAllocator::GetSurface(DWORD_PTR, DWORD index, DWORD, IDirect3DSurface9** surface) {
  if (!surface) return E_POINTER;
  std::lock_guard lock(lock_);
  if (index >= surfaces_.size() || !surfaces_[index]) return E_FAIL;
  frameMark_ = true;
  *surface = surfaces_[index].Get();
  (*surface)->AddRef();
  return S_OK;
}

STDMETHODIMP CAllocator::AdviseNotify(IVMRSurfaceAllocatorNotify9* notify) {
  std::lock_guard lock(lock_);
  notify_ = notify;
  if (notify_ && device_) return notify_->SetD3DDevice(device_.Get(), Monitor());
  return S_OK;
}

STDMETHODIMP CAllocator::StartPresenting(DWORD_PTR) {
  std::lock_guard lock(lock_);
  return device_ ? S_OK : E_FAIL;
}

STDMETHODIMP CAllocator::StopPresenting(DWORD_PTR) { return S_OK; }

STDMETHODIMP CAllocator::PresentImage(DWORD_PTR, VMR9PresentationInfo* info) {
  std::lock_guard lock(lock_);
  const Clock start = Clock::Now();
  HRESULT hr = PresentHelper(info);
  start.AddElapsed(cost_);
  if (hr != D3DERR_DEVICELOST) return hr;
  // A lost device: once it can be reset, a new one takes its place and the renderer asks for
  // its surfaces again. Until then frames are dropped as presented, so they keep coming.
  if (device_ && device_->TestCooperativeLevel() == D3DERR_DEVICENOTRESET) {
    DeleteSurfaces();
    hr = CreateDevice();
    if (FAILED(hr)) return hr;
    hr = notify_ ? notify_->ChangeD3DDevice(device_.Get(), Monitor()) : S_OK;
    // A renderer that keeps its surfaces of the old device (Wine's does) asks for nothing:
    // the scene is built on the new device here, and frames are bridged over (PresentHelper).
    if (SUCCEEDED(hr) && scene_ && !scene_->initialised() && allocated_.width > 0) {
      if (allocated_.fourCc) {
        device_->CreateTexture(allocated_.width, allocated_.height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                               D3DPOOL_DEFAULT, &privateTexture_, nullptr);
      }
      hr = scene_->Init(device_.Get(), allocated_.width, allocated_.height, allocated_.textureFormat);
    }
    return hr;
  }
  return S_OK;
}

HRESULT CAllocator::BridgeToDevice(IDirect3DSurface9* foreign, ComPtr<IDirect3DSurface9>& local) {
  D3DSURFACE_DESC desc{};
  HRESULT hr = foreign->GetDesc(&desc);
  if (FAILED(hr)) return hr;
  D3DSURFACE_DESC have{};
  if (!bridge_ || FAILED(bridge_->GetDesc(&have)) || have.Width != desc.Width || have.Height != desc.Height ||
      have.Format != desc.Format) {
    bridge_.Reset();
    if (desc.Format > kFourCcThreshold) {
      hr = device_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_DEFAULT, &bridge_, nullptr);
    } else {
      ComPtr<IDirect3DTexture9> texture;
      hr = device_->CreateTexture(desc.Width, desc.Height, 1, D3DUSAGE_DYNAMIC, desc.Format, D3DPOOL_DEFAULT, &texture, nullptr);
      if (SUCCEEDED(hr)) hr = texture->GetSurfaceLevel(0, &bridge_);
    }
    if (FAILED(hr)) return hr;
  }
  D3DLOCKED_RECT from{}, to{};
  if (FAILED(hr = foreign->LockRect(&from, nullptr, D3DLOCK_READONLY))) return hr;
  hr = bridge_->LockRect(&to, nullptr, D3DLOCK_DISCARD);
  if (SUCCEEDED(hr)) {
    // Rows of the wider format's bytes: the pitch of either side may hold padding.
    const UINT rowBytes = static_cast<UINT>(std::min(from.Pitch, to.Pitch));
    for (UINT y = 0; y < desc.Height; ++y) {
      std::memcpy(static_cast<BYTE*>(to.pBits) + static_cast<size_t>(y) * to.Pitch,
                  static_cast<const BYTE*>(from.pBits) + static_cast<size_t>(y) * from.Pitch, rowBytes);
    }
    bridge_->UnlockRect();
  }
  foreign->UnlockRect();
  if (SUCCEEDED(hr)) local = bridge_;
  return hr;
}

HRESULT CAllocator::PresentHelper(VMR9PresentationInfo* info) {
  if (!info || !info->lpSurf) return E_POINTER;
  if (!device_ || !scene_) return E_UNEXPECTED;
  // A device that is lost draws nothing (and must not, until it is back).
  const HRESULT cooperative = device_->TestCooperativeLevel();
  if (FAILED(cooperative)) return D3DERR_DEVICELOST;
  // A surface of an earlier device (kept by the renderer after a device change) is copied over.
  ComPtr<IDirect3DSurface9> surface = info->lpSurf;
  ComPtr<IDirect3DDevice9> owner;
  if (SUCCEEDED(surface->GetDevice(&owner)) && owner.Get() != device_.Get()) {
    const HRESULT hr = BridgeToDevice(info->lpSurf, surface);
    if (FAILED(hr)) return hr;
  }
  ComPtr<IDirect3DTexture9> frame;
  if (privateTexture_) {
    ComPtr<IDirect3DSurface9> target;
    HRESULT hr = privateTexture_->GetSurfaceLevel(0, &target);
    if (SUCCEEDED(hr)) hr = device_->StretchRect(surface.Get(), nullptr, target.Get(), nullptr, D3DTEXF_NONE);
    if (FAILED(hr)) return hr;
    frame = privateTexture_;
  } else {
    const HRESULT hr = surface->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(frame.GetAddressOf()));
    if (FAILED(hr)) return hr;
  }
  lastFrame_ = frame;
  frameMark_ = true;
  ++framesPresented_;
  return DrawAndPresent(frame.Get());
}

HRESULT CAllocator::DrawAndPresent(IDirect3DTexture9* frame) {
  if (savedRenderTarget_) device_->SetRenderTarget(0, savedRenderTarget_.Get());
  const HRESULT hr = scene_->Render(device_.Get(), frame);
  if (FAILED(hr)) return hr;
  return Present();
}

HRESULT CAllocator::Present() {
  if (scene_->presentCallback) return scene_->presentCallback(device_.Get(), scene_.get());
  // A hidden window of our own shows nothing to anyone, and under Wine a present into it takes
  // seconds: only the preview window gets plain presents.
  if (privateWindow_) return S_OK;
  return device_->Present(nullptr, nullptr, nullptr, nullptr);
}

void CAllocator::SetScene(std::unique_ptr<CPlaneScene> scene) {
  std::lock_guard lock(lock_);
  scene_ = std::move(scene);
}

bool CAllocator::TakeFrameMark() {
  std::lock_guard lock(lock_);
  return std::exchange(frameMark_, false);
}

HRESULT CAllocator::RedrawLastFrame() {
  std::lock_guard lock(lock_);
  if (!device_ || !scene_ || !lastFrame_) return S_FALSE;
  if (FAILED(device_->TestCooperativeLevel())) return S_FALSE;
  return DrawAndPresent(lastFrame_.Get());
}

HRESULT CAllocator::PresentAgain() {
  std::lock_guard lock(lock_);
  if (!device_ || !scene_ || !lastFrame_) return S_FALSE;
  if (FAILED(device_->TestCooperativeLevel())) return S_FALSE;
  return Present();
}

ComPtr<IDirect3DDevice9> CAllocator::device() {
  std::lock_guard lock(lock_);
  return device_;
}

bool CAllocator::usesPrivateTexture() {
  std::lock_guard lock(lock_);
  return static_cast<bool>(privateTexture_);
}

}  // namespace tl::preview
