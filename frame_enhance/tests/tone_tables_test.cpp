#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "frame_enhance/core/tone_tables.h"
#include "frame_enhance/tests/reference_kernels.h"

namespace tl::frame {
namespace {

using testing::MakeTables;
using testing::Tables;

// The tables computed entry by entry as written, with the C library's tanh.
Tables LiteralTables(int low, int high, float noise, float strength, int mode) {
  Tables t;
  const ToneParams p = MakeToneParams(low, high, noise, strength);
  const double a = 1 + 0.8 * static_cast<double>(noise);
  float g[256], b[256], e[256], q[256], r[256];
  for (int i = 0; i < 256; ++i) {
    const double x = i;
    const float ramp = static_cast<float>(i / 256.0);
    const double d = p.mid + (x + (1 - static_cast<double>(ramp)) * (x - p.mid + 1) - p.knee) * p.slope;
    g[i] = static_cast<float>((255 * std::tanh(x / d) + 1) / (i + 1));
    e[i] = static_cast<float>(static_cast<double>(strength) * g[i] + (1 - static_cast<double>(strength)));
    if (mode == 0) {
      b[i] = e[i];
    } else if (i < 200) {
      const double f = i * 0.005;
      b[i] = static_cast<float>(e[i] * (1 - f) + f);
      q[i] = static_cast<float>((1 - f) * 128.5);
      r[i] = static_cast<float>((1 - f) * 16.5);
    } else {
      b[i] = 1;
      q[i] = r[i] = 0;
    }
  }
  auto limit = [](double v) {
    const float f = static_cast<float>(v);
    return f < 16 ? 16 : f > 240 ? 240 : static_cast<int>(f);
  };
  for (int j = 0; j < 256; ++j) {
    const double v = mode == 0 ? j * static_cast<double>(b[j]) - (g[j] - 1.0) * 16.5 * strength
                               : j * static_cast<double>(b[j]) - (e[j] - 1.0) * r[j];
    t.curve[j] = static_cast<std::uint8_t>(limit(v));
  }
  for (int hi = 0; hi < 256; ++hi) {
    for (int lo = 0; lo < 256; ++lo) {
      const double w = mode == 0 ? ((hi * static_cast<double>(b[lo]) - (g[lo] - 1.0) * 128.5 * strength) - 128) * a + 128
                                 : ((hi * static_cast<double>(b[lo]) - (e[lo] - 1.0) * q[lo]) - 128) * a + 128;
      t.lut1[hi * 256 + lo] = static_cast<std::uint16_t>(t.curve[hi] * 256 + t.curve[lo]);
      t.lut2[hi * 256 + lo] = static_cast<std::uint16_t>(limit(w) * 256 + t.curve[lo]);
    }
  }
  return t;
}

void ExpectSameTables(const Tables& got, const Tables& want) {
  EXPECT_EQ(got.curve, want.curve);
  int lut1Differences = 0, lut2Differences = 0;
  for (int i = 0; i < 65536; ++i) {
    lut1Differences += got.lut1[i] != want.lut1[i];
    lut2Differences += got.lut2[i] != want.lut2[i];
  }
  EXPECT_EQ(lut1Differences, 0);
  EXPECT_EQ(lut2Differences, 0);
}

TEST(ToneTables, PortableTanhMatchesTheLibrary) {
  double worst = 0;
  for (double x = -30; x <= 30; x += 0.001) worst = std::max(worst, std::fabs(PortableTanh(x) - std::tanh(x)));
  EXPECT_LT(worst, 4e-16);
  EXPECT_EQ(PortableTanh(std::numeric_limits<double>::infinity()), 1.0);
  EXPECT_EQ(PortableTanh(-std::numeric_limits<double>::infinity()), -1.0);
  EXPECT_TRUE(std::isnan(PortableTanh(std::nan(""))));
  EXPECT_EQ(PortableTanh(0.0), 0.0);
  for (double x = -700; x <= 700; x += 0.37) EXPECT_NEAR(PortableExp(x) / std::exp(x), 1.0, 1e-15) << x;
  EXPECT_EQ(PortableExp(800), std::numeric_limits<double>::infinity());
  EXPECT_EQ(PortableExp(-800), 0.0);
}

TEST(ToneTables, BothModesMatchTheFormulasEntryForEntry) {
  struct Case { int low, high; float noise, strength; };
  std::vector<Case> cases = {Case{50, 150, 0.5f, 0.5f}, Case{0, 255, 1.0f, 1.0f}, Case{30, 220, 0.25f, 0.8f},
                             Case{100, 110, 0.9f, 0.1f}, Case{16, 235, 0.0f, 0.65f}};
  std::mt19937 random(21);
  for (int i = 0; i < 8; ++i) {
    cases.push_back(Case{static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                         static_cast<float>(random() % 1001) / 1000, static_cast<float>(random() % 1001) / 1000});
  }
  for (const Case& c : cases) {
    for (int mode = 0; mode < 2; ++mode) {
      SCOPED_TRACE(::testing::Message() << c.low << " " << c.high << " " << c.noise << " " << c.strength << " mode " << mode);
      ExpectSameTables(MakeTables(c.low, c.high, c.noise, c.strength, mode),
                       LiteralTables(c.low, c.high, c.noise, c.strength, mode));
    }
  }
}

TEST(ToneTables, NoStrengthNoNoiseOnlyClipsToVideoRange) {
  for (int mode = 0; mode < 2; ++mode) {
    const Tables t = MakeTables(50, 150, 0.0f, 0.0f, mode);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(t.curve[i], std::clamp(i, 16, 240));
    for (int c = 0; c < 256; ++c) {
      for (int y = 0; y < 256; y += 17) EXPECT_EQ(t.lut2[c * 256 + y], std::clamp(c, 16, 240) * 256 + t.curve[y]);
    }
  }
}

TEST(ToneTables, FadedModeKeepsBrightLevelsWhateverTheParameters) {
  const float nan = std::nanf("");
  struct Case { int low, high; float noise, strength; };
  for (const Case& c : {Case{0, 0, 5.0f, 3.0f}, Case{255, 255, -2.0f, -1.0f}, Case{-1000, 1000, 0.5f, 0.5f},
                        Case{50, 150, nan, nan}}) {
    const Tables t = MakeTables(c.low, c.high, c.noise, c.strength, 1);
    for (int j = 200; j < 256; ++j) EXPECT_EQ(t.curve[j], std::min(j, 240)) << j;
  }
}

TEST(ToneTables, UndefinedValuesGiveTheUnenhancedLevel) {
  EXPECT_EQ(LimitToVideoRange(std::nanf(""), 100), 100);
  EXPECT_EQ(LimitToVideoRange(std::nanf(""), 3), 16);
  EXPECT_EQ(LimitToVideoRange(std::nanf(""), 250), 240);
  EXPECT_EQ(LimitToVideoRange(-std::numeric_limits<float>::infinity(), 100), 16);
  EXPECT_EQ(LimitToVideoRange(std::numeric_limits<float>::infinity(), 100), 240);
  EXPECT_EQ(LimitToVideoRange(239.999f, 0), 239);
  EXPECT_EQ(LimitToVideoRange(15.999f, 0), 16);

  // low = high = 255 makes the curve's divisor zero at level 0.
  const Tables t = MakeTables(255, 255, std::nanf(""), 0.5f, 0);
  for (int i = 0; i < 256; ++i) EXPECT_GE(t.curve[i], 16);
  for (int c = 0; c < 256; ++c) EXPECT_EQ(t.lut2[c * 256 + 128] >> 8, std::clamp(c, 16, 240));
}

TEST(ToneTables, DefaultParametersAreTheFormulaValues) {
  const ToneParams defaults;
  const ToneParams made = MakeToneParams(50, 150, 0.5f, 0.5f);
  EXPECT_EQ(defaults.mid, made.mid);
  EXPECT_EQ(defaults.knee, made.knee);
  EXPECT_EQ(defaults.slope, made.slope);
  EXPECT_FLOAT_EQ(made.slope, 50.0f / 177.5f);
}

}  // namespace
}  // namespace tl::frame
