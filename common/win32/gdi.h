// Top-down 32-bit pictures, the one pixel format the suite draws and reads back with GDI.
#pragma once

#include <windows.h>

#include "common/win32/handles.h"

namespace tl::win32 {

// Header of a width x height picture, rows from the top, one BGRX quad a pixel.
inline BITMAPINFO TopDown32BitInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A DIB section in that format; *bits points at its pixels (null on failure).
inline UniqueGdiObject CreateTopDown32BitDib(HDC dc, int width, int height, void** bits) {
  const BITMAPINFO info = TopDown32BitInfo(width, height);
  *bits = nullptr;
  return UniqueGdiObject(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

}  // namespace tl::win32
