// The colour-tone computation: the three methods, value gamma, ramp inversion and the inverse
// tables. Expected values of methods 1 and 2 come from reference/methods_reference.py, a
// separate plain-Python working of the same formulas.
#include <gtest/gtest.h>

#include <memory>

#include "engine/core/engine.h"
#include "engine/tests/test_tables.h"

namespace tl::engine {
namespace {

using testing::DisplayPanel;
using testing::LinearPanel;
using testing::PowerTone;
using testing::SrgbD50Ext;

using SampledRamp = std::array<std::array<int, 16>, 3>;

std::unique_ptr<CTintorEngine> EngineWith(const TableImage& panel, const TableImage& tone) {
  auto engine = std::make_unique<CTintorEngine>();
  engine->AcceptPanel(panel);
  engine->AcceptTone(tone);
  return engine;
}

void ExpectIdentity(const RampTable& ramp) {
  for (int i = 0; i < 768; ++i) ASSERT_EQ(ramp[i], (i % 256) * 257) << "entry " << i;
}

TEST(Computation, ToneEqualToThePanelGivesTheIdentityUnderMethod0) {
  const TableImage panel = DisplayPanel(2.4);
  TableImage tone = panel;  // same primaries, same response
  auto engine = EngineWith(panel, tone);
  ASSERT_TRUE(engine->Compute(0));
  EXPECT_EQ(engine->prepared, 1u);
  ExpectIdentity(engine->ramp);

  // Also with a different gamma per channel.
  TableImage mixed = DisplayPanel(2.2);
  mixed.data[1] = DisplayPanel(2.4).data[1];
  mixed.data[2] = DisplayPanel(2.6).data[2];
  engine = EngineWith(mixed, mixed);
  ASSERT_TRUE(engine->Compute(0));
  ExpectIdentity(engine->ramp);
}

TEST(Computation, FailsWithoutBothTablesOrWithSingularPrimaries) {
  auto engine = std::make_unique<CTintorEngine>();
  engine->AcceptPanel(LinearPanel());
  engine->ramp[5] = 1234;
  EXPECT_FALSE(engine->Compute(0));
  EXPECT_EQ(engine->prepared, 0u);
  EXPECT_EQ(engine->ramp[5], 1234) << "a failed computation keeps the previous ramp";

  ExtBlock singular = SrgbD50Ext();
  singular.blue = singular.red;
  engine = EngineWith(LinearPanel(singular), PowerTone(2.2));
  EXPECT_FALSE(engine->Compute(0));
  EXPECT_FALSE(engine->Compute(1));
  EXPECT_FALSE(engine->Compute(2));
  // Tiny but non-zero determinant: method 0 goes on, methods 1 and 2 refuse.
  ExtBlock tiny = SrgbD50Ext();
  tiny.red = {1e-3, 0, 0};
  tiny.green = {0, 1e-3, 0};
  tiny.blue = {0, 0, 1e-3};
  engine = EngineWith(LinearPanel(tiny), PowerTone(2.2, tiny));
  EXPECT_TRUE(engine->Compute(0));
  EXPECT_FALSE(engine->Compute(1));
  EXPECT_FALSE(engine->Compute(2));
  EXPECT_FALSE(engine->Compute(3)) << "unknown method";
}

TEST(Computation, InversionClampsBelowTheFirstAndAboveTheLastPanelOutput) {
  std::array<double, 256> panel;
  for (int i = 0; i < 256; ++i) panel[i] = 1000.0 + i * 200.0;  // 1000 .. 52000
  std::array<double, 256> wanted;
  for (int i = 0; i < 256; ++i) wanted[i] = i * 257.0;
  std::array<std::uint16_t, 256> ramp;
  InvertRamp(wanted, panel, ramp);
  // Levels 0..3 want less than p[0]: entry 0 is 0, then a straight run to entry 4.
  EXPECT_EQ(ramp[0], 0);
  const int first = ramp[4];
  EXPECT_GT(first, 0);
  for (int l = 1; l < 4; ++l) EXPECT_EQ(ramp[l], (first * l) / 4);
  // Above p[255] (52000 is reached at level 203) everything is 65535.
  EXPECT_LT(ramp[201], 65535);
  for (int i = 203; i < 256; ++i) EXPECT_EQ(ramp[i], 65535) << i;
  // In between: fractional levels, rounded.
  EXPECT_EQ(ramp[100], static_cast<int>(((25700.0 - 1000.0) / 200.0) * 257.0 + 0.5));
}

TEST(Computation, InversionNeverMovesItsCursorBack) {
  std::array<double, 256> panel;
  for (int i = 0; i < 256; ++i) panel[i] = i * 257.0;
  std::array<double, 256> wanted;
  for (int i = 0; i < 256; ++i) wanted[i] = i * 257.0;
  wanted[50] = 10 * 257.0;  // lower than its neighbours
  std::array<std::uint16_t, 256> ramp;
  InvertRamp(wanted, panel, ramp);
  EXPECT_EQ(ramp[50], 49 * 257);
  EXPECT_EQ(ramp[51], 51 * 257);
}

TEST(Computation, InverseTableFollowsTheCursorRule) {
  std::array<double, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = 100.5 + i * 200.0;  // 100.5 .. 51100.5
  auto t = std::make_unique<InverseTable>();
  ASSERT_TRUE(BuildInverseTable(s, *t));
  EXPECT_EQ((*t)[0], 0.0);
  EXPECT_EQ((*t)[100], 0.0);  // at or below trunc(s[0])
  EXPECT_DOUBLE_EQ((*t)[101], (101 - 100.5) / 200.0);
  EXPECT_DOUBLE_EQ((*t)[20100], 99.0 + (20100 - (100.5 + 99 * 200.0)) / 200.0);
  EXPECT_EQ((*t)[51100], 255.0);
  EXPECT_EQ((*t)[65535], 255.0);

  // A table that dips somewhere still gives fractional levels inside 0..255.
  s[128] = 10.0;
  BuildInverseTable(s, *t);
  for (double level : *t) ASSERT_TRUE(level >= 0.0 && level <= 255.0) << level;
}

TEST(Computation, InterpolateClampsAndBlends) {
  const double table[] = {0.0, 10.0, 30.0};
  EXPECT_EQ(Interpolate(table, 2, -5.0), 0.0);
  EXPECT_EQ(Interpolate(table, 2, 0.5), 5.0);
  EXPECT_EQ(Interpolate(table, 2, 1.25), 15.0);
  EXPECT_EQ(Interpolate(table, 2, 2.0), 30.0);
  EXPECT_EQ(Interpolate(table, 2, 99.0), 30.0);
}

TEST(Computation, ValueGammaHasNoEffectAtStrength0OrGamma1) {
  const TableImage panel = DisplayPanel(2.4);
  const TableImage tone = PowerTone(2.0, panel.ext);
  auto base = EngineWith(panel, tone);
  ASSERT_TRUE(base->Compute(1));

  // Strength 0: gamma V changes nothing.
  auto engine = EngineWith(panel, tone);
  engine->gammaV = 1.9;
  ASSERT_TRUE(engine->Compute(1));
  EXPECT_EQ(engine->ramp, base->ramp);

  // Strength 1 and gamma V 1: the factor is 1; against the same strength with colourfulness
  // computed identically, only the value gamma could differ.
  auto unity = EngineWith(panel, tone);
  unity->strength = 1.0;
  unity->gammaV = 1.0;
  ASSERT_TRUE(unity->Compute(1));
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 256; ++i) {
      ASSERT_NEAR(unity->workColours[c][i], base->workColours[c][i], 1e-9 * 65535) << c << " " << i;
    }
  }

  // Strength 1 with gamma V 1.5 darkens the mid-tones.
  auto dark = EngineWith(panel, tone);
  dark->strength = 1.0;
  dark->gammaV = 1.5;
  ASSERT_TRUE(dark->Compute(1));
  EXPECT_LT(dark->ramp[128], unity->ramp[128]);
}

struct MethodCase {
  std::int32_t method;
  std::uint16_t kelvin;
  double strength;
  double gammaV;
  std::uint16_t level;
  SampledRamp expected;
};

// method 1, 6500 K, strength 0.0, gamma V 1.0, level 1
constexpr SampledRamp kBradford6500Plain{{
    {0, 113, 548, 1376, 2638, 4367, 6587, 9320, 12584, 16397, 20773, 25726, 31269, 37413, 44169, 51548},
    {0, 288, 1155, 2603, 4632, 7244, 10439, 14219, 18582, 23531, 29066, 35186, 41893, 49186, 57067, 65535},
    {0, 102, 532, 1400, 2782, 4741, 7329, 10593, 14576, 19316, 24849, 31210, 38430, 46538, 55564, 65535}}};
// method 1, 9000 K, strength 0.6, gamma V 1.5, level 4
constexpr SampledRamp kBradford9000Curved{{
    {0, 14, 81, 226, 480, 876, 1447, 2229, 3260, 4583, 8001, 14082, 23008, 35063, 48588, 60444},
    {0, 57, 252, 622, 1231, 2147, 3474, 5363, 8055, 11943, 17620, 25752, 36373, 47878, 57843, 65535},
    {0, 20, 117, 335, 736, 1388, 2386, 3867, 6043, 9270, 14148, 21567, 32219, 44999, 56664, 65535}}};
// method 2, 5000 K, strength 0.0, gamma V 1.0, level 1
constexpr SampledRamp kLabWhite5000Plain{{
    {0, 150, 708, 1748, 3318, 5452, 8179, 11521, 15501, 20136, 25444, 31439, 38136, 45547, 53685, 62562},
    {0, 287, 1153, 2598, 4624, 7233, 10425, 14202, 18564, 23512, 29046, 35167, 41876, 49174, 57060, 65535},
    {0, 98, 518, 1373, 2741, 4685, 7259, 10511, 14485, 19220, 24754, 31120, 38351, 46478, 55530, 65535}}};
// method 2, 7500 K, strength 1.0, gamma V 0.8, level 7
constexpr SampledRamp kLabWhite7500Curved{{
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 536, 14417, 31223, 49121, 65535},
    {0, 0, 0, 231, 1141, 2580, 4920, 8674, 14476, 22755, 33126, 43961, 53176, 59620, 63474, 65535},
    {0, 48, 199, 491, 1003, 1847, 3285, 5765, 10030, 17064, 27472, 40081, 51642, 59515, 63687, 65535}}};

// The known panel of reference/methods_reference.py: linear outputs, sRGB-like primaries.
TEST(Computation, Methods1And2MatchTheIndependentReference) {
  ExtBlock panelExt = SrgbD50Ext();
  const TableImage panel = LinearPanel(panelExt);
  const ExtBlock toneExt = testing::MakeExt({0.95, 1.0, 1.05}, {0.48, 0.25, 0.02}, {0.33, 0.68, 0.09}, {0.15, 0.07, 0.78});
  TableImage tone;
  tone.ext = toneExt;
  const double gammas[3] = {2.2, 2.0, 2.4};
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 256; ++i) tone.data[c][i] = std::pow(i / 255.0, gammas[c]) * 65535.0;
  }

  const MethodCase cases[] = {{1, 6500, 0.0, 1.0, 1, kBradford6500Plain},
                              {1, 9000, 0.6, 1.5, 4, kBradford9000Curved},
                              {2, 5000, 0.0, 1.0, 1, kLabWhite5000Plain},
                              {2, 7500, 1.0, 0.8, 7, kLabWhite7500Curved}};
  for (const MethodCase& c : cases) {
    auto engine = EngineWith(panel, tone);
    engine->targetTemperature = c.kelvin;
    engine->strength = c.strength;
    engine->gammaV = c.gammaV;
    engine->colourfulness = {c.level, c.level, c.level};
    ASSERT_TRUE(engine->Compute(c.method));
    for (int ch = 0; ch < 3; ++ch) {
      for (int k = 0; k < 16; ++k) {
        // One step of slack for the last bit of a different order of operations.
        EXPECT_NEAR(engine->ramp[ch * 256 + k * 17], c.expected[ch][k], 1)
            << "method " << c.method << " " << c.kelvin << " K, channel " << ch << ", level " << k * 17;
      }
    }
  }
}

TEST(Computation, AbsentWhitesAreReplacedByD65) {
  // A white summing to 0.5 or less counts as absent: the result equals the one with D65.
  const TableImage panel = DisplayPanel(2.4);
  TableImage tone = PowerTone(2.2);
  tone.ext.white = {0.2, 0.2, 0.1};
  auto absent = EngineWith(panel, tone);
  tone.ext.white = kD65;
  auto d65 = EngineWith(panel, tone);
  for (std::int32_t method : {1, 2}) {
    ASSERT_TRUE(absent->Compute(method));
    ASSERT_TRUE(d65->Compute(method));
    EXPECT_EQ(absent->ramp, d65->ramp) << "method " << method;
  }
}

TEST(Computation, Method0AppliesTemperatureAndGaussianSteps) {
  const TableImage panel = DisplayPanel(2.4, SrgbD50Ext(6500));
  auto engine = EngineWith(panel, panel);
  engine->temperatureOn = 1;
  engine->targetTemperature = 9500;
  ASSERT_TRUE(engine->Compute(0));
  EXPECT_EQ(engine->ramp[255], static_cast<int>(65535 * 208.0 / 255.0));
  EXPECT_DOUBLE_EQ(engine->channelGains[1], 222.0 / 249.0);
  EXPECT_EQ(engine->ramp[512 + 255], 65535);

  engine = EngineWith(panel, panel);
  engine->colourfulnessOn = 1;
  engine->colourfulness = {10, 1, 1};
  ASSERT_TRUE(engine->Compute(0));
  EXPECT_LT(engine->ramp[40], 40 * 257) << "S-curve darkens shadows";
  EXPECT_GT(engine->ramp[215], 215 * 257) << "and lightens highlights";
  EXPECT_EQ(engine->ramp[256 + 40], 40 * 257) << "level 1 leaves green alone";
}

TEST(Computation, GamutOnPreparesEnhancedAndDisplayedColours) {
  const TableImage panel = DisplayPanel(2.4);
  for (std::int32_t method : {0, 1, 2}) {
    auto engine = EngineWith(panel, PowerTone(2.2, panel.ext));
    engine->gamutOn = 1;
    engine->colourfulnessOn = 1;
    engine->colourfulness = {3, 3, 3};
    ASSERT_TRUE(engine->Compute(method));
    EXPECT_EQ(engine->enhancedReady, 1u);
    EXPECT_EQ(engine->panelInverseReady, 1u);
    EXPECT_EQ(engine->rampInverseReady, 1u);
    ASSERT_EQ(engine->displayedReady, 1u);
    // The panel shows what was wanted to within the 8-bit quantisation of the ramp.
    for (int c = 0; c < 3; ++c) {
      for (int i = 0; i < 256; i += 15) {
        const double wanted = std::min(engine->enhancedColours[c][i] * engine->channelGains[c], 65535.0);
        EXPECT_NEAR(engine->displayedColours[c][i], wanted, 700.0) << method << " " << c << " " << i;
      }
    }
  }
  auto off = EngineWith(panel, PowerTone(2.2, panel.ext));
  ASSERT_TRUE(off->Compute(1));
  EXPECT_EQ(off->enhancedReady, 0u);
  EXPECT_EQ(off->displayedReady, 0u);
}

}  // namespace
}  // namespace tl::engine
