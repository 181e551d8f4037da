// Pictures as the renderer gives them (straight alpha) and their finishing into the opaque,
// key-coloured bitmaps the skin library and the programs read.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/core/bmp.h"

namespace tl::artwork {

// 0xAARRGGBB per pixel, straight (not premultiplied) alpha, rows from the top.
struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> data;

  Image() = default;
  Image(int32_t w, int32_t h, uint32_t fill = 0)
      : width(w), height(h), data(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
  uint32_t At(int32_t x, int32_t y) const { return data[static_cast<size_t>(y) * width + x]; }
  uint32_t& At(int32_t x, int32_t y) { return data[static_cast<size_t>(y) * width + x]; }
};

// The colour the programs cut out of windows and buttons, and the tolerance the control panel
// allows around it when it builds the window's outline (0x202020 on each channel).
inline constexpr uint32_t kKeyColour = 0xFF00FF;
inline constexpr uint32_t kKeyTolerance = 0x20;

// True when an opaque 0xRRGGBB colour falls into the key range the window outline cuts out.
bool InKeyRange(uint32_t rgb);

// How a picture with transparency becomes an opaque bitmap.
struct Flattening {
  // Pixels at most half covered become exactly the key colour; the others are laid over the
  // matte. Without a key, every pixel is laid over the matte.
  bool keyed = false;
  uint32_t matte = 0x000000;
};

// Opaque pixels (0x00RRGGBB). Visible pixels that would fall into the key range are moved just
// outside it, so that only the intended cut-outs are cut.
skin::Pixels Flatten(const Image& image, const Flattening& how);

// Straight-alpha "over" of one pixel onto an opaque 0xRRGGBB backdrop.
uint32_t BlendOver(uint32_t argb, uint32_t backdropRgb);

// Lays `top` over `bottom` at (x, y), straight alpha, clipped to `bottom`.
void Composite(Image& bottom, const Image& top, int32_t x, int32_t y);

// An opaque bitmap as an image; key-coloured pixels become transparent when `keyed`.
Image FromPixels(const skin::Pixels& pixels, bool keyed);

}  // namespace tl::artwork
