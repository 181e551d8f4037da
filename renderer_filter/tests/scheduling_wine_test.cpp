// Playback on the graph's clock at real sizes: uncompressed YUY2 clips at 30 frames/s through
// Wine's GStreamer demuxer into the renderer, the figures of IQualProp afterwards. 720p must play
// without a dropped frame; the 1080p figures are reported (README: what this machine kind does).
#include <gtest/gtest.h>

#include <cstdio>

#include "common/testing/wine_testing.h"
#include "renderer_filter/tests/renderer_test_support.h"

namespace tl::renderer::testing {
namespace {

struct Figures {
  int drawn = 0, dropped = 0, rateHundredths = 0, jitterMs = 0, syncOffsetMs = 0, syncDeviationMs = 0;
};

// Processor time this process has used (all its threads: the demuxer's, the renderer's and the
// software rasterizer's), in milliseconds.
double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

Figures PlayClip(const std::string& name, const AviSpec& spec) {
  Figures f;
  Graph graph;
  EXPECT_TRUE(SUCCEEDED(RenderFile(TestAvi(name, spec), graph)));
  EXPECT_TRUE(graph.renderer);
  if (!graph.renderer) return f;
  const double cpuBefore = ProcessCpuMs();
  EXPECT_TRUE(PlayToEnd(graph, 120000, true));
  const double cpuMs = ProcessCpuMs() - cpuBefore;
  ComPtr<IQualProp> quality;
  if (SUCCEEDED(graph.renderer.As(&quality))) {
    quality->get_FramesDrawn(&f.drawn);
    quality->get_FramesDroppedInRenderer(&f.dropped);
    quality->get_AvgFrameRate(&f.rateHundredths);
    quality->get_Jitter(&f.jitterMs);
    quality->get_AvgSyncOffset(&f.syncOffsetMs);
    quality->get_DevSyncOffset(&f.syncDeviationMs);
  }
  graph.control->Stop();
  std::printf("%s: %d frames drawn, %d dropped, %d.%02d frames/s, jitter %d ms, sync offset %d ms (deviation %d ms), "
              "processor %.1f ms a frame\n",
              name.c_str(), f.drawn, f.dropped, f.rateHundredths / 100, f.rateHundredths % 100, f.jitterMs,
              f.syncOffsetMs, f.syncDeviationMs, cpuMs / spec.frames);
  return f;
}

class Scheduling : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RegisterInstalledFilter(), 0u); }
  void SetUp() override { WriteTypicalSettings(); }
  void TearDown() override { RemoveSettingsKey(); }
  tl::win32::ComApartment apartment_{COINIT_MULTITHREADED};
};

TEST_F(Scheduling, Clip720pAt30FramesPerSecondDropsNothing) {
  const AviSpec spec{AviPixels::kYuy2, 1280, 720, 150, 30};
  const Figures f = PlayClip("yuy2_1280x720_30fps.avi", spec);
  EXPECT_EQ(f.drawn, spec.frames);
  EXPECT_EQ(f.dropped, 0);
}

TEST_F(Scheduling, Clip1080pAt30FramesPerSecondIsReported) {
  const AviSpec spec{AviPixels::kYuy2, 1920, 1080, 150, 30};
  const Figures f = PlayClip("yuy2_1920x1080_30fps.avi", spec);
  EXPECT_EQ(f.drawn + f.dropped, spec.frames);
}

}  // namespace
}  // namespace tl::renderer::testing
