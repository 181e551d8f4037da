// Double-buffered painting through GDI+: the control draws its state into a client-sized ARGB
// picture once, and every paint shows the cached bitmap made from it until a change drops it.
#pragma once

#include <functional>
#include <memory>

#include "skin/win32/gdiplus.h"

namespace tl::skin {

class PaintBuffer {
 public:
  using DrawFunction = std::function<void(Gdiplus::Graphics&)>;

  void SetClient(const RECT& client);
  // Any change of state: the next paint draws the picture again.
  void Drop();
  // Shows the picture on `dc`, drawing it first when there is none.
  void Paint(HDC dc, const DrawFunction& draw);
  // Frees the GDI+ objects (before the GDI+ session ends).
  void Release();
  bool HasPicture() const { return cached_ != nullptr; }

 private:
  bool Build(HDC dc, const DrawFunction& draw);

  RECT client_{};
  std::unique_ptr<Gdiplus::Bitmap> canvas_;
  std::unique_ptr<Gdiplus::CachedBitmap> cached_;
};

}  // namespace tl::skin
