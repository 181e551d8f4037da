#include "frame_enhance/core/tone_tables.h"

#include <cstring>

namespace tl::frame {
namespace {

constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kInvLn2 = 1.44269504088896338700e+00;

// 2^k for k in [-1022, 1023], built from the exponent bits.
double PowerOfTwo(int k) {
  std::uint64_t bits = static_cast<std::uint64_t>(k + 1023) << 52;
  double result;
  std::memcpy(&result, &bits, sizeof result);
  return result;
}

}  // namespace

ToneParams MakeToneParams(int lowPoint, int highPoint, float noise, float strength) {
  ToneParams p;
  p.lowPoint = lowPoint;
  p.highPoint = highPoint;
  p.noise = noise;
  p.strength = strength;
  p.mid = static_cast<float>((static_cast<double>(lowPoint) + highPoint) * 0.5);
  p.knee = static_cast<float>((255.0 - p.mid) * 0.5);
  p.slope = static_cast<float>((highPoint - static_cast<double>(p.mid)) / (255.0 - p.knee));
  return p;
}

double PortableExp(double x) {
  if (x != x) return x;
  if (x > 709.78) return __builtin_inf();
  if (x < -745.2) return 0.0;
  // x = k ln2 + r with |r| <= ln2 / 2; the series of e^r to r^13 is exact to double precision.
  double scaled = x * kInvLn2;
  int k = static_cast<int>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
  double r = (x - k * kLn2Hi) - k * kLn2Lo;
  double series = 1.0;
  for (int n = 13; n >= 1; --n) series = 1.0 + series * r / n;
  // Two steps keep 2^k representable at both ends of the range.
  int half = k / 2;
  return series * PowerOfTwo(half) * PowerOfTwo(k - half);
}

double PortableTanh(double x) {
  if (x != x) return x;
  double magnitude = x < 0 ? -x : x;
  double result;
  if (magnitude > 22.0) {
    result = 1.0;
  } else if (magnitude < 1e-9) {
    result = magnitude;
  } else {
    double e = PortableExp(2.0 * magnitude);
    result = 1.0 - 2.0 / (e + 1.0);
  }
  return x < 0 ? -result : result;
}

std::uint8_t LimitToVideoRange(float value, int unenhanced) {
  if (value < 16.0f) return 16;
  if (value > 240.0f) return 240;
  if (value != value) {
    if (unenhanced < 16) return 16;
    if (unenhanced > 240) return 240;
    return static_cast<std::uint8_t>(unenhanced);
  }
  return static_cast<std::uint8_t>(static_cast<int>(value));
}

void FillRamp(float* ramp) {
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<float>(i / 256.0);
}

double CurveDenominator(const ToneParams& params, double x, double ramp) {
  const double mid = params.mid;
  return mid + (x + (1.0 - ramp) * (x - mid + 1.0) - static_cast<double>(params.knee)) * static_cast<double>(params.slope);
}

double CurveGain(double x, double denominator) { return (255.0 * PortableTanh(x / denominator) + 1.0) / (x + 1.0); }

void ComputeToneTables(const ToneParams& params, ToneMode mode, const ToneTables& tables) {
  const double strength = params.strength;
  const double a = 1.0 + 0.8 * static_cast<double>(params.noise);

  // Per level: the blended gain and the offset subtracted from a chroma byte (both in the
  // precision the tables are defined with: gains stored as float, products in double).
  float gainBlend[256];
  double chromaOffset[256];
  for (int i = 0; i < 256; ++i) {
    const double x = i;
    const float g = static_cast<float>(CurveGain(x, CurveDenominator(params, x, tables.ramp[i])));
    const float blended = static_cast<float>(strength * g + (1.0 - strength));
    double v;
    if (mode == ToneMode::kFullRange) {
      gainBlend[i] = blended;
      chromaOffset[i] = (static_cast<double>(g) - 1.0) * 128.5 * strength;
      v = x * gainBlend[i] - (static_cast<double>(g) - 1.0) * 16.5 * strength;
    } else if (i < 200) {
      const double f = i * 0.005;
      gainBlend[i] = static_cast<float>(blended * (1.0 - f) + f);
      const float q = static_cast<float>((1.0 - f) * 128.5);
      const float r = static_cast<float>((1.0 - f) * 16.5);
      chromaOffset[i] = (static_cast<double>(blended) - 1.0) * q;
      v = x * gainBlend[i] - (static_cast<double>(blended) - 1.0) * r;
    } else {
      // The fade has ended: no gain, whatever the parameters.
      gainBlend[i] = 1.0f;
      chromaOffset[i] = 0.0;
      v = x;
    }
    tables.curve[i] = LimitToVideoRange(static_cast<float>(v), i);
  }

  for (int hi = 0; hi < 256; ++hi) {
    std::uint16_t* row1 = tables.lut1 + hi * 256;
    std::uint16_t* row2 = tables.lut2 + hi * 256;
    const unsigned curvedHi = tables.curve[hi];
    const double chroma = hi;
    for (int lo = 0; lo < 256; ++lo) {
      const float w = static_cast<float>(((chroma * gainBlend[lo] - chromaOffset[lo]) - 128.0) * a + 128.0);
      row1[lo] = static_cast<std::uint16_t>(curvedHi << 8 | tables.curve[lo]);
      row2[lo] = static_cast<std::uint16_t>(LimitToVideoRange(w, hi) << 8 | tables.curve[lo]);
    }
  }
}

}  // namespace tl::frame
