// Test support: frames with pitches and guard bytes, random content, and a per-pixel reference
// of every layout written straight from the layout descriptions (no shared code with the kernels).
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "frame_enhance/core/kernels.h"

namespace tl::frame::testing {

struct Tables {
  std::vector<std::uint8_t> curve = std::vector<std::uint8_t>(256);
  std::vector<float> ramp = std::vector<float>(256);
  std::vector<std::uint16_t> lut1 = std::vector<std::uint16_t>(65536);
  std::vector<std::uint16_t> lut2 = std::vector<std::uint16_t>(65536);
};
Tables MakeTables(int low, int high, float noise, float strength, int mode);

// A frame buffer with room after the frame; pitch 0 means packed.
struct FrameBuffer {
  Layout layout;
  int width, height;
  std::ptrdiff_t pitch;
  std::vector<std::uint8_t> bytes;
  FrameBuffer(Layout l, int w, int h, std::ptrdiff_t p, std::mt19937& random);
  std::uint8_t* data() { return bytes.data(); }
  const std::uint8_t* data() const { return bytes.data(); }
};

// Slow per-pixel reference of the kernel methods (lut2) and of the direct methods (gain).
void ReferenceKernel(Layout layout, bool split, std::uint8_t* dst, const std::uint8_t* src, const Tables& t,
                     int w, int h, std::ptrdiff_t dp, std::ptrdiff_t sp);
void ReferenceDirect(Layout layout, bool split, std::uint8_t* dst, const std::uint8_t* src, const Tables& t,
                     const std::uint16_t* gain, int w, int h, std::ptrdiff_t dp, std::ptrdiff_t sp);

const char* LayoutName(Layout layout);

}  // namespace tl::frame::testing
