// preview_bench.exe: the preview player's timing harness, run by hand under Wine (never by the
// tests):
//   scripts/wine-bench --arch win64 --state build/win64/bench --
//       bash -c 'cd build/win64/benchmarks && "$WINE" preview_bench.exe'
// 1. A mode change on the sample picture: eLumara_SetRamp + eLumara_OnUpdate until the applied
//    window holds the new mode (its own surface; Wine hands it to the X server at its next flush).
// 2. Drawing 1280 x 720 movies through the built-in shaders: wall and CPU time of PresentImage per
//    frame, and the frames per second sustained, for an RGB32 clip at 25 and a YUY2 clip at 50
//    frames per second (one second each, looping).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/win32/com.h"
#include "common/win32/handles.h"
#include "common/win32/module_path.h"
#include "preview_player/core/preview_ramp.h"
#include "preview_player/tests/player_test_support.h"
#include "preview_player/win32/graph_player.h"
#include "preview_player/win32/player_api.h"

namespace {

using namespace tl::preview;

double Milliseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME f) { return static_cast<double>(static_cast<ULONGLONG>(f.dwHighDateTime) << 32 | f.dwLowDateTime); };
  return (value(kernel) + value(user)) / 10000.0;
}

COLORREF WindowPixel(HWND window, int x, int y) {
  tl::win32::WindowDc dc(window);
  return ::GetPixel(dc.get(), x, y);
}

void ModeChange(const std::wstring& folder) {
  HMODULE module = ::LoadLibraryW((folder + L"eLumara_Dll.dll").c_str());
  api::PlayerApi api;
  if (!module || !api.Load(module)) {
    std::printf("eLumara_Dll.dll not found in %ls\n", folder.c_str());
    return;
  }
  testing::PreviewWindows windows(1280, 480, 640, 480);
  windows.onGraphEvent = [&] { api.OnHandleGraphEvent(); };
  api.Initialize(windows.main(), windows.device(), nullptr, windows.normal(), windows.applied());
  if (api.CreateProcess((folder + L"samples\\default.jpg").c_str()) != 0) {
    std::printf("the sample picture does not open\n");
    return;
  }
  api.SetMethod(1);
  api.SetRamp("acf/panel.acf", 2, -1, 3, 3, 3);
  api.SetAVS(40, 185, 0.125f, 0.5f);
  api.SetCNF(0.5f, 1.95f);
  api.StartProcess();
  windows.ShowOnly(windows.applied());
  testing::Pump(1500);
  // A pixel of the blue-sky patch, which the two modes show differently.
  const int x = 230, y = 50;
  std::vector<double> total, setRamp, onUpdate;
  int mode = 4;
  for (int i = 0; i < 40; ++i) {
    const COLORREF before = WindowPixel(windows.applied(), x, y);
    const LONGLONG start = Now();
    api.SetRamp("acf/panel.acf", mode, -1, 3, 3, 3);
    const LONGLONG ramped = Now();
    api.OnUpdate();
    const LONGLONG updated = Now();
    while (WindowPixel(windows.applied(), x, y) == before && Milliseconds(Now() - start) < 2000) ::Sleep(0);
    total.push_back(Milliseconds(Now() - start));
    setRamp.push_back(Milliseconds(ramped - start));
    onUpdate.push_back(Milliseconds(updated - ramped));
    mode = mode == 4 ? 2 : 4;
    testing::Pump(30);
  }
  auto row = [](const char* what, std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    std::printf("| %s | %.1f ms | %.1f ms | %.1f ms |\n", what, times[times.size() / 2], times.front(), times.back());
  };
  row("mode change on the sample picture: SetRamp + OnUpdate until the applied window holds it", total);
  row("of which eLumara_SetRamp (engine and ramp upload)", setRamp);
  row("of which eLumara_OnUpdate (both halves drawn, read back, drawn into the windows)", onUpdate);
  api.Release();
}

void Movie(const std::wstring& path, const char* label) {
  testing::PreviewWindows windows(2560, 720, 1280, 720);
  CGraphPlayer player(windows.main());
  player.SetRenderless(windows.device(), DefaultPresentRoute() == PresentRoute::kGdi);
  windows.onGraphEvent = [&] { player.HandleEvents(); };
  if (player.OpenFile(path.c_str(), std::make_unique<VideoLumara0>()) != 0) {
    std::printf("| %s | does not open |\n", label);
    return;
  }
  VideoLumara0* scene = player.scene();
  ComputePreviewRamp(nullptr, "acf/panel.acf", 2, -1, 3, 3, 3, scene->rampTable());
  scene->UploadRamp();
  SetAvs(scene->constants(), 40, 185, 0.125f, 0.5f);
  static HWND normal, applied;
  normal = windows.normal();
  applied = windows.applied();
  scene->presentCallback = [](IDirect3DDevice9* device, CPlaneScene* s) {
    const SplitPresent split = SplitPresentRects(s->backBufferWidth(), s->backBufferHeight());
    const PresentTarget targets[] = {{normal, split.normal}, {applied, split.applied}};
    return s->presenter.Show(device, DefaultPresentRoute(), targets);
  };
  player.Run();
  testing::Pump(3000);  // warm: the first frames and the first loop
  const long frames0 = player.allocator()->framesPresented();
  const auto cost0 = player.allocator()->presentCost();
  const double cpu0 = ProcessCpuMs();
  const LONGLONG start = Now();
  testing::Pump(10000);
  const double seconds = Milliseconds(Now() - start) / 1000.0;
  const long frames = player.allocator()->framesPresented() - frames0;
  const auto cost = player.allocator()->presentCost();
  const double cpu = ProcessCpuMs() - cpu0;
  if (frames <= 0) {
    std::printf("| %s | no frames |\n", label);
    return;
  }
  std::printf("| %s | %.1f ms | %.1f ms | %.1f | %.1f ms |\n", label, (cost.wallMs - cost0.wallMs) / frames,
              (cost.threadCpuMs - cost0.threadCpuMs) / frames, frames / seconds, cpu / frames);
}

}  // namespace

int wmain() {
  tl::win32::ComApartment com;
  const std::wstring folder = tl::win32::ModuleDirectory(nullptr) + L"..\\TavoLumara\\";
  ::SetCurrentDirectoryW(folder.c_str());
  const std::wstring media = tl::win32::ModuleDirectory(nullptr) + L"media\\";
  std::printf("| measure | median | best | worst |\n|---|--:|--:|--:|\n");
  ModeChange(folder);
  std::printf("\n| 1280 x 720 clip | PresentImage wall / frame | PresentImage thread CPU / frame | frames per second | process CPU / frame |\n"
              "|---|--:|--:|--:|--:|\n");
  Movie(media + L"bench_rgb32_25.avi", "RGB32, 25 frames per second");
  Movie(media + L"bench_yuy2_50.avi", "YUY2, 50 frames per second");
  return 0;
}
