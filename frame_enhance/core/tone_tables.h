// The tone tables of the frame enhancement object: the luma curve and the two 64K-entry tables
// that the frame kernels look up (a 16-bit unit read little-endian: low byte first).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tl::frame {

// The four tuning values and the three curve values derived from them.
struct ToneParams {
  int lowPoint = 50;
  int highPoint = 150;
  float noise = 0.5f;
  float strength = 0.5f;
  float mid = 100.0f;
  float knee = 77.5f;
  float slope = 50.0f / 177.5f;
};

// Stores the tuning values and derives mid, knee and slope (nothing is clamped).
ToneParams MakeToneParams(int lowPoint, int highPoint, float noise, float strength);

enum class ToneMode : std::uint8_t { kFullRange = 0, kFadeToBright = 1 };

constexpr std::size_t kLutEntries = 65536;

// Where the computed tables go. lut1 and lut2 hold kLutEntries entries.
struct ToneTables {
  std::uint8_t* curve;  // 256
  float* ramp;          // 256, ramp[i] = i / 256
  std::uint16_t* lut1;  // [hi * 256 + lo] = curve[hi] << 8 | curve[lo]
  std::uint16_t* lut2;  // [c * 256 + y] = chroma'(c, y) << 8 | curve[y]
};

void FillRamp(float* ramp);

// The S-curve at level x (whole levels in the tables, any level in the renderer's effect):
// the denominator d = mid + (x + (1 - ramp)(x - mid + 1) - knee) slope, with ramp = x / 256 for
// the plain curve, and the gain G = (255 tanh(x / d) + 1) / (x + 1) that it gives level x.
double CurveDenominator(const ToneParams& params, double x, double ramp);
double CurveGain(double x, double denominator);
// Computes curve, LUT1 and LUT2 for the mode from the parameters and the ramp.
void ComputeToneTables(const ToneParams& params, ToneMode mode, const ToneTables& tables);

// tanh and exp computed the same way on every build, so tables never depend on the C library.
double PortableExp(double x);
double PortableTanh(double x);

// The 16..240 video-range limit with truncation of a value first rounded to float; an undefined
// value (NaN) gives the unenhanced level instead of an arbitrary one.
std::uint8_t LimitToVideoRange(float value, int unenhanced);

}  // namespace tl::frame
