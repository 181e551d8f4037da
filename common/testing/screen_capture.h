// What the screen shows of a window, for the Windows-side tests: pixels, one pixel, and PNG
// screenshots kept for a person to look at. Works on windows of other processes too.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tl::testing {

// What the screen shows of a window's client area, 0x00RRGGBB by rows. First waits until this
// process's own drawing has reached the screen; a window of another process does not need that
// wait (waitForOwnDrawing false), which timing measurements leave out.
std::vector<uint32_t> CaptureClient(HWND window, bool waitForOwnDrawing = true);

// The screen's colour (0x00RRGGBB) at a point of a window's client area.
uint32_t ScreenPixel(HWND window, int x, int y);

// Saves what the screen shows of a window's client area as PNG; true on success.
bool SaveWindowPng(HWND window, const std::wstring& path);

// An image file (PNG, BMP, JPEG...) decoded as a viewer decodes it, through GDI+; nothing when
// it cannot be decoded.
struct ImagePixels {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB by rows, top first
};
std::optional<ImagePixels> ReadImageFile(const std::wstring& path);

}  // namespace tl::testing
