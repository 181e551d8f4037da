// Showing rectangles of the back buffer in windows. Direct3D presents into the windows on
// Windows; under Wine 8 what Direct3D presents into a child window never reaches the screen, so
// there the back buffer is read back and drawn into each window with GDI.
#pragma once

#include <d3d9.h>

#include <span>

#include "common/win32/com.h"
#include "preview_player/core/scene_layout.h"

namespace tl::preview {

enum class PresentRoute { kDirect3D, kGdi };

// kGdi under Wine, kDirect3D elsewhere.
PresentRoute DefaultPresentRoute();

struct PresentTarget {
  HWND window;
  Rect source;  // of the back buffer; stretched over the window's client area
};

class WindowPresenter {
 public:
  HRESULT Show(IDirect3DDevice9* device, PresentRoute route, std::span<const PresentTarget> targets);
  // Drops the read-back copy (it belongs to a device that is going away).
  void Reset() { readback_.Reset(); }

 private:
  HRESULT ShowWithGdi(IDirect3DDevice9* device, std::span<const PresentTarget> targets);
  win32::ComPtr<IDirect3DSurface9> readback_;
};

}  // namespace tl::preview
