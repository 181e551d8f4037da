// Temperature step and the two colourfulness curves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/core/curves.h"

namespace tl::engine {
namespace {

TEST(TemperatureStep, RowsAreTakenToTheNearest100KelvinHalvesUpward) {
  EXPECT_EQ(TemperatureRow(4500), 0);
  EXPECT_EQ(TemperatureRow(6500), 20);
  EXPECT_EQ(TemperatureRow(6549), 20);
  EXPECT_EQ(TemperatureRow(6550), 21);
  EXPECT_EQ(TemperatureRow(9500), 50);
  const auto& whites = TemperatureWhites();
  EXPECT_EQ(whites[0].b, 186);
  EXPECT_EQ(whites[21].r, 254);
  EXPECT_EQ(whites[50].r, 208);
  EXPECT_EQ(whites[50].g, 222);
}

TEST(TemperatureStep, SameRowLeavesTheRampAndGivesUnitGains) {
  const RampTable in = IdentityRamp();
  RampTable out{};
  Gains gains{0, 0, 0};
  std::uint16_t panel = 6500;
  ASSERT_TRUE(TemperatureStep(6500, 6549, panel, in, out, gains));
  EXPECT_EQ(out, in);
  EXPECT_EQ(gains, (Gains{1.0, 1.0, 1.0}));

  ASSERT_TRUE(TemperatureStep(6500, 6550, panel, in, out, gains));
  EXPECT_DOUBLE_EQ(gains[0], 254.0 / 255.0);
  EXPECT_DOUBLE_EQ(gains[2], 255.0 / 253.0);
}

TEST(TemperatureStep, GainsTowards9500KelvinAndSaturationAtTheTop) {
  RampTable ramp = IdentityRamp();
  Gains gains{};
  std::uint16_t panel = 6500;
  ASSERT_TRUE(TemperatureStep(6500, 9500, panel, ramp, ramp, gains));
  EXPECT_DOUBLE_EQ(gains[0], 208.0 / 255.0);
  EXPECT_DOUBLE_EQ(gains[1], 222.0 / 249.0);
  EXPECT_DOUBLE_EQ(gains[2], 255.0 / 253.0);
  EXPECT_EQ(ramp[255], static_cast<int>(65535 * (208.0 / 255.0)));
  EXPECT_EQ(ramp[100], static_cast<int>(25700 * (208.0 / 255.0)));
  EXPECT_EQ(ramp[512 + 255], 65535) << "blue above 65535 stays at 65535";
}

TEST(TemperatureStep, OutOfRangeTemperaturesFailAndZeroPanelFallsBackTo6500) {
  RampTable ramp = IdentityRamp();
  Gains gains{7, 7, 7};
  std::uint16_t panel = 6500;
  EXPECT_FALSE(TemperatureStep(4400, 6500, panel, ramp, ramp, gains));
  EXPECT_FALSE(TemperatureStep(6500, 9600, panel, ramp, ramp, gains));
  EXPECT_EQ(ramp, IdentityRamp());
  EXPECT_EQ(gains[0], 7.0);

  panel = 0;
  ASSERT_TRUE(TemperatureStep(0, 6500, panel, ramp, ramp, gains));
  EXPECT_EQ(panel, 6500);
  EXPECT_EQ(gains, (Gains{1.0, 1.0, 1.0}));
}

TEST(Colourfulness, LevelsAreClampedInto1To10) {
  EXPECT_EQ(ClampLevel(0), 1);
  EXPECT_EQ(ClampLevel(5), 5);
  EXPECT_EQ(ClampLevel(11), 10);
  EXPECT_EQ(ClampLevel(65535), 10);
}

TEST(Colourfulness, GaussianLevel1KeepsTheRampAndLevel10KeepsItsEnds) {
  auto scratch = std::make_unique<GaussianScratch>();
  RampTable ramp = IdentityRamp();
  ASSERT_TRUE(GaussianColourfulness({1, 1, 1}, ramp, ramp, *scratch));
  EXPECT_EQ(ramp, IdentityRamp());

  ASSERT_TRUE(GaussianColourfulness({10, 10, 10}, ramp, ramp, *scratch));
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(ramp[c * 256], 0);
    EXPECT_EQ(ramp[c * 256 + 255], 65535);
    for (int i = 1; i < 256; ++i) ASSERT_GE(ramp[c * 256 + i], ramp[c * 256 + i - 1]);
  }
  // Steeper around the middle than the identity, flatter at the ends.
  EXPECT_LT(ramp[20], 20 * 257);
  EXPECT_GT(ramp[235], 235 * 257);
  EXPECT_EQ(ramp[128], ramp[256 + 128]);
}

TEST(Colourfulness, GaussianCurveIsTheNormalisedCumulativeGaussian) {
  auto q = std::make_unique<GaussianCurve>();
  ASSERT_TRUE(BuildGaussianCurve(2, *q));
  EXPECT_EQ((*q)[0], 0.0);
  EXPECT_DOUBLE_EQ((*q)[65535], 65535.0);
  // Symmetric around the middle: Q(x) + Q(1 - x) = Q(1) + the first term.
  EXPECT_NEAR((*q)[16384] + (*q)[65535 - 16384], 65535.0, 1.0);
  // Level 10 (sigma 0.15): at x = 0.5 - 0.15 the cumulative is about Phi(-1) scaled.
  ASSERT_TRUE(BuildGaussianCurve(10, *q));
  const double phi = 0.5 * std::erfc(1.0 / std::sqrt(2.0));
  const double phiEnd = 0.5 * std::erfc((0.5 / 0.15) / std::sqrt(2.0));
  EXPECT_NEAR((*q)[static_cast<int>(0.35 * 65535)] / 65535.0, (phi - phiEnd) / (1 - 2 * phiEnd), 1e-4);
}

TEST(Colourfulness, GaussianDoubleVariantUsesTheSameCurveAndClampsItsIndex) {
  auto scratch = std::make_unique<GaussianScratch>();
  auto q = std::make_unique<GaussianCurve>();
  ASSERT_TRUE(BuildGaussianCurve(5, *q));
  ColourTables values{};
  values[0][10] = 1000.4;
  values[0][11] = 1000.5;
  values[0][12] = 70000.0;  // past the top: must not wrap to black
  values[1][10] = 1000.4;
  ASSERT_TRUE(GaussianColourfulness({5, 1, 1}, values, *scratch));
  EXPECT_EQ(values[0][10], (*q)[1000]);
  EXPECT_EQ(values[0][11], (*q)[1001]);
  EXPECT_EQ(values[0][12], 65535.0);
  EXPECT_EQ(values[1][10], 1000.4);
}

TEST(Colourfulness, TanhAtStrength0LeavesTheRampForAnyLevel) {
  for (std::uint16_t level : {1, 5, 10}) {
    RampTable ramp = IdentityRamp();
    TanhColourfulness({level, level, level}, 0.0, ramp);
    EXPECT_EQ(ramp, IdentityRamp()) << level;
  }
}

TEST(Colourfulness, TanhAtFullStrengthFollowsTheFormula) {
  RampTable ramp = IdentityRamp();
  TanhColourfulness({4, 4, 4}, 1.0, ramp);
  const double k = 1.0 + 0.15 * 4;
  const double n = std::tanh(k);
  for (int i : {0, 30, 128, 200, 255}) {
    const double v = (i * 257 - 32767.5) / 32767.5;
    const double w = std::clamp(std::tanh(k * v) / n, -1.0, 1.0);
    EXPECT_NEAR(ramp[i], w * 32767.5 + 32767.5, 1.0) << i;
  }
  EXPECT_EQ(ramp[0], 0);
  EXPECT_EQ(ramp[255], 65535);
}

TEST(Colourfulness, TanhLeavesAChannelWhoseTopIsBelowMidLevel) {
  // Its n would be negative and the curve would turn the channel upside down.
  RampTable ramp = IdentityRamp();
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<std::uint16_t>(i * 100);  // top 25500
  const RampTable before = ramp;
  TanhColourfulness({5, 5, 5}, 1.0, ramp);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(ramp[i], before[i]);
  EXPECT_NE(ramp[256 + 30], before[256 + 30]) << "other channels still get the curve";

  ColourTables values{};
  values[0][3] = 123.0;
  TanhColourfulness({5, 5, 5}, 1.0, before, values);
  EXPECT_EQ(values[0][3], 123.0);
}

}  // namespace
}  // namespace tl::engine
