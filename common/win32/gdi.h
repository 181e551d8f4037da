// Top-down 32-bit pictures, the one pixel format the suite draws and reads back with GDI, and
// regions made of many rectangles.
#pragma once

#include <windows.h>

#include <algorithm>
#include <climits>
#include <span>
#include <vector>

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

// The union of rectangles (any type with left, top, right and bottom) as a region; null when
// there are none or a region cannot be made. Built in batches of 2000 rectangles, so that no
// region-data block grows large.
template <typename RectLike>
UniqueGdiObject RegionFromRects(std::span<const RectLike> rects) {
  constexpr size_t kBatch = 2000;
  UniqueGdiObject result;
  std::vector<uint8_t> buffer;
  for (size_t first = 0; first < rects.size(); first += kBatch) {
    const size_t count = std::min(kBatch, rects.size() - first);
    buffer.assign(sizeof(RGNDATAHEADER) + count * sizeof(RECT), 0);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(count);
    data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    RECT bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    auto* out = reinterpret_cast<RECT*>(data->Buffer);
    for (size_t i = 0; i < count; ++i) {
      const RectLike& r = rects[first + i];
      out[i] = RECT{static_cast<LONG>(r.left), static_cast<LONG>(r.top), static_cast<LONG>(r.right),
                    static_cast<LONG>(r.bottom)};
      bounds.left = std::min(bounds.left, out[i].left);
      bounds.top = std::min(bounds.top, out[i].top);
      bounds.right = std::max(bounds.right, out[i].right);
      bounds.bottom = std::max(bounds.bottom, out[i].bottom);
    }
    data->rdh.rcBound = bounds;
    UniqueGdiObject part(::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data));
    if (!part) return UniqueGdiObject();
    if (!result) {
      result = std::move(part);
    } else {
      ::CombineRgn(static_cast<HRGN>(result.get()), static_cast<HRGN>(result.get()),
                   static_cast<HRGN>(part.get()), RGN_OR);
    }
  }
  return result;
}

}  // namespace tl::win32
