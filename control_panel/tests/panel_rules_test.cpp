#include "control_panel/core/panel_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tl::panel {
namespace {

TEST(PanelModes, ButtonsByCommandAndByMode) {
  EXPECT_EQ(ModeButtonForCommand(1028)->mode, kModeLumara);
  EXPECT_EQ(ModeButtonForCommand(1027)->mode, kModeVivid);
  EXPECT_EQ(ModeButtonForCommand(1030)->mode, kModeTheater);
  EXPECT_EQ(ModeButtonForCommand(1026)->mode, kModeSoft);
  EXPECT_EQ(ModeButtonForCommand(1053)->mode, kModeNormal);
  EXPECT_EQ(ModeButtonForCommand(1037), nullptr) << "Default is no mode";
  for (int mode = 1; mode <= 5; ++mode) EXPECT_EQ(ModeButtonForMode(mode)->mode, mode);
  EXPECT_EQ(ModeButtonForMode(0), nullptr);
  EXPECT_EQ(ModeButtonForMode(6), nullptr);
  EXPECT_STREQ(ModeButtonForMode(kModeNormal)->tooltip, L"Disable TavoLumara");
  EXPECT_STREQ(ModeButtonForMode(kModeLumara)->skinId, "ui_gamma");
}

TEST(PanelTicks, CommandsCountFromTheThirdTickAndAResetStartsOver) {
  ReadyTicks ticks;
  EXPECT_FALSE(ticks.Ready());
  ticks.Tick();
  ticks.Tick();
  EXPECT_FALSE(ticks.Ready());
  ticks.Tick();
  EXPECT_TRUE(ticks.Ready());
  for (int i = 0; i < 10; ++i) ticks.Tick();
  EXPECT_EQ(ticks.count(), 3) << "counted up to three only";
  ticks.Reset();
  EXPECT_FALSE(ticks.Ready());
  EXPECT_EQ(TimerPeriodMs(common::kAdapterIntel500), 1250);
  for (auto code : {common::kAdapterUnknown, common::kAdapterIntel, common::kAdapterIntel4Series, common::kAdapterAti}) {
    EXPECT_EQ(TimerPeriodMs(code), 100);
  }
}

TEST(PanelPreview, TheSliderOnTheVideoTabSetsLowStrengthAndNoise) {
  struct Case {
    int position;
    int low;
    float strength;
    float noise;
  };
  for (const Case c : {Case{0, 40, 0.0f, 0.0f}, Case{50, 30, 0.5f, 0.125f}, Case{100, 20, 1.0f, 0.25f}}) {
    PreviewParameters held = kStartParameters;
    const PreviewUpdate update = ComputePreviewUpdate(Tab::kVideo, kModeVivid, c.position, 100, held);
    EXPECT_TRUE(update.videoProcessing);
    EXPECT_EQ(update.low, c.low) << c.position;
    EXPECT_EQ(update.high, 185);
    EXPECT_EQ(update.strength, c.strength);
    EXPECT_EQ(update.noise, c.noise);
    EXPECT_EQ(held.low, c.low) << "the held parameters follow";
    EXPECT_EQ(held.strength, c.strength);
    EXPECT_EQ(held.noise, c.noise);
  }
  // Single-precision fraction, double arithmetic, truncation: 0.3f is a hair above 0.3.
  PreviewParameters held = kStartParameters;
  EXPECT_EQ(ComputePreviewUpdate(Tab::kVideo, kModeSoft, 30, 100, held).low, 33);
  EXPECT_EQ(ComputePreviewUpdate(Tab::kVideo, kModeSoft, 25, 100, held).low, 35);
}

TEST(PanelPreview, NormalModeAndTheLcdTabSendTheHeldThresholdsWithProcessingOff) {
  PreviewParameters held = kStartParameters;
  PreviewUpdate update = ComputePreviewUpdate(Tab::kVideo, kModeNormal, 100, 100, held);
  EXPECT_FALSE(update.videoProcessing);
  EXPECT_EQ(update.noise, 0.0f);
  EXPECT_EQ(update.strength, 0.0f);
  EXPECT_EQ(update.low, 40);
  EXPECT_EQ(update.high, 185);
  EXPECT_EQ(held.strength, 0.5f) << "untouched";

  ComputePreviewUpdate(Tab::kVideo, kModeVivid, 100, 100, held);
  update = ComputePreviewUpdate(Tab::kLcd, kModeVivid, 100, 100, held);
  EXPECT_FALSE(update.videoProcessing);
  EXPECT_EQ(update.low, 20) << "the low the Video tab left";
  EXPECT_EQ(update.noise, 0.0f);
  EXPECT_EQ(update.strength, 0.0f);

  // A slider without range counts as position 0.
  held = kStartParameters;
  EXPECT_EQ(ComputePreviewUpdate(Tab::kVideo, kModeVivid, 50, 0, held).low, 40);
}

TEST(PanelPreview, DefaultAndSliderPositions) {
  EXPECT_EQ(SliderPositionFor(kStartParameters.strength), 50);
  EXPECT_EQ(SliderPositionFor(kDefaultParameters.strength), 50);
  EXPECT_EQ(SliderPositionFor(0.0f), 0);
  EXPECT_EQ(SliderPositionFor(0.999f), 99);
  EXPECT_EQ(SliderPositionFor(2.0f), 100);
  EXPECT_EQ(SliderPositionFor(-1.0f), 0);
  EXPECT_EQ(SliderPositionFor(std::numeric_limits<float>::quiet_NaN()), 0);
  // Default then a preview update on the Video tab: low 30, strength 0.5, noise 0.125.
  PreviewParameters held = kDefaultParameters;
  const PreviewUpdate update =
      ComputePreviewUpdate(Tab::kVideo, kModeLumara, SliderPositionFor(held.strength), kSliderMaximum, held);
  EXPECT_EQ(update.low, 30);
  EXPECT_EQ(update.strength, 0.5f);
  EXPECT_EQ(update.noise, 0.125f);
}

TEST(PanelGeometry, ScaledControlsCentringAndFullScreen) {
  // 660 / 723 and 440 / 442: x and width by one factor, y and height by the other, truncated.
  const Rect scaled = ScaleControlRect({37, 123, 313, 355}, 660.0 / 723.0, 440.0 / 442.0);
  EXPECT_EQ(scaled, (Rect{33, 122, 33 + 251, 122 + 230}));

  EXPECT_EQ(CentredOrigin(1024, 768, 660, 440), (skin::Point{182, 164}));
  EXPECT_EQ(CentredOrigin(1023, 767, 661, 441), (skin::Point{511 - 330, 383 - 220}));
  EXPECT_EQ(CentredOrigin(640, 400, 660, 440), (skin::Point{-10, 0})) << "never above the desktop";

  EXPECT_EQ(FullScreenOutline({0, 0, 1024, 768}), (Rect{0, 0, 1024, 793}));
  EXPECT_EQ(FullScreenOutline({-4, -4, 1028, 772}), (Rect{0, 0, 1032, 776}));
}

skin::Pixels Picture(int width, int height, std::initializer_list<uint32_t> pixels) {
  skin::Pixels p;
  p.width = width;
  p.height = height;
  p.data.assign(pixels);
  return p;
}

TEST(PanelGeometry, OutlineRunsLeaveOutTheKeyRange) {
  EXPECT_TRUE(InKeyRange(0xFF00FF, kOutlineKey, kOutlineTolerance));
  EXPECT_TRUE(InKeyRange(0xFF20FF, kOutlineKey, kOutlineTolerance));
  EXPECT_FALSE(InKeyRange(0xFF21FF, kOutlineKey, kOutlineTolerance));
  EXPECT_FALSE(InKeyRange(0xFE00FF, kOutlineKey, kOutlineTolerance)) << "below the key's red";
  EXPECT_FALSE(InKeyRange(0x000000, kOutlineKey, kOutlineTolerance));
  EXPECT_TRUE(InKeyRange(0x2F2F2F, 0x101010, 0x202020));
  EXPECT_FALSE(InKeyRange(0x313131, 0x101010, 0x202020));
  EXPECT_TRUE(InKeyRange(0xFFFFFF, 0xF0F0F0, 0x808080)) << "the range stops at 255";

  constexpr uint32_t k = 0xFF00FF, o = 0x336699;
  const skin::Pixels body = Picture(5, 3, {k, o, o, k, o,  //
                                           k, k, k, k, k,  //
                                           o, o, o, o, o});
  const std::vector<Rect> runs = OutlineRuns(body);
  const std::vector<Rect> expected = {{1, 0, 3, 1}, {4, 0, 5, 1}, {0, 2, 5, 3}};
  EXPECT_EQ(runs, expected);
  EXPECT_TRUE(OutlineRuns(skin::Pixels{}).empty());
}

TEST(PanelPrograms, MediaPlayerHelpAndStartFailures) {
  EXPECT_EQ(MediaPlayerPath(L"%ProgramFiles%\\Windows Media Player", L"D:\\Programme"),
            L"D:\\Programme\\Windows Media Player\\wmplayer.exe");
  EXPECT_EQ(MediaPlayerPath(L"C:\\Program Files\\Windows Media Player\\", L"D:\\Programme"),
            L"C:\\Program Files\\Windows Media Player\\wmplayer.exe");
  EXPECT_EQ(MediaPlayerPath(L"E:\\Players", L"D:\\Programme"), L"E:\\Players\\wmplayer.exe");
  EXPECT_EQ(QuotedCommandLine(L"C:\\Program Files\\P\\wmplayer.exe", L"D:\\My Movies\\a b.wmv"),
            L"\"C:\\Program Files\\P\\wmplayer.exe\" \"D:\\My Movies\\a b.wmv\"");
  EXPECT_EQ(HelpDocumentPath(L"C:\\Suite\\", kHelpDocumentKey), L"C:\\Suite\\help\\Eng\\Tavo Lumara.htm");

  EXPECT_EQ(StartFailureText(0), L"The system is out of memory or resources.");
  EXPECT_EQ(StartFailureText(2), L"The specified file was not found.");
  EXPECT_EQ(StartFailureText(3), L"The specified path was not found.");
  EXPECT_EQ(StartFailureText(11), L"The .exe file is invalid.");
  EXPECT_EQ(StartFailureText(5), L"Error Code: 5");
  EXPECT_EQ(ClassicStartResult(2), 2);
  EXPECT_EQ(ClassicStartResult(3), 3);
  EXPECT_EQ(ClassicStartResult(193), 11);
  EXPECT_EQ(ClassicStartResult(8), 0);
  EXPECT_EQ(ClassicStartResult(14), 0);
  EXPECT_EQ(ClassicStartResult(5), 5);
}

}  // namespace
}  // namespace tl::panel
