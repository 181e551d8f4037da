#include "skin/win32/paint_buffer.h"

namespace tl::skin {

void PaintBuffer::SetClient(const RECT& client) {
  client_ = client;
  Drop();
}

void PaintBuffer::Drop() { cached_.reset(); }

void PaintBuffer::Release() {
  cached_.reset();
  canvas_.reset();
}

bool PaintBuffer::Build(HDC dc, const DrawFunction& draw) {
  const int width = client_.right - client_.left;
  const int height = client_.bottom - client_.top;
  cached_.reset();
  canvas_ = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  if (canvas_->GetLastStatus() != Gdiplus::Ok) return false;
  {
    Gdiplus::Graphics g(canvas_.get());
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    draw(g);
  }
  Gdiplus::Graphics target(dc);
  cached_ = std::make_unique<Gdiplus::CachedBitmap>(canvas_.get(), &target);
  if (cached_->GetLastStatus() != Gdiplus::Ok) {
    cached_.reset();
    return false;
  }
  return true;
}

void PaintBuffer::Paint(HDC dc, const DrawFunction& draw) {
  if (client_.right <= client_.left || client_.bottom <= client_.top) return;
  if (!cached_ && !Build(dc, draw)) return;
  {
    Gdiplus::Graphics target(dc);
    if (target.DrawCachedBitmap(cached_.get(), 0, 0) == Gdiplus::Ok) return;
  }
  // The cached bitmap no longer suits the device: build it again and draw once more.
  if (Build(dc, draw)) {
    Gdiplus::Graphics target(dc);
    target.DrawCachedBitmap(cached_.get(), 0, 0);
  }
}

}  // namespace tl::skin
