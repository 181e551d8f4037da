#include "control_panel/core/settings_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace tl::panel {
namespace {

TEST(SettingsRules, ThresholdsAreClampedInBothDirections) {
  PreviewParameters p{5, 300, 0.5f, 0.5f};
  ClampPreviewParameters(p);
  EXPECT_EQ(p.low, 10);
  EXPECT_EQ(p.high, 255);

  p = {130, 100, 0.5f, 0.5f};
  ClampPreviewParameters(p);
  EXPECT_EQ(p.low, 110);
  EXPECT_EQ(p.high, 115);

  p = {10, 115, 0.0f, 1.0f};
  ClampPreviewParameters(p);
  EXPECT_EQ(p.low, 10);
  EXPECT_EQ(p.high, 115);
}

TEST(SettingsRules, FractionsAreClampedAndANanBecomesZero) {
  PreviewParameters p{40, 185, -0.25f, 1.5f};
  ClampPreviewParameters(p);
  EXPECT_EQ(p.strength, 0.0f);
  EXPECT_EQ(p.noise, 1.0f);

  p.strength = 2.0f;
  p.noise = std::numeric_limits<float>::quiet_NaN();
  ClampPreviewParameters(p);
  EXPECT_EQ(p.strength, 1.0f);
  EXPECT_EQ(p.noise, 0.0f);
}

TEST(SettingsRules, FractionsAreStoredAsTruncatedMultiplesOf65535) {
  EXPECT_EQ(FractionToStored(0.5), 32767u);
  EXPECT_EQ(FractionToStored(0.125), 8191u);
  EXPECT_EQ(FractionToStored(0.0), 0u);
  EXPECT_EQ(FractionToStored(1.0), 65535u);
  EXPECT_EQ(FractionToStored(-3.0), 0u);
  EXPECT_EQ(FractionToStored(7.0), 65535u);
  EXPECT_EQ(FractionToStored(std::numeric_limits<double>::quiet_NaN()), 0u);
  EXPECT_EQ(FractionToStored(std::numeric_limits<double>::infinity()), 65535u);
}

TEST(SettingsRules, StoredFractionsReadBackClamped) {
  EXPECT_DOUBLE_EQ(StoredToFraction(32767), 32767.0 / 65535.0);
  EXPECT_EQ(StoredToFraction(65535), 1.0);
  EXPECT_EQ(StoredToFraction(0xFFFFFFFFu), 1.0);
  EXPECT_EQ(StoredToFraction(0), 0.0);
}

TEST(SettingsRules, ToStoredClampsTheCallersParametersToo) {
  PreviewParameters p{0, 999, 0.125f, 0.5f};
  const StoredVideoSettings stored = ToStored(p);
  EXPECT_EQ(stored, (StoredVideoSettings{10, 255, 8191, 32767}));
  EXPECT_EQ(p.low, 10);
  EXPECT_EQ(p.high, 255);

  PreviewParameters install = kInstallParameters;
  EXPECT_EQ(ToStored(install), (StoredVideoSettings{30, 185, 32767, 32767}));
}

TEST(SettingsRules, DialogStrengthRoundsHalfUpAndClamps) {
  EXPECT_EQ(StrengthPercentFromStored(32767), 50);
  EXPECT_EQ(StrengthPercentFromStored(65535), 100);
  EXPECT_EQ(StrengthPercentFromStored(0), 0);
  // 327 gives 0.499 % and 328 gives 0.5005 %: the half-way point lies between them.
  EXPECT_EQ(StrengthPercentFromStored(327), 0);
  EXPECT_EQ(StrengthPercentFromStored(328), 1);
  EXPECT_EQ(StrengthPercentFromStored(0xFFFFFFFFu), 100);

  RawSettings raw;
  EXPECT_EQ(DialogStrengthFrom(raw), 50) << "no key";
  raw.keyOpened = true;
  EXPECT_EQ(DialogStrengthFrom(raw), 50) << "no value";
  raw.strength = 65535;
  EXPECT_EQ(DialogStrengthFrom(raw), 100);
}

TEST(SettingsRules, RendererDefaultsWithoutTheKeyStayInRange) {
  const RendererTuning t = RendererTuningFrom(RawSettings{});
  EXPECT_EQ(t.lowPoint, 50);
  EXPECT_EQ(t.highPoint, 115);
  EXPECT_EQ(t.strength, 0.75);
  EXPECT_EQ(t.noise, 0.5);
  EXPECT_FALSE(t.mirror);
  EXPECT_EQ(t.colorTone, 1);
  EXPECT_EQ(t.movie, 1);
  EXPECT_TRUE(t.installPath.empty());
}

TEST(SettingsRules, RendererDefaultsForMissingValues) {
  RawSettings raw;
  raw.keyOpened = true;
  const RendererTuning t = RendererTuningFrom(raw);
  EXPECT_EQ(t.lowPoint, 10);
  EXPECT_EQ(t.highPoint, 115);
  EXPECT_EQ(t.strength, 0.0);
  EXPECT_EQ(t.noise, 0.0);
  EXPECT_EQ(t.colorTone, 1);
  EXPECT_EQ(t.movie, 1);
  EXPECT_EQ(t.installPath, kDefaultInstallPath);
}

TEST(SettingsRules, RendererClampsStoredValues) {
  RawSettings raw;
  raw.keyOpened = true;
  raw.low = 5;
  raw.high = 300;
  raw.strength = 65535;
  raw.noise = 0x80000000u;
  raw.mirror = 2;
  raw.colorTone = 0xFFFFFFFFu;  // would be -1 as a signed integer
  raw.movie = 0;
  raw.path = std::wstring(400, L'x');
  RendererTuning t = RendererTuningFrom(raw);
  EXPECT_EQ(t.lowPoint, 10);
  EXPECT_EQ(t.highPoint, 255);
  EXPECT_EQ(t.strength, 1.0);
  EXPECT_EQ(t.noise, 1.0);
  EXPECT_TRUE(t.mirror);
  EXPECT_EQ(t.colorTone, 5);
  EXPECT_EQ(t.movie, 1);
  EXPECT_EQ(t.installPath.size(), kRegistryStringChars - 1);

  raw.low = 200;
  raw.high = 100;
  raw.colorTone = 4;
  raw.movie = 9;
  t = RendererTuningFrom(raw);
  EXPECT_EQ(t.lowPoint, 110);
  EXPECT_EQ(t.highPoint, 115);
  EXPECT_EQ(t.colorTone, 4);
  EXPECT_EQ(t.movie, 4);
}

TEST(SettingsRules, ColorToneAndLogOnCommand) {
  EXPECT_EQ(ClampColorTone(0), 1);
  EXPECT_EQ(ClampColorTone(3), 3);
  EXPECT_EQ(ClampColorTone(9), 5);
  EXPECT_EQ(LogOnCommand(L"C:\\Suite\\"), L"C:\\Suite\\AutoRun.exe");
}

}  // namespace
}  // namespace tl::panel
