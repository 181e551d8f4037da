#include "engine/core/curves.h"

#include <cmath>
#include <numbers>

#include "engine/core/inversion.h"

namespace tl::engine {

const std::array<WhiteRgb, kWhiteRows>& TemperatureWhites() {
  static constexpr std::array<WhiteRgb, kWhiteRows> kWhites{{
      {255, 219, 186}, {255, 221, 190}, {255, 223, 194}, {255, 225, 198}, {255, 227, 202}, {255, 228, 206},
      {255, 230, 210}, {255, 232, 213}, {255, 233, 217}, {255, 235, 220}, {255, 236, 224}, {255, 238, 227},
      {255, 239, 230}, {255, 240, 233}, {255, 242, 236}, {255, 243, 239}, {255, 244, 242}, {255, 245, 245},
      {255, 246, 248}, {255, 248, 251}, {255, 249, 253}, {254, 249, 255}, {252, 247, 255}, {249, 246, 255},
      {247, 245, 255}, {245, 243, 255}, {243, 242, 255}, {240, 241, 255}, {239, 240, 255}, {237, 239, 255},
      {235, 238, 255}, {233, 237, 255}, {231, 236, 255}, {230, 235, 255}, {228, 234, 255}, {227, 233, 255},
      {225, 232, 255}, {224, 231, 255}, {222, 230, 255}, {221, 230, 255}, {220, 229, 255}, {218, 228, 255},
      {217, 227, 255}, {216, 227, 255}, {215, 226, 255}, {214, 225, 255}, {212, 225, 255}, {211, 224, 255},
      {210, 223, 255}, {209, 223, 255}, {208, 222, 255},
  }};
  return kWhites;
}

int TemperatureRow(int kelvin) { return (kelvin - 4450) / 100; }

bool TemperatureStep(int panelKelvin, int targetKelvin, std::uint16_t& enginePanelKelvin, const RampTable& in,
                     RampTable& out, Gains& gains) {
  if (panelKelvin == 0) {
    if (enginePanelKelvin == 0) enginePanelKelvin = kDefaultTemperature;
    panelKelvin = enginePanelKelvin;
  }
  auto valid = [](int k) { return k >= kMinTemperature && k <= kMaxTemperature; };
  if (!valid(panelKelvin) || !valid(targetKelvin)) return false;

  const int from = TemperatureRow(panelKelvin);
  const int to = TemperatureRow(targetKelvin);
  if (from == to) {
    gains = {1.0, 1.0, 1.0};
    out = in;
    return true;
  }
  const WhiteRgb& a = TemperatureWhites()[from];
  const WhiteRgb& b = TemperatureWhites()[to];
  gains = {static_cast<double>(b.r) / a.r, static_cast<double>(b.g) / a.g, static_cast<double>(b.b) / a.b};
  for (int c = 0; c < kChannels; ++c) {
    for (int i = 0; i < kLevels; ++i) {
      const double x = in[c * kLevels + i] * gains[c];
      out[c * kLevels + i] = x > 65535.0 ? 65535 : static_cast<std::uint16_t>(x);
    }
  }
  return true;
}

std::uint16_t ClampLevel(std::uint32_t level) {
  if (level == 0) return 1;
  return level > 10 ? 10 : static_cast<std::uint16_t>(level);
}

namespace {

constexpr std::array<double, 10> kGaussianWidths{100.0, 0.7, 0.5, 0.4, 0.35, 0.3, 0.275, 0.25, 0.2, 0.15};

}  // namespace

bool BuildGaussianCurve(int level, GaussianCurve& q) {
  const double sigma = kGaussianWidths[ClampLevel(static_cast<std::uint32_t>(level)) - 1];
  const double mu = 0.5;
  const double scale = 1.0 / (std::sqrt(2.0 * std::numbers::pi) * sigma);
  double sum = 0.0;
  for (int j = 0; j < 65536; ++j) {
    const double d = (j / 65535.0 - mu) / sigma;
    sum += std::exp(-0.5 * d * d) * scale;
    q[j] = sum;
  }
  const double span = q[65535] - q[0];
  if (!(span > 0.0)) return false;
  const double first = q[0];
  for (double& v : q) v = 65535.0 * (v - first) / span;
  return true;
}

namespace {

const GaussianCurve* CurveFor(int level, GaussianScratch& scratch) {
  if (scratch.level != level) {
    scratch.level = 0;
    if (!BuildGaussianCurve(level, scratch.curve)) return nullptr;
    scratch.level = level;
  }
  return &scratch.curve;
}

// Calls apply(channel, curve) for every channel whose level is not 1; false when a curve is
// degenerate (later channels are then left alone).
template <typename Apply>
bool ForEachCurvedChannel(Levels levels, GaussianScratch& scratch, Apply apply) {
  for (int c = 0; c < kChannels; ++c) {
    const int level = ClampLevel(levels[c]);
    if (level == 1) continue;
    const GaussianCurve* curve = CurveFor(level, scratch);
    if (!curve) return false;
    apply(c, *curve);
  }
  return true;
}

}  // namespace

bool GaussianColourfulness(Levels levels, const RampTable& in, RampTable& out, GaussianScratch& scratch) {
  if (&in != &out) out = in;
  return ForEachCurvedChannel(levels, scratch, [&](int c, const GaussianCurve& q) {
    for (int i = 0; i < kLevels; ++i) {
      std::uint16_t& entry = out[c * kLevels + i];
      entry = static_cast<std::uint16_t>(q[entry]);
    }
  });
}

bool GaussianColourfulness(Levels levels, ColourTables& values, GaussianScratch& scratch) {
  return ForEachCurvedChannel(levels, scratch, [&](int c, const GaussianCurve& q) {
    // Clamped rather than wrapped: a value past the top must not come out black.
    for (double& v : values[c]) v = q[TruncateToU16(v + 0.5)];
  });
}

namespace {

constexpr double kHalf = 32767.5;

double TanhNorm(int level, std::uint16_t last) {
  const double k = 1.0 + 0.15 * level;
  return std::tanh(k * (last - kHalf) / kHalf);
}

template <typename Value, typename Store>
void TanhChannel(double k, double n, double strength, Value* values, Store store) {
  for (int i = 0; i < kLevels; ++i) {
    const double v = (values[i] - kHalf) / kHalf;
    double w = std::tanh(k * v) / n;
    if (w < -1.0) w = -1.0;
    if (w > 1.0) w = 1.0;
    // (w S + v (1 - S)) h + h, written so that strength 0 gives back x exactly.
    store(values[i], values[i] + strength * (w - v) * kHalf);
  }
}

}  // namespace

// A channel whose top entry is at or below mid-level would get a negative n and come out
// inverted (black shown white): such a channel is left as it is.
void TanhColourfulness(Levels levels, double strength, RampTable& ramp) {
  for (int c = 0; c < kChannels; ++c) {
    const int level = ClampLevel(levels[c]);
    const double n = TanhNorm(level, ramp[c * kLevels + kLevels - 1]);
    if (!(n > 0.0)) continue;
    TanhChannel(1.0 + 0.15 * level, n, strength, &ramp[c * kLevels],
                [](std::uint16_t& out, double x) { out = TruncateToU16(x); });
  }
}

void TanhColourfulness(Levels levels, double strength, const RampTable& ramp, ColourTables& values) {
  for (int c = 0; c < kChannels; ++c) {
    const int level = ClampLevel(levels[c]);
    const double n = TanhNorm(level, ramp[c * kLevels + kLevels - 1]);
    if (!(n > 0.0)) continue;
    TanhChannel(1.0 + 0.15 * level, n, strength, values[c].data(), [](double& out, double x) { out = x; });
  }
}

}  // namespace tl::engine
