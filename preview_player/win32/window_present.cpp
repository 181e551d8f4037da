#include "preview_player/win32/window_present.h"

#include "common/win32/gdi.h"
#include "common/win32/handles.h"

namespace tl::preview {

PresentRoute DefaultPresentRoute() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") ? PresentRoute::kGdi : PresentRoute::kDirect3D;
}

HRESULT WindowPresenter::Show(IDirect3DDevice9* device, PresentRoute route, std::span<const PresentTarget> targets) {
  if (!device) return E_POINTER;
  if (route == PresentRoute::kGdi) {
    const HRESULT hr = ShowWithGdi(device, targets);
    if (hr != E_NOTIMPL) return hr;  // a back buffer GDI cannot take goes through Direct3D
  }
  HRESULT result = S_OK;
  for (const PresentTarget& t : targets) {
    const RECT source{t.source.left, t.source.top, t.source.right, t.source.bottom};
    const HRESULT hr = device->Present(&source, nullptr, t.window, nullptr);
    if (FAILED(hr)) result = hr;
  }
  return result;
}

HRESULT WindowPresenter::ShowWithGdi(IDirect3DDevice9* device, std::span<const PresentTarget> targets) {
  win32::ComPtr<IDirect3DSurface9> backBuffer;
  D3DSURFACE_DESC desc{};
  HRESULT hr = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  if (FAILED(hr) || FAILED(hr = backBuffer->GetDesc(&desc))) return hr;
  if (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8) return E_NOTIMPL;
  D3DSURFACE_DESC have{};
  if (readback_ && (FAILED(readback_->GetDesc(&have)) || have.Width != desc.Width || have.Height != desc.Height ||
                    have.Format != desc.Format)) {
    readback_.Reset();
  }
  if (!readback_) {
    hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &readback_, nullptr);
    if (FAILED(hr)) return hr;
  }
  hr = device->GetRenderTargetData(backBuffer.Get(), readback_.Get());
  if (FAILED(hr)) {
    readback_.Reset();  // perhaps made on an earlier device; made again next time
    return hr;
  }
  D3DLOCKED_RECT locked{};
  hr = readback_->LockRect(&locked, nullptr, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  const BITMAPINFO info = win32::TopDown32BitInfo(locked.Pitch / 4, static_cast<int>(desc.Height));
  for (const PresentTarget& t : targets) {
    RECT client{};
    if (!::GetClientRect(t.window, &client) || client.right <= 0 || client.bottom <= 0) continue;
    win32::WindowDc dc(t.window);
    if (!dc) continue;
    ::SetStretchBltMode(dc.get(), COLORONCOLOR);
    ::StretchDIBits(dc.get(), 0, 0, client.right, client.bottom, t.source.left, t.source.top,
                    t.source.right - t.source.left, t.source.bottom - t.source.top, locked.pBits, &info, DIB_RGB_COLORS,
                    SRCCOPY);
  }
  readback_->UnlockRect();
  ::GdiFlush();
  return S_OK;
}

}  // namespace tl::preview
