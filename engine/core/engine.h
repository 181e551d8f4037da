// CTintorEngine: the per-process engine record and the colour-tone computation that turns the
// panel and tone tables into a RampTable.
#pragma once

#include <array>
#include <cstdint>

#include "engine/core/colour.h"
#include "engine/core/curves.h"
#include "engine/core/gamut_state.h"
#include "engine/core/inversion.h"
#include "engine/core/ramp_table.h"
#include "engine/core/table_file.h"

namespace tl::engine {

inline constexpr std::size_t kPathField = 264;

enum class Method : std::int32_t { kPlain = 0, kBradford = 1, kLabWhite = 2 };

// About 3.7 MB: the library keeps its one instance in static storage.
struct CTintorEngine {
  CTintorEngine();

  // Takes a table just read; sets the loaded flag. Returns false (flag 0) when the load failed.
  void AcceptPanel(const TableImage& image);
  void AcceptTone(const TableImage& image);

  // The whole computation for the method; true when the core steps succeeded (lastResult).
  bool Compute(std::int32_t method);

  // Starts as the identity rather than zeros: sending it before any computation must not black
  // out the screen.
  RampTable ramp = IdentityRamp();
  ColourTables displayedColours{};
  std::uint32_t displayedReady = 0;
  ColourTables enhancedColours{};
  std::uint32_t enhancedReady = 0;
  std::array<std::uint8_t, kHeaderSize> panelHeader{};
  std::array<std::uint8_t, kHeaderSize> toneHeader{};
  ExtBlock panelExt;
  ExtBlock toneExt;
  ColourTables panelTable{};
  ColourTables toneTable{};
  std::uint32_t panelLoaded = 0;
  std::uint32_t toneLoaded = 0;
  std::uint32_t prepared = 0;
  std::array<Vec3, 4> whiteTable{kD50, kD55, kD65, kD75};
  std::uint32_t colourfulnessOn = 0;
  std::uint32_t temperatureOn = 0;
  std::uint32_t panelInverseReady = 0;
  std::uint32_t rampInverseReady = 0;
  std::uint32_t gamutOn = 0;
  std::uint32_t lastResult = 0;
  Levels colourfulness{1, 1, 1};
  std::uint16_t targetTemperature = kDefaultTemperature;
  std::uint16_t panelTemperature = kDefaultTemperature;
  double strength = 0.0;
  double gammaV = 1.0;
  Gains channelGains{1.0, 1.0, 1.0};
  ColourTables workColours{};
  std::array<InverseTable, kChannels> panelInverse{};
  std::array<InverseTable, kChannels> rampInverse{};
  std::array<Mat3, 2> adaptation{};
  std::array<char, kPathField> tonePath{};
  std::array<char, kPathField> panelPath{};
  CGamutEngine gamut;
  GaussianScratch gaussianScratch{};

 private:
  bool ComputeCore(std::int32_t method);
  bool ConvertColours(std::int32_t method);
  void PrepareDisplayedColours(std::int32_t method);
};

}  // namespace tl::engine
