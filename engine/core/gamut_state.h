// State of gamut computing: the surfaces of the enhanced and the displayed colours in L*a*b*.
// The surface builder is not in this build yet: every surface request fails with its status,
// while the inputs (enhanced and displayed colours) are already prepared by the computation.
#pragma once

#include <array>
#include <cstdint>

namespace tl::engine {

inline constexpr int kMaxGamutSamples = 1024;
inline constexpr int kGamutSetDisplayed = 0;
inline constexpr int kGamutSetEnhanced = 1;

struct CGamutEngine {
  std::int32_t resolution = 10;  // kept in 10..25
  std::uint32_t colourSpace = 0x4c616220;  // "Lab "
  std::int32_t illuminant = 3;
  std::int32_t sampleCount = 0;
  std::array<std::uint32_t, 2> built{};  // per set: its mesh was built
  std::array<std::int32_t, 2> vertexCount{};
  std::array<std::int32_t, 2> triangleCount{};
};

}  // namespace tl::engine
