// Support for the preview player's Windows-side tests and benchmark: the windows the control
// panel hands to the player, a message pump that answers graph events, the frames of the test
// media, and the references the halves are compared with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/win32/handles.h"
#include "preview_player/win32/player_api.h"
#include "renderer_filter/core/tone_effect.h"
#include "renderer_filter/tests/pixel_compare.h"
#include "skin/core/bmp.h"

namespace tl::preview::testing {

// A main window with the children the control panel gives the player: the device window (the
// back buffer's size, hidden), and the normal and applied halves, placed one over the other at
// the main window's origin (the virtual screen is too small for two real-size halves side by
// side, so the tests show one at a time).
class PreviewWindows {
 public:
  PreviewWindows(int backBufferWidth, int backBufferHeight, int halfWidth, int halfHeight);
  HWND main() const { return main_.get(); }
  HWND device() const { return device_.get(); }
  HWND normal() const { return normal_.get(); }
  HWND applied() const { return applied_.get(); }
  // Shows one child (hiding the other two) and lets it reach the screen.
  void ShowOnly(HWND child);
  // Called for every graph-event message the main window receives.
  std::function<void()> onGraphEvent;

 private:
  static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  win32::UniqueWindow main_, device_, normal_, applied_;
};

// Runs the thread's messages for `ms` milliseconds.
void Pump(DWORD ms);

// The pixels of a window as the screen shows them, or as its own surface holds them (quicker;
// what GDI drew, before Wine hands it to the X server).
skin::Pixels Screen(HWND window);

// Largest channel difference of `got` against `want(x, y)` over the pixels `include` accepts,
// and how many differ at all.
using renderer::testing::Difference;
Difference Compare(const skin::Pixels& got, const std::function<renderer::Pixel(int, int)>& want,
                   const std::function<bool(int, int)>& include = nullptr);

// The test media folder and the frames of an uncompressed test movie (0x00RRGGBB, from the top).
std::wstring MediaDir();
std::vector<skin::Pixels> AviFrames(const std::wstring& path);
// The YUY2 frames of a test movie as packed bytes, and their size.
std::vector<std::vector<std::uint8_t>> Yuy2Frames(const std::wstring& path, int* width, int* height);
// What StretchRect makes of a YUY2 pixel under Wine (measured: full-range BT.601 around 127.5,
// rounded): R = Y + 1.403 (V - 127.5), G = Y - 0.344 (U - 127.5) - 0.714 (V - 127.5),
// B = Y + 1.770 (U - 127.5).
renderer::Pixel WineYuy2ToRgb(std::uint8_t y, std::uint8_t u, std::uint8_t v);

// The ramp the player shows for a mode, computed from Tintor.dll in the installation folder the
// way the player computes it.
renderer::RampTexels PreviewRampFor(int mode);
// The tone the player's applied half uses for the control panel's start values.
frame::ToneParams StartTone();

// The movie's frame mark (the top-left 32 x 32 square) is left out of comparisons.
inline bool OutsideFrameMark(int x, int y) { return x >= 32 || y >= 32; }

}  // namespace tl::preview::testing
