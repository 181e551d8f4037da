// Timing harness (not a test): playback on the graph's clock at real sizes. Uncompressed YUY2
// clips of 150 frames at 30 frames/s go through Wine's GStreamer demuxer into the installed
// renderer; IQualProp's figures and the process's processor time are printed afterwards.
//   scripts/wine-bench --arch win64 --state build/win64/bench --
//     bash -c 'cd build/win64/benchmarks && "$WINE" renderer_playback_timing.exe'
// The clips are written beside the program on first use (about 700 MB).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "common/win32/module_path.h"
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
  if (FAILED(RenderFile(TestAvi(name, spec), graph)) || !graph.renderer) {
    std::printf("%s: the renderer was not chosen\n", name.c_str());
    return f;
  }
  const double cpuBefore = ProcessCpuMs();
  if (!PlayToEnd(graph, 120000, true)) std::printf("%s: no end of stream within two minutes\n", name.c_str());
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

}  // namespace
}  // namespace tl::renderer::testing

int wmain() {
  using namespace tl::renderer::testing;
  // The installation folder and this program's folder, as the test support finds them.
  const std::wstring here = tl::win32::ModuleDirectory(nullptr);
  if (!std::getenv("TL_INSTALL_DIR")) _wputenv_s(L"TL_INSTALL_DIR", (here + L"..\\TavoLumara\\").c_str());
  if (!std::getenv("TL_TEST_DIR")) _wputenv_s(L"TL_TEST_DIR", here.c_str());
  tl::win32::ComApartment apartment(COINIT_MULTITHREADED);
  if (RegisterInstalledFilter() != 0u) {
    std::printf("regsvr32 of the installed eLumara.ax failed\n");
    return 1;
  }
  WriteTypicalSettings();
  PlayClip("yuy2_1280x720_30fps.avi", {AviPixels::kYuy2, 1280, 720, 150, 30});
  PlayClip("yuy2_1920x1080_30fps.avi", {AviPixels::kYuy2, 1920, 1080, 150, 30});
  RemoveSettingsKey();
  return 0;
}
