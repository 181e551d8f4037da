// The BMP reader and the two region builders: the skins' see-through columns and the control
// panel's window outline. The first 4 input bytes pick a rectangle, the rest is the file. A file
// that decodes must decode the same through the rectangle form; the skins' runs must be exactly
// the key-coloured pixels and the outline's exactly the others (each run as long as it can be).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "control_panel/core/panel_rules.h"
#include "skin/core/bmp.h"
#include "skin/core/geometry.h"

namespace {

using namespace tl::skin;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckRuns(const Pixels& pixels, uint32_t key) {
  const std::vector<Rect> runs = KeyColourRuns(pixels, key);
  auto isKey = [&](int32_t x, int32_t y) { return (pixels.At(x, y) & 0xFFFFFF) == (key & 0xFFFFFF); };
  size_t covered = 0;
  for (const Rect& r : runs) {
    Check(r.left >= 0 && r.right == r.left + 1 && r.left < pixels.width);
    Check(r.top >= 0 && r.top < r.bottom && r.bottom <= pixels.height);
    for (int32_t y = r.top; y < r.bottom; ++y) Check(isKey(r.left, y));
    Check(r.top == 0 || !isKey(r.left, r.top - 1));
    Check(r.bottom == pixels.height || !isKey(r.left, r.bottom));
    covered += static_cast<size_t>(r.bottom - r.top);
  }
  size_t keyed = 0;
  for (int32_t y = 0; y < pixels.height; ++y)
    for (int32_t x = 0; x < pixels.width; ++x) keyed += isKey(x, y);
  Check(covered == keyed);
}

// The panel's outline: row by row, the runs of pixels outside the key range.
void CheckOutline(const Pixels& pixels) {
  const std::vector<Rect> runs = tl::panel::OutlineRuns(pixels);
  auto kept = [&](int32_t x, int32_t y) {
    return !tl::panel::InKeyRange(pixels.At(x, y), tl::panel::kOutlineKey, tl::panel::kOutlineTolerance);
  };
  size_t covered = 0;
  for (const Rect& r : runs) {
    Check(r.top >= 0 && r.bottom == r.top + 1 && r.top < pixels.height);
    Check(r.left >= 0 && r.left < r.right && r.right <= pixels.width);
    for (int32_t x = r.left; x < r.right; ++x) Check(kept(x, r.top));
    Check(r.left == 0 || !kept(r.left - 1, r.top));
    Check(r.right == pixels.width || !kept(r.right, r.top));
    covered += static_cast<size_t>(r.right - r.left);
  }
  size_t all = 0;
  for (int32_t y = 0; y < pixels.height; ++y)
    for (int32_t x = 0; x < pixels.width; ++x) all += kept(x, y);
  Check(covered == all);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::span<const uint8_t> file(data + 4, size - 4);
  BmpLayout layout;
  const bool parsed = ReadBmpLayout(file, layout);
  Pixels whole;
  const bool decoded = DecodeBmp(file, whole);
  Check(parsed == decoded);
  if (!decoded) {
    Pixels part;
    Check(!DecodeBmpRect(file, 0, 0, 1, 1, part));
    return 0;
  }
  Check(whole.width == layout.width && whole.height == layout.height && whole.width > 0 && whole.height > 0);
  Check(whole.data.size() == static_cast<size_t>(whole.width) * static_cast<size_t>(whole.height));

  // A rectangle inside the picture (or, for odd selectors, one reaching past it).
  const int32_t x = data[0] % whole.width, y = data[1] % whole.height;
  int32_t w = 1 + data[2] % (whole.width - x), h = 1 + data[3] % (whole.height - y);
  const bool outside = data[2] & 0x80;
  if (outside) w = whole.width - x + 1 + (data[3] & 3);
  Pixels part;
  const bool cut = DecodeBmpRect(file, x, y, w, h, part);
  Check(cut == !outside);
  if (cut) {
    Check(part.width == w && part.height == h);
    for (int32_t row = 0; row < h; ++row)
      for (int32_t col = 0; col < w; ++col) Check(part.At(col, row) == whole.At(x + col, y + row));
  }
  Check(!DecodeBmpRect(file, -1, 0, 1, 1, part) && !DecodeBmpRect(file, 0, 0, 0, 1, part));

  // The skins' key, and the colour of the top-left pixel (as the slider channel uses).
  CheckRuns(whole, kDefaultColourKey);
  CheckRuns(whole, whole.At(0, 0));
  CheckOutline(whole);
  return 0;
}
