#include "tools/artwork/core/image.h"

#include <algorithm>

namespace tl::artwork {
namespace {

uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

}  // namespace

bool InKeyRange(uint32_t rgb) {
  auto inside = [](uint32_t value, uint32_t key) {
    return value >= key && value <= std::min<uint32_t>(key + kKeyTolerance, 0xFF);
  };
  return inside(Channel(rgb, 16), Channel(kKeyColour, 16)) &&
         inside(Channel(rgb, 8), Channel(kKeyColour, 8)) &&
         inside(Channel(rgb, 0), Channel(kKeyColour, 0));
}

uint32_t BlendOver(uint32_t argb, uint32_t backdropRgb) {
  const uint32_t a = argb >> 24;
  uint32_t out = 0;
  for (int shift : {16, 8, 0}) {
    const uint32_t v = (Channel(argb, shift) * a + Channel(backdropRgb, shift) * (255 - a) + 127) / 255;
    out |= v << shift;
  }
  return out;
}

skin::Pixels Flatten(const Image& image, const Flattening& how) {
  skin::Pixels out;
  out.width = image.width;
  out.height = image.height;
  out.data.resize(image.data.size());
  for (size_t i = 0; i < image.data.size(); ++i) {
    const uint32_t argb = image.data[i];
    if (how.keyed && (argb >> 24) < 128) {
      out.data[i] = kKeyColour;
      continue;
    }
    uint32_t rgb = BlendOver(argb, how.matte);
    // Red one step down takes a colour out of the key range, which requires full red.
    if (InKeyRange(rgb)) rgb -= 0x010000;
    out.data[i] = rgb;
  }
  return out;
}

void Composite(Image& bottom, const Image& top, int32_t x, int32_t y) {
  for (int32_t ty = 0; ty < top.height; ++ty) {
    const int32_t by = y + ty;
    if (by < 0 || by >= bottom.height) continue;
    for (int32_t tx = 0; tx < top.width; ++tx) {
      const int32_t bx = x + tx;
      if (bx < 0 || bx >= bottom.width) continue;
      const uint32_t src = top.At(tx, ty);
      const uint32_t sa = src >> 24;
      if (sa == 0) continue;
      uint32_t& dst = bottom.At(bx, by);
      const uint32_t da = dst >> 24;
      // Straight-alpha "over" with the result's own coverage.
      const uint32_t oa = sa + da * (255 - sa) / 255;
      uint32_t rgb = 0;
      for (int shift : {16, 8, 0}) {
        const uint32_t s = Channel(src, shift), d = Channel(dst, shift);
        const uint32_t v = (s * sa * 255 + d * da * (255 - sa) + oa * 255 / 2) / (oa * 255);
        rgb |= std::min<uint32_t>(v, 255) << shift;
      }
      dst = (oa << 24) | rgb;
    }
  }
}

Image FromPixels(const skin::Pixels& pixels, bool keyed) {
  Image out(pixels.width, pixels.height);
  for (size_t i = 0; i < pixels.data.size(); ++i) {
    const uint32_t rgb = pixels.data[i] & 0xFFFFFF;
    out.data[i] = (keyed && rgb == kKeyColour) ? 0 : (0xFF000000 | rgb);
  }
  return out;
}

}  // namespace tl::artwork
