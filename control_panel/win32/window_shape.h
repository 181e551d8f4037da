// The two body bitmaps of the main window: the background of each tab and, through their
// magenta areas, the window's outline.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win32/handles.h"
#include "skin/core/bmp.h"

namespace tl::panel {

// The region of every pixel outside the key range (BitmapToRegion of the window's skin): rows
// from the top, each run of kept pixels one rectangle. Null when the bitmap is empty.
win32::UniqueGdiObject BitmapToRegion(const skin::Pixels& bitmap, uint32_t key, uint32_t tolerance);

class BodyBitmap {
 public:
  // Reads a BMP file; false (and nothing loaded) when it is missing or not a usable BMP.
  bool Load(const std::wstring& path);
  bool loaded() const { return static_cast<bool>(dib_); }
  int width() const { return pixels_.width; }
  int height() const { return pixels_.height; }

  // Stretches the picture over `target` of the device context.
  void StretchTo(HDC dc, const RECT& target) const;
  // The window outline of this body (magenta cut out); null when not loaded.
  win32::UniqueGdiObject Outline() const;

 private:
  skin::Pixels pixels_;
  win32::UniqueGdiObject dib_;
};

// The desktop rectangle grown by the frame a window of this window's style would have: the
// place of a window that fills the screen.
RECT FullScreenRectFor(HWND window);

// A copy of a region, for SetWindowRgn, which takes the region it is given.
HRGN CopyRegion(HGDIOBJ region);

}  // namespace tl::panel
