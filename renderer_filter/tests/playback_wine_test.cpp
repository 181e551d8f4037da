// eLumara.ax in real graphs under Wine: registered with regsvr32, chosen by RenderFile for
// generated uncompressed AVIs, every frame drawn through the tone and compared with the CPU
// reference of the technique for the registry's tuning values.
//
// Tolerance: one level per channel. The device computes the tone in 32-bit floats with its own
// exp2 and reciprocal and rounds once to 8 bits, the reference in doubles; a value within a
// float's error of a rounding boundary lands either side. The unenhanced technique is exact.
#include <gtest/gtest.h>

#include "common/dshow/tests/test_source.h"
#include "common/testing/wine_testing.h"
#include "renderer_filter/tests/renderer_test_support.h"

namespace tl::renderer::testing {
namespace {

constexpr int kTolerance = 1;

class Playback : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RegisterInstalledFilter(), 0u); }
  void SetUp() override { WriteTypicalSettings(); }
  void TearDown() override {
    if (graph_.control) graph_.control->Stop();
    graph_ = {};
    RemoveSettingsKey();
  }

  // Plays a file to its end with the filter the graph picks, and checks it was ours.
  void Play(const std::wstring& file, int frames) {
    ASSERT_TRUE(SUCCEEDED(RenderFile(file, graph_)));
    ASSERT_TRUE(graph_.renderer) << "RenderFile did not choose Norvak Video Renderer";
    ASSERT_TRUE(PlayToEnd(graph_));
    ComPtr<IQualProp> quality;
    ASSERT_EQ(graph_.renderer.As(&quality), S_OK);
    int drawn = 0, dropped = -1;
    quality->get_FramesDrawn(&drawn);
    quality->get_FramesDroppedInRenderer(&dropped);
    EXPECT_EQ(drawn, frames);
    EXPECT_EQ(dropped, 0);
  }

  void ExpectFrame(const AviSpec& spec, int index, bool enhanced, int x0 = 0, int x1 = -1) {
    const std::optional<Picture> picture = CurrentImage(graph_.renderer.Get());
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, spec.width);
    ASSERT_EQ(picture->height, spec.height);
    const frame::ToneParams tone = ToneFor(30, 185, 32767 / 65535.0, 32767 / 65535.0);
    const Difference d = Compare(
        *picture, [&](int x, int y) { return ExpectedPixel(spec, index, x, y, enhanced ? &tone : nullptr); }, x0, x1);
    EXPECT_LE(d.worst, enhanced ? kTolerance : 0) << d.first;
    std::printf("frame %d, columns %d..%d: %ld pixels one level off\n", index, x0, x1 < 0 ? spec.width : x1,
                d.differing);
  }

  tl::win32::ComApartment apartment_{COINIT_MULTITHREADED};
  Graph graph_;
};

TEST_F(Playback, Rgb32FileIsDrawnUprightThroughTheTone) {
  const AviSpec spec{AviPixels::kRgb32, 640, 480, 8, 25};
  ASSERT_NO_FATAL_FAILURE(Play(TestAvi("rgb32_640x480.avi", spec), spec.frames));
  // Compared row by row with the picture's top first: a flipped picture differs everywhere.
  ExpectFrame(spec, spec.frames - 1, true);
}

TEST_F(Playback, Yuy2FileIsDrawnUnflippedThroughTheTone) {
  const AviSpec spec{AviPixels::kYuy2, 640, 480, 8, 25};
  ASSERT_NO_FATAL_FAILURE(Play(TestAvi("yuy2_640x480.avi", spec), spec.frames));
  const RendererDiagnostics d = Diagnostics(graph_.renderer.Get());
  EXPECT_TRUE(d.shaderUnpack) << "Wine has no YUY2 textures: the shader unpack runs";
  ExpectFrame(spec, spec.frames - 1, true);
}

TEST_F(Playback, MirrorShowsThePlainLeftHalfAndTheEnhancedRightHalf) {
  WriteSettings({{L"VS2_Low", 30}, {L"VS2_High", 185}, {L"VS2_Strength", 32767}, {L"VS2_Noise", 32767},
                 {L"VS2_Mirror", 1}});
  for (AviPixels pixels : {AviPixels::kRgb32, AviPixels::kYuy2}) {
    const AviSpec spec{pixels, 640, 480, 4, 25};
    graph_ = {};
    ASSERT_NO_FATAL_FAILURE(
        Play(TestAvi(pixels == AviPixels::kRgb32 ? "rgb32_mirror.avi" : "yuy2_mirror.avi", spec), spec.frames));
    ExpectFrame(spec, spec.frames - 1, false, 0, spec.width / 2);
    ExpectFrame(spec, spec.frames - 1, true, spec.width / 2, spec.width);
    graph_.control->Stop();
  }
}

}  // namespace
}  // namespace tl::renderer::testing
