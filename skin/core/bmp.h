// Reading BMP files from memory into 32-bit pixels, checking every offset and size against the
// data so that a hostile file fails instead of reading outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tl::skin {

// 0x00RRGGBB per pixel, rows from the top of the picture.
struct Pixels {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> data;

  uint32_t At(int32_t x, int32_t y) const { return data[static_cast<size_t>(y) * width + x]; }
};

struct BmpLayout {
  uint32_t headerSize = 0;  // 12 for the core header, 40 and up for the info headers
  int32_t width = 0;
  int32_t height = 0;       // always positive; topDown tells the row order
  bool topDown = false;
  uint16_t bitsPerPixel = 0;
};

// Parses and validates the headers: signature, header kind, sizes, palette and pixel data all
// inside the file. Empty on any inconsistency.
bool ReadBmpLayout(std::span<const uint8_t> file, BmpLayout& layout);

// The whole picture. False (and `out` untouched) when the file is not a usable BMP.
bool DecodeBmp(std::span<const uint8_t> file, Pixels& out);

// The rectangle (x, y, width, height) measured from the top-left corner of the picture. It must
// lie inside the picture and have a positive size.
bool DecodeBmpRect(std::span<const uint8_t> file, int32_t x, int32_t y, int32_t width,
                   int32_t height, Pixels& out);

// Encodes pixels as a 24-bit bottom-up BMP with an info header (or a core header). Used by the
// tests and tools that need skin pictures.
std::vector<uint8_t> EncodeBmp24(const Pixels& pixels, bool coreHeader = false);

}  // namespace tl::skin
