// RampTable: the display gamma ramp that every part of the suite hands around.
#pragma once

#include <array>
#include <cstdint>

namespace tl::engine {

inline constexpr int kLevels = 256;
inline constexpr int kChannels = 3;

// 768 output levels (0..65535): 256 for red, then green, then blue; entry i of a block is the
// output for input level i. Same layout as the platform's device gamma ramp.
using RampTable = std::array<std::uint16_t, kLevels * kChannels>;
static_assert(sizeof(RampTable) == 1536);

constexpr RampTable IdentityRamp() {
  RampTable ramp{};
  for (int c = 0; c < kChannels; ++c) {
    for (int i = 0; i < kLevels; ++i) ramp[c * kLevels + i] = static_cast<std::uint16_t>(i * 257);
  }
  return ramp;
}

// True when some channel is 0 at every level: such a ramp shows that channel black. A read of the
// display that failed leaves a cleared table so; nothing should put it back on the display.
constexpr bool BlanksAChannel(const RampTable& ramp) {
  for (int c = 0; c < kChannels; ++c) {
    bool blank = true;
    for (int i = 0; i < kLevels && blank; ++i) blank = ramp[c * kLevels + i] == 0;
    if (blank) return true;
  }
  return false;
}
static_assert(!BlanksAChannel(IdentityRamp()) && BlanksAChannel(RampTable{}));

}  // namespace tl::engine
