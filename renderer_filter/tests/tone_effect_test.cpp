// The effect's constants, tone and CPU references against the frame library's tables and the
// worked examples of the callers.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "frame_enhance/core/tone_tables.h"
#include "renderer_filter/core/tone_effect.h"

namespace tl::renderer {
namespace {

TEST(ToneEffect, ConstantsFollowTheWorkedExamples) {
  const Float4 start = ToneConstant(40, 185, 0.125f);
  EXPECT_FLOAT_EQ(start[0], 71.25f);
  EXPECT_FLOAT_EQ(start[1], 0.125f);
  EXPECT_FLOAT_EQ(start[2], 112.5f);
  EXPECT_NEAR(start[3], 0.394558, 1e-6);

  const Float4 renderer = ToneConstant(50, 110, 0.5f);
  EXPECT_FLOAT_EQ(renderer[0], 87.5f);
  EXPECT_FLOAT_EQ(renderer[2], 80.0f);
  EXPECT_FLOAT_EQ(renderer[3], static_cast<float>(30.0 / 167.5));

  const frame::ToneParams tone = ToneFromConstants(start, {0.5f, 0.0f, 4.0f, 1.95f});
  EXPECT_EQ(tone.knee, start[0]);
  EXPECT_EQ(tone.noise, start[1]);
  EXPECT_EQ(tone.mid, start[2]);
  EXPECT_EQ(tone.slope, start[3]);
  EXPECT_EQ(tone.strength, 0.5f);
}

TEST(ToneEffect, NamesOfTheContract) {
  for (int i = 0; i < kTechniqueCount; ++i) {
    const auto technique = static_cast<Technique>(i);
    EXPECT_EQ(FindTechnique(TechniqueName(technique)), technique);
  }
  EXPECT_FALSE(FindTechnique("lumara").has_value());
  EXPECT_FALSE(FindTechnique("").has_value());
  EXPECT_STREQ(TechniqueName(Technique::kSimplestVS2Yuy2), "SimplestVS2_YUY2");
  EXPECT_STREQ(Describe(EffectParameter::kRampTexture).name, "g_RampTexture");
  EXPECT_EQ(Describe(EffectParameter::kQuadTexelOffsets).floats, 2);
  EXPECT_EQ(Describe(EffectParameter::kYuy2Texture).floats, 0);
  EXPECT_EQ(FrameTexture(Technique::kYuy2ToRgb), EffectParameter::kYuy2Texture);
  EXPECT_EQ(FrameTexture(Technique::kLumara), EffectParameter::kColorTexture);
  EXPECT_TRUE(UsesRamp(Technique::kLumara));
  EXPECT_FALSE(UsesRamp(Technique::kSimplestVS2));
}

TEST(ToneEffect, VideoLevelsRoundTripAndKeepBlackWhiteAndGrey) {
  const Ycc black = ToVideoLevels({0, 0, 0});
  const Ycc white = ToVideoLevels({255, 255, 255});
  EXPECT_NEAR(black.y, 16, 1e-9);
  EXPECT_NEAR(white.y, 235, 1e-9);
  EXPECT_NEAR(white.cb, 128, 1e-9);
  EXPECT_NEAR(white.cr, 128, 1e-9);
  const Ycc blue = ToVideoLevels({0, 0, 255});
  EXPECT_NEAR(blue.cb, 240, 1e-9);
  const Ycc red = ToVideoLevels({255, 0, 0});
  EXPECT_NEAR(red.cr, 240, 1e-9);
  std::mt19937 random(5);
  for (int i = 0; i < 2000; ++i) {
    const Rgb c{1.0 * (random() % 256), 1.0 * (random() % 256), 1.0 * (random() % 256)};
    const Rgb back = ToRgb(ToVideoLevels(c));
    ASSERT_NEAR(back.r, c.r, 1e-9);
    ASSERT_NEAR(back.g, c.g, 1e-9);
    ASSERT_NEAR(back.b, c.b, 1e-9);
  }
}

// The tone at whole levels is the frame library's: its curve and chroma tables hold the same
// values truncated (and limited to the video range) where this keeps them exact.
TEST(ToneEffect, ToneAtWholeLevelsIsTheFrameLibrarysTables) {
  std::vector<std::uint8_t> curve(256);
  std::vector<float> ramp(256);
  std::vector<std::uint16_t> lut1(frame::kLutEntries), lut2(frame::kLutEntries);
  frame::FillRamp(ramp.data());
  for (const auto& [low, high, noise, strength] :
       {std::tuple{40, 185, 0.125f, 0.5f}, std::tuple{20, 185, 0.25f, 1.0f}, std::tuple{50, 150, 0.5f, 0.5f}}) {
    const frame::ToneParams params = frame::MakeToneParams(low, high, noise, strength);
    frame::ComputeToneTables(params, frame::ToneMode::kFullRange, {curve.data(), ramp.data(), lut1.data(), lut2.data()});
    const frame::ToneParams tone = ToneFromConstants(ToneConstant(low, high, noise), {strength, 0, 0, 0});
    for (int y = 16; y <= 240; ++y) {
      for (int c = 16; c <= 240; c += 8) {
        const Ycc toned = ApplyTone(tone, {1.0 * y, 1.0 * c, 1.0 * c});
        const auto limited = [](double v) { return v < 16 ? 16.0 : v > 240 ? 240.0 : v; };
        ASSERT_NEAR(limited(toned.y), curve[y], 1.0) << low << " " << y;
        ASSERT_NEAR(limited(toned.cb), lut2[c * 256 + y] >> 8, 1.0) << low << " " << y << " " << c;
        ASSERT_EQ(toned.cb, toned.cr);
      }
    }
  }
}

TEST(ToneEffect, NoStrengthAndNoNoiseLeaveEveryPixel) {
  const frame::ToneParams tone = ToneFromConstants(ToneConstant(40, 185, 0.0f), {0, 0, 0, 0});
  const RampTexels identity = IdentityRampTexels();
  std::mt19937 random(9);
  for (int i = 0; i < 20000; ++i) {
    const Pixel p = random() & 0xFFFFFF;
    ASSERT_EQ(ReferenceSimplest(tone, p), p);
    ASSERT_EQ(ReferenceLumara(tone, identity, p), p);
  }
  for (int y = 16; y <= 235; ++y) EXPECT_EQ(ReferenceSimplestYuy2(tone, y, 128, 128), ReferenceYuy2ToRgb(y, 128, 128));
}

TEST(ToneEffect, LumaraLooksEachChannelUpInItsRampFirst) {
  RampTexels inverted;
  for (std::uint32_t k = 0; k < 256; ++k) inverted[k] = (255 - k) << 16 | (k / 2) << 8 | 200;
  const frame::ToneParams none = ToneFromConstants(ToneConstant(40, 185, 0.0f), {0, 0, 0, 0});
  EXPECT_EQ(ReferenceLumara(none, inverted, 0x000000), 0xFF00C8u);
  EXPECT_EQ(ReferenceLumara(none, inverted, 0x10FF20), 0xEF7FC8u);
  const frame::ToneParams tone = ToneFromConstants(ToneConstant(40, 185, 0.125f), {0.5f, 0, 0, 0});
  EXPECT_EQ(ReferenceLumara(tone, inverted, 0x10FF20), ReferenceSimplest(tone, 0xEF7FC8));
  EXPECT_EQ(ReferenceLumara(tone, IdentityRampTexels(), 0x336699), ReferenceSimplest(tone, 0x336699));
}

TEST(ToneEffect, ToneBrightensMidTonesAndKeepsBlack) {
  const frame::ToneParams tone = ToneFromConstants(ToneConstant(40, 185, 0.125f), {0.5f, 0, 0, 0});
  EXPECT_EQ(ReferenceSimplest(tone, 0x000000), 0x000000u);
  const Pixel grey = ReferenceSimplest(tone, 0x646464);
  EXPECT_GT(grey & 0xFF, 0x64u);
  // A grey stays grey within a level: the frame library scales Cb and Cr around 128.5, which
  // moves them by half the gain step.
  EXPECT_NEAR(static_cast<int>(grey >> 16 & 0xFF), static_cast<int>(grey & 0xFF), 1);
  // Saturation 1 + 0.8 noise moves a colour away from its grey.
  const Pixel red = ReferenceSimplest(ToneFromConstants(ToneConstant(40, 185, 1.0f), {0, 0, 0, 0}), 0x804040);
  EXPECT_GT(red >> 16 & 0xFF, 0x80u);
  EXPECT_LT(red & 0xFF, 0x40u);
}

TEST(ToneEffect, ExtremeConstantsGiveDefinedPixels) {
  const Float4 settings[] = {{0, 0, 0, 0},          {-500, 1, 1000, -40}, {1e30f, 1, 1e30f, 1e30f},
                             {71.25f, 1, 112.5f, -1e6f}, {0, 0, 0.5f, 1e-30f}, {NAN, NAN, NAN, NAN}};
  for (const Float4& c : settings) {
    const frame::ToneParams tone = ToneFromConstants(c, {1, 0, 0, 0});
    for (int level = 0; level < 256; level += 5) {
      const Ycc toned = ApplyTone(tone, {1.0 * level, 128, 128});
      if (!std::isnan(c[0])) {
        EXPECT_FALSE(std::isnan(toned.y)) << c[0] << " " << c[3] << " " << level;
      }
      const Pixel p = ReferenceSimplest(tone, 0x010101u * level);
      EXPECT_LE(p, 0xFFFFFFu);
    }
  }
}

TEST(ToneEffect, Yuy2ReferenceExpandsTheVideoRange) {
  EXPECT_EQ(ReferenceYuy2ToRgb(16, 128, 128), 0x000000u);
  EXPECT_EQ(ReferenceYuy2ToRgb(235, 128, 128), 0xFFFFFFu);
  EXPECT_EQ(ReferenceYuy2ToRgb(0, 128, 128), 0x000000u);
  EXPECT_EQ(ReferenceYuy2ToRgb(255, 128, 128), 0xFFFFFFu);
  EXPECT_EQ(ReferenceYuy2ToRgb(126, 128, 128), 0x808080u);
  EXPECT_EQ(ReferenceYuy2ToRgb(81, 90, 240), 0xFE0000u);  // BT.601 red
  EXPECT_EQ(ToByte(-3), 0);
  EXPECT_EQ(ToByte(254.5), 255);
  EXPECT_EQ(ToByte(NAN), 0);
  EXPECT_EQ(ToByte(12.49), 12);
}

}  // namespace
}  // namespace tl::renderer
