#include "control_panel/win32/window_shape.h"

#include <algorithm>
#include <span>
#include <vector>

#include "common/win32/file.h"
#include "common/win32/gdi.h"
#include "control_panel/core/panel_rules.h"

namespace tl::panel {
namespace {

// Body pictures are a few hundred pixels wide; anything much larger is not one of ours.
constexpr size_t kMaxBodyFileBytes = 32 * 1024 * 1024;

}  // namespace

win32::UniqueGdiObject BitmapToRegion(const skin::Pixels& bitmap, uint32_t key, uint32_t tolerance) {
  const std::vector<Rect> runs = OutlineRuns(bitmap, key, tolerance);
  return win32::RegionFromRects(std::span<const Rect>(runs));
}

bool BodyBitmap::Load(const std::wstring& path) {
  pixels_ = {};
  dib_.reset();
  std::vector<uint8_t> file;
  skin::Pixels pixels;
  if (!win32::ReadWholeFile(path, file, kMaxBodyFileBytes) || !skin::DecodeBmp(file, pixels)) return false;
  void* bits = nullptr;
  win32::UniqueGdiObject dib = win32::CreateTopDown32BitDib(nullptr, pixels.width, pixels.height, &bits);
  if (!dib || !bits) return false;
  std::copy(pixels.data.begin(), pixels.data.end(), static_cast<uint32_t*>(bits));
  pixels_ = std::move(pixels);
  dib_ = std::move(dib);
  return true;
}

void BodyBitmap::StretchTo(HDC dc, const RECT& target) const {
  if (!dib_) return;
  win32::UniqueMemoryDc source(::CreateCompatibleDC(dc));
  if (!source) return;
  win32::SelectGuard select(source.get(), dib_.get());
  const int width = target.right - target.left;
  const int height = target.bottom - target.top;
  if (width == pixels_.width && height == pixels_.height) {
    ::BitBlt(dc, target.left, target.top, width, height, source.get(), 0, 0, SRCCOPY);
  } else {
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, target.left, target.top, width, height, source.get(), 0, 0, pixels_.width, pixels_.height,
                 SRCCOPY);
    ::SetStretchBltMode(dc, oldMode);
  }
}

win32::UniqueGdiObject BodyBitmap::Outline() const {
  if (!dib_) return {};
  return BitmapToRegion(pixels_, kOutlineKey, kOutlineTolerance);
}

RECT FullScreenRectFor(HWND window) {
  RECT rect{};
  ::GetWindowRect(::GetDesktopWindow(), &rect);
  ::AdjustWindowRectEx(&rect, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
  return rect;
}

HRGN CopyRegion(HGDIOBJ region) {
  if (!region) return nullptr;
  HRGN copy = ::CreateRectRgn(0, 0, 0, 0);
  if (copy && ::CombineRgn(copy, static_cast<HRGN>(region), nullptr, RGN_COPY) == ERROR) {
    ::DeleteObject(copy);
    return nullptr;
  }
  return copy;
}

}  // namespace tl::panel
