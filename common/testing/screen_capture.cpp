#include "common/testing/screen_capture.h"

#include <objidl.h>

#include <algorithm>
#include <cstring>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "common/win32/gdi.h"
#include "common/win32/handles.h"

namespace tl::testing {
namespace {

void FlushToScreen() {
  // Wine copies window surfaces to the X server when the thread looks at its queue, at most
  // every 50 ms.
  MSG msg;
  ::GdiFlush();
  ::Sleep(60);
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

bool EncoderClsid(const wchar_t* mime, CLSID* clsid) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (size == 0) return false;
  std::vector<uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == mime) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// A GDI+ session of its own; sessions nest, so a test that has one already is not disturbed.
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  explicit operator bool() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

}  // namespace

std::vector<uint32_t> CaptureClient(HWND window, bool waitForOwnDrawing) {
  if (waitForOwnDrawing) FlushToScreen();
  RECT client{};
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  win32::WindowDc screen(nullptr);
  win32::UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
  void* bits = nullptr;
  win32::UniqueGdiObject dib = win32::CreateTopDown32BitDib(memory.get(), client.right, client.bottom, &bits);
  std::vector<uint32_t> pixels(static_cast<size_t>(client.right) * client.bottom);
  if (!dib || !bits) return pixels;
  {
    win32::SelectGuard select(memory.get(), dib.get());
    ::BitBlt(memory.get(), 0, 0, client.right, client.bottom, screen.get(), origin.x, origin.y, SRCCOPY);
    ::GdiFlush();
  }
  const auto* source = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = source[i] & 0xFFFFFF;
  return pixels;
}

uint32_t ScreenPixel(HWND window, int x, int y) {
  FlushToScreen();
  POINT pt{x, y};
  ::ClientToScreen(window, &pt);
  win32::WindowDc screen(nullptr);
  const COLORREF c = ::GetPixel(screen.get(), pt.x, pt.y);
  return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

bool SaveWindowPng(HWND window, const std::wstring& path) {
  GdiplusSession session;
  if (!session) return false;
  RECT client{};
  ::GetClientRect(window, &client);
  std::vector<uint32_t> pixels = CaptureClient(window);
  if (pixels.empty()) return false;
  for (uint32_t& p : pixels) p |= 0xFF000000u;
  Gdiplus::Bitmap image(client.right, client.bottom, client.right * 4, PixelFormat32bppARGB,
                        reinterpret_cast<BYTE*>(pixels.data()));
  CLSID png;
  return EncoderClsid(L"image/png", &png) && image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

std::optional<ImagePixels> ReadImageFile(const std::wstring& path) {
  GdiplusSession session;
  if (!session) return std::nullopt;
  Gdiplus::Bitmap image(path.c_str());
  if (image.GetLastStatus() != Gdiplus::Ok) return std::nullopt;
  ImagePixels result;
  result.width = static_cast<int>(image.GetWidth());
  result.height = static_cast<int>(image.GetHeight());
  Gdiplus::Rect all(0, 0, result.width, result.height);
  Gdiplus::BitmapData data{};
  if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    return std::nullopt;
  result.pixels.resize(static_cast<size_t>(result.width) * static_cast<size_t>(result.height));
  for (int y = 0; y < result.height; ++y) {
    std::memcpy(&result.pixels[static_cast<size_t>(y) * static_cast<size_t>(result.width)],
                static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                static_cast<size_t>(result.width) * 4);
  }
  image.UnlockBits(&data);
  for (uint32_t& p : result.pixels) p &= 0xFFFFFF;
  return result;
}

}  // namespace tl::testing
