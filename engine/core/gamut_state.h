// State of gamut computing: the sample grid, the samples of the displayed and the enhanced
// colours in L*a*b*, and the surface mesh of each set. Fixed-size arrays: the engine keeps its
// one record in static storage, and nothing here grows with the input.
#pragma once

#include <array>
#include <cstdint>

namespace tl::engine {

inline constexpr int kMaxGamutSamples = 1024;
// A closed triangle mesh on V vertices whose faces all touch three of them has at most 2V - 4
// triangles.
inline constexpr int kMaxGamutTriangles = 2 * kMaxGamutSamples - 4;
inline constexpr int kGamutSetDisplayed = 0;
inline constexpr int kGamutSetEnhanced = 1;
inline constexpr int kGamutSets = 2;

inline constexpr std::int32_t kInitialGamutResolution = 10;
inline constexpr std::int32_t kMinGamutResolution = 10;
inline constexpr std::int32_t kMaxGamutResolution = 25;
inline constexpr std::int32_t kAdaptingIlluminant = 3;  // the selector that applies the Bradford step

// A viewing condition of the colour-appearance record. The surface does not depend on it; the
// engine keeps the record the computation was run for.
struct ViewingCondition {
  const char* name = "Monitor in typical work environment";
  double relativeBackground = 0.2;
  std::int32_t surround = 3;
  double adaptingLuminance = 33.0;
  double flare = 0.02;
};
inline constexpr std::int32_t kMonitorTypicalWork = 2;

// One output vertex: L*, a*, b*, then the drawing colour R, G, B in 0..1.
using GamutVertex = std::array<double, 6>;
using GamutTriangle = std::array<std::int32_t, 3>;
using GamutPoint = std::array<double, 3>;

struct GamutMeshStore {
  std::array<GamutVertex, kMaxGamutSamples> vertices{};
  std::array<GamutTriangle, kMaxGamutTriangles> triangles{};
};

struct CGamutEngine {
  std::int32_t resolution = kInitialGamutResolution;
  std::uint32_t colourSpace = 0x4c616220;  // "Lab "
  std::int32_t illuminant = kAdaptingIlluminant;
  ViewingCondition viewing;

  // The RGB grid in sampling order (0..1), made on the first run for gridResolution.
  std::int32_t gridResolution = 0;
  std::int32_t gridCount = 0;
  std::uint32_t gridGeneration = 0;  // counts the grids made, so that sets of two grids are told apart
  std::array<GamutPoint, kMaxGamutSamples> grid{};

  // Per set: the L*a*b* samples of the last run on that set and the grid they came from.
  std::array<std::array<GamutPoint, kMaxGamutSamples>, kGamutSets> samples{};
  std::array<std::int32_t, kGamutSets> sampleCount{};
  std::array<std::uint32_t, kGamutSets> sampleGeneration{};
  std::int32_t lastSampleCount = 0;

  std::array<GamutMeshStore, kGamutSets> meshes{};
  std::array<std::uint32_t, kGamutSets> built{};  // per set: its mesh was built
  std::array<std::int32_t, kGamutSets> vertexCount{};
  std::array<std::int32_t, kGamutSets> triangleCount{};
};

}  // namespace tl::engine
