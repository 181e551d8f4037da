// A private interface of the renderer for the suite's own tests and support tools: what the
// presenter holds, and a way to put its device into the lost state. Plain data only: the
// caller is another module with its own runtime.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstdint>

#include "renderer_filter/core/quad_geometry.h"

namespace tl::renderer {

struct RendererDiagnostics {
  uint32_t size;  // sizeof(RendererDiagnostics), set by the caller
  int32_t device, effectFromFile, nativeYuy2, shaderUnpack, uploadEnabled, badgeVisible, overlayActive,
      alphaBitmapEnabled, windowless;
  int32_t width, height, bitCount;
  float constant[4];   // g_Constant
  float constant2[4];  // g_Constant2
  QuadVertex fullQuad[4];
  int32_t lowPoint, highPoint;
  double noise, strength;
  int32_t mirror, colorTone, movie;
  int32_t devicesCreated, framesLostDevice;
  HWND videoWindow;
  HWND trayDialog;
  wchar_t installPath[260];
};

// {5B0E7C21-9A43-4D6E-8F15-2C7A9E3D4B60}
inline constexpr IID IID_IRendererDiagnostics = {
    0x5b0e7c21, 0x9a43, 0x4d6e, {0x8f, 0x15, 0x2c, 0x7a, 0x9e, 0x3d, 0x4b, 0x60}};

struct IRendererDiagnostics : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetDiagnostics(RendererDiagnostics* out) = 0;
  virtual HRESULT STDMETHODCALLTYPE SimulateDeviceLoss() = 0;
};

}  // namespace tl::renderer
