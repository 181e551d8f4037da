#include "skin/core/geometry.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tl::skin {

std::vector<Rect> KeyColourRuns(const Pixels& pixels, uint32_t key) {
  std::vector<Rect> runs;
  key &= 0xFFFFFF;
  for (int32_t x = 0; x < pixels.width; ++x) {
    int32_t y = 0;
    while (y < pixels.height) {
      if ((pixels.At(x, y) & 0xFFFFFF) != key) {
        ++y;
        continue;
      }
      const int32_t start = y;
      while (y < pixels.height && (pixels.At(x, y) & 0xFFFFFF) == key) ++y;
      runs.push_back({x, start, x + 1, y});
    }
  }
  return runs;
}

int32_t SliderGeometry::Clamp(int32_t position) const {
  const int32_t lo = std::min(minimum, maximum);
  const int32_t hi = std::max(minimum, maximum);
  return std::clamp(position, lo, hi);
}

int32_t SliderGeometry::PositionToPixel(int32_t position) const {
  const int64_t span = int64_t{maximum} - minimum;
  const int32_t half = thumbWidth / 2;
  // An empty range or a thumb as wide as the channel leaves the thumb at the start.
  if (span == 0 || width <= thumbWidth) return half;
  const int64_t travel = int64_t{width} - thumbWidth;
  return half + static_cast<int32_t>(travel * (int64_t{Clamp(position)} - minimum) / span);
}

int32_t SliderGeometry::PixelToPosition(int32_t x) const {
  if (width <= thumbWidth || maximum == minimum) return Clamp(minimum);
  // Exact integer arithmetic: in floating point (x - tw/2) / travel * span can land just below a
  // whole position, so the thumb's own pixel would give the position before it.
  x = LimitThumbCentre(x);
  const int64_t travel = int64_t{width} - thumbWidth;
  const int64_t value =
      (int64_t{minimum} * travel + (int64_t{x} - thumbWidth / 2) * (int64_t{maximum} - minimum)) /
      travel;
  const int64_t limited = std::clamp<int64_t>(value, INT32_MIN, INT32_MAX);
  return Clamp(static_cast<int32_t>(limited));
}

int32_t SliderGeometry::LimitThumbCentre(int32_t x) const {
  const int32_t lo = thumbWidth / 2;
  const int32_t hi = std::max(lo, width - thumbWidth / 2);
  return std::clamp(x, lo, hi);
}

int32_t SliderGeometry::GrabOffset(int32_t pressX, int32_t position) const {
  const int32_t centre = PositionToPixel(position);
  const int32_t distance = pressX - centre;
  return std::abs(distance) > thumbWidth / 2 ? 0 : distance;
}

Point TextOrigin(int32_t textWidth, int32_t textHeight, int32_t buttonWidth, int32_t buttonHeight,
                 int32_t labelFlag) {
  if (labelFlag == 1 || textWidth >= buttonWidth) return {0, 0};
  Point p{(buttonWidth - textWidth) / 2, std::abs((buttonHeight - textHeight) / 2) - 2};
  if (labelFlag == 2) p.x += 10;
  return p;
}

std::array<float, 25> TintMatrix(uint32_t argb) {
  std::array<float, 25> m{};
  m[0] = float((argb >> 16) & 0xFF) / 255.0f;
  m[6] = float((argb >> 8) & 0xFF) / 255.0f;
  m[12] = float(argb & 0xFF) / 255.0f;
  m[18] = float((argb >> 24) & 0xFF) / 255.0f;
  m[24] = 1.0f;
  return m;
}

}  // namespace tl::skin
