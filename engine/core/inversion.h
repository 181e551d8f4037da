// Turning wanted outputs into ramp values through the panel's measured response, and the
// inverse tables (output value -> fractional level) used for the displayed colours.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engine/core/ramp_table.h"

namespace tl::engine {

inline constexpr int kInverseSize = 65536;
using InverseTable = std::array<double, kInverseSize>;

// Linear interpolation in a table of n + 1 entries at x (clamped into 0..n).
double Interpolate(const double* table, int n, double x);

// Ramp values for one channel: wanted outputs w (0..65535 scale) through panel outputs p,
// followed by the straightening of a flat start. Handles p that is not non-decreasing without
// leaving the table.
void InvertRamp(std::span<const double, kLevels> wanted, std::span<const double, kLevels> panel,
                std::span<std::uint16_t, kLevels> ramp);

// From a non-decreasing 256-entry table s (0..65535 scale) to t[j] = fractional index at which
// s reaches j. False when s is not non-decreasing (t is then incomplete).
bool BuildInverseTable(std::span<const double, kLevels> s, InverseTable& t);

// Saturating conversions: NaN gives 0, out-of-range values the nearest bound.
std::uint16_t TruncateToU16(double x);
std::int64_t TruncateToI64(double x);

}  // namespace tl::engine
