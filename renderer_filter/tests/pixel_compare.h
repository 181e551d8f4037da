// Pictures read back from Windows against a reference, channel by channel: the largest
// difference, how many pixels differ at all, and the first of the worst for the message.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "renderer_filter/core/tone_effect.h"

namespace tl::renderer::testing {

struct Difference {
  int worst = 0;
  long differing = 0;
  long compared = 0;
  std::string first;
};

// Compares got(x, y) with want(x, y) over the pixels `include` accepts (all when it is empty).
inline Difference ComparePixels(int width, int height, const std::function<Pixel(int, int)>& got,
                                const std::function<Pixel(int, int)>& want,
                                const std::function<bool(int, int)>& include = nullptr) {
  Difference d;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (include && !include(x, y)) continue;
      ++d.compared;
      const Pixel g = got(x, y) & 0xFFFFFF, w = want(x, y) & 0xFFFFFF;
      int channel = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        channel = std::max(channel, std::abs(static_cast<int>(g >> shift & 0xFF) - static_cast<int>(w >> shift & 0xFF)));
      }
      if (channel == 0) continue;
      ++d.differing;
      if (channel > d.worst) {
        d.worst = channel;
        char text[96];
        std::snprintf(text, sizeof text, "at (%d, %d): got %06X, want %06X", x, y, g, w);
        d.first = text;
      }
    }
  }
  return d;
}

}  // namespace tl::renderer::testing
