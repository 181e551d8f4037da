// CAllocator: the allocator-presenter that the Video Mixing Renderer 9 hands every frame to, in
// renderless mode. It owns the Direct3D device and the scene, and draws each presented frame
// through the scene.
#pragma once

#include <d3d9.h>

#include "common/dshow/win32/dshow.h"

#include <vmr9.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "common/win32/com.h"
#include "common/win32/handles.h"
#include "preview_player/win32/scene.h"

namespace tl::preview {

using win32::ComPtr;

// The user id the player advises the allocator with.
inline constexpr DWORD_PTR kAllocatorUserId = 0xACDCACDC;

class CAllocator final : public IVMRSurfaceAllocator9, public IVMRImagePresenter9 {
 public:
  // Creates the Direct3D object and a device for `deviceWindow` (whose client area is the back
  // buffer). With `privateDeviceWindow` the device gets a hidden window of its own of that size
  // instead: under Wine a device window shows the device's (never presented) surface over
  // anything GDI draws into it. Reference count 1.
  CAllocator(HWND mainWindow, HWND deviceWindow, bool privateDeviceWindow = false);
  CAllocator(const CAllocator&) = delete;
  CAllocator& operator=(const CAllocator&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IVMRSurfaceAllocator9
  STDMETHODIMP InitializeDevice(DWORD_PTR userId, VMR9AllocationInfo* info, DWORD* buffers) override;
  STDMETHODIMP TerminateDevice(DWORD_PTR userId) override;
  STDMETHODIMP GetSurface(DWORD_PTR userId, DWORD index, DWORD flags, IDirect3DSurface9** surface) override;
  STDMETHODIMP AdviseNotify(IVMRSurfaceAllocatorNotify9* notify) override;
  // IVMRImagePresenter9
  STDMETHODIMP StartPresenting(DWORD_PTR userId) override;
  STDMETHODIMP StopPresenting(DWORD_PTR userId) override;
  STDMETHODIMP PresentImage(DWORD_PTR userId, VMR9PresentationInfo* info) override;

  // The allocator owns the scene from now on.
  void SetScene(std::unique_ptr<CPlaneScene> scene);
  CPlaneScene* scene() { return scene_.get(); }

  // True when a surface was handed out or a frame presented since the last call.
  bool TakeFrameMark();
  // Draws the last frame again with the scene's current parameters and presents it.
  HRESULT RedrawLastFrame();
  // Presents the last back buffer again.
  HRESULT PresentAgain();

  // For tests and diagnostics.
  ComPtr<IDirect3DDevice9> device();
  bool usesPrivateTexture();
  long framesPresented() const { return framesPresented_.load(); }
  // Time spent in PresentImage so far: wall clock and the calling thread's processor time.
  struct PresentCost {
    double wallMs = 0;
    double threadCpuMs = 0;
  };
  PresentCost presentCost();

 private:
  ~CAllocator();
  HRESULT CreateDevice();
  void DeleteSurfaces();
  HRESULT PresentHelper(VMR9PresentationInfo* info);
  // Copies a surface of another device into `local`, a surface of this one.
  HRESULT BridgeToDevice(IDirect3DSurface9* foreign, ComPtr<IDirect3DSurface9>& local);
  HRESULT DrawAndPresent(IDirect3DTexture9* frame);
  HRESULT Present();
  HMONITOR Monitor();

  std::atomic<ULONG> references_{1};
  std::recursive_mutex lock_;
  HWND mainWindow_;
  HWND deviceWindow_;
  win32::UniqueWindow privateWindow_;
  ComPtr<IDirect3D9> d3d_;
  ComPtr<IDirect3DDevice9> device_;
  ComPtr<IVMRSurfaceAllocatorNotify9> notify_;
  std::vector<ComPtr<IDirect3DSurface9>> surfaces_;
  ComPtr<IDirect3DSurface9> savedRenderTarget_;
  ComPtr<IDirect3DTexture9> privateTexture_;
  ComPtr<IDirect3DTexture9> lastFrame_;
  ComPtr<IDirect3DSurface9> bridge_;
  // What the renderer's surfaces were made for, to rebuild the scene on a new device.
  struct Allocation {
    UINT width = 0, height = 0;
    D3DFORMAT textureFormat = D3DFMT_UNKNOWN;
    bool fourCc = false;
  } allocated_;
  std::unique_ptr<CPlaneScene> scene_;
  bool frameMark_ = false;
  std::atomic<long> framesPresented_{0};
  PresentCost cost_;
};

}  // namespace tl::preview
