// Tone-shaping steps applied to a ramp after the colorimetric conversion: the white-balance
// step to a colour temperature, and the Gaussian and tanh colourfulness S-curves, each with a
// double-precision variant for the enhanced colours.
#pragma once

#include <array>
#include <cstdint>

#include "engine/core/ramp_table.h"
#include "engine/core/table_file.h"

namespace tl::engine {

inline constexpr std::uint16_t kMinTemperature = 4500;
inline constexpr std::uint16_t kMaxTemperature = 9500;
inline constexpr std::uint16_t kDefaultTemperature = 6500;
inline constexpr int kWhiteRows = 51;

struct WhiteRgb {
  std::uint8_t r, g, b;
};
const std::array<WhiteRgb, kWhiteRows>& TemperatureWhites();
// Row of a temperature in 4500..9500: nearest 100 K, halves upward.
int TemperatureRow(int kelvin);

using Gains = std::array<double, kChannels>;

// Moves the panel's white (panelKelvin) to the target. panelKelvin 0 means `enginePanelKelvin`,
// which becomes 6500 when it is 0 too. Writes gains; false (ramp untouched) when a temperature
// lies outside 4500..9500.
bool TemperatureStep(int panelKelvin, int targetKelvin, std::uint16_t& enginePanelKelvin, const RampTable& in,
                     RampTable& out, Gains& gains);

using Levels = std::array<std::uint16_t, kChannels>;
std::uint16_t ClampLevel(std::uint32_t level);  // 0 -> 1, above 10 -> 10

// The normalised cumulative-Gaussian curve of one level (2..10), 65536 entries, 0..65535.
// False for a degenerate curve.
using GaussianCurve = std::array<double, 65536>;
bool BuildGaussianCurve(int level, GaussianCurve& curve);

// The curve last built and its level (0: none), so that channels and steps of one computation
// with the same level share it.
struct GaussianScratch {
  GaussianCurve curve;
  int level = 0;
};

// Gaussian S-curve per channel. On a failure, channels already written stay written.
bool GaussianColourfulness(Levels levels, const RampTable& in, RampTable& out, GaussianScratch& scratch);
// Same curves on doubles in 0..65535 (index rounded and clamped to the curve).
bool GaussianColourfulness(Levels levels, ColourTables& values, GaussianScratch& scratch);

// tanh S-curve blended by strength; n is taken from each channel's entry 255 of `ramp`.
void TanhColourfulness(Levels levels, double strength, RampTable& ramp);
// Same formula on doubles, with n from `ramp` (call it before the ramp variant).
void TanhColourfulness(Levels levels, double strength, const RampTable& ramp, ColourTables& values);

}  // namespace tl::engine
