// Pictures as the tests read them back (0x00RRGGBB by rows, top first) and their comparison
// with what a reference computes, channel by channel.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tl::testing {

struct ImagePixels {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] &
           0xFFFFFF;
  }
};

// Largest channel difference, how many pixels differ at all, and where the worst one is.
struct PixelDifference {
  int worst = 0;
  long differing = 0;
  std::string first;
};

// `got` against `want(x, y)` over columns x0 to x1 (exclusive; -1: to the right edge).
template <typename Want>
PixelDifference ComparePixels(const ImagePixels& got, Want want, int x0 = 0, int x1 = -1) {
  PixelDifference d;
  if (x1 < 0) x1 = got.width;
  for (int y = 0; y < got.height; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint32_t g = got.at(x, y), w = static_cast<uint32_t>(want(x, y)) & 0xFFFFFF;
      int channel = 0;
      for (int shift = 0; shift < 24; shift += 8)
        channel = std::max(channel, std::abs(static_cast<int>(g >> shift & 0xFF) - static_cast<int>(w >> shift & 0xFF)));
      if (!channel) continue;
      ++d.differing;
      if (channel > d.worst) {
        d.worst = channel;
        char text[96];
        std::snprintf(text, sizeof text, "at (%d, %d): got %06X, want %06X", x, y, static_cast<unsigned>(g),
                      static_cast<unsigned>(w));
        d.first = text;
      }
    }
  }
  return d;
}

}  // namespace tl::testing
