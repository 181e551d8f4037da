// panel_timing.exe: the control panel's timing under Wine, for the README (not a test: it prints
// figures and asserts nothing).
//   panel_timing FOLDER [RUNS]
// 1. From the program's start to the first preview frame on the screen (the applied half shows a
//    picture instead of black).
// 2. From a mode click to the applied half showing that mode's picture (compared with the
//    picture it settles on).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/testing/screen_capture.h"
#include "control_panel/tests/panel_session.h"

namespace {

namespace ctl = tl::panel::testing;
using ctl::PanelProcess;
using Picture = std::vector<uint32_t>;

double NowMs() {
  LARGE_INTEGER frequency, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Picture AppliedHalf(const PanelProcess& panel) {
  HWND half = panel.Control(ctl::kPreviewApplied);
  return half ? tl::testing::CaptureClient(half, false) : Picture{};
}

// A picture, not the black the preview windows are cleared to: most pixels are not black.
bool ShowsPicture(const Picture& picture) {
  if (picture.empty()) return false;
  const auto lit = std::count_if(picture.begin(), picture.end(), [](uint32_t p) { return (p & 0xF0F0F0) != 0; });
  return lit * 2 > static_cast<std::ptrdiff_t>(picture.size());
}

// Within a level or two everywhere but a few pixels (a movie's frames or the scaler may differ).
bool Alike(const Picture& a, const Picture& b) {
  if (a.empty() || a.size() != b.size()) return false;
  size_t off = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      if (std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)) > 3) {
        ++off;
        break;
      }
    }
  }
  return off * 100 < a.size();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

void Print(const char* what, const std::vector<double>& samples) {
  if (samples.empty()) {
    std::printf("%s: no measurement\n", what);
    return;
  }
  std::printf("%s: median %.0f ms over %zu (min %.0f, max %.0f)\n", what, Median(samples), samples.size(),
              *std::min_element(samples.begin(), samples.end()), *std::max_element(samples.begin(), samples.end()));
}

// Polls the applied half until `done` says so; the time it took, or a negative value.
template <typename Done>
double TimeUntil(const PanelProcess& panel, double start, double limitMs, Done done) {
  while (NowMs() - start < limitMs) {
    if (done(AppliedHalf(panel))) return NowMs() - start;
    ::Sleep(1);
  }
  return -1.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: panel_timing FOLDER [RUNS]\n");
    return 2;
  }
  std::wstring folder = argv[1];
  if (folder.back() != L'\\') folder += L'\\';
  const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 7;

  std::vector<double> starts;
  for (int run = 0; run < runs; ++run) {
    const double start = NowMs();
    PanelProcess panel(folder);
    if (!panel.FindWindowEarly()) {
      std::fprintf(stderr, "panel_timing: the control panel did not start\n");
      return 1;
    }
    const double took = TimeUntil(panel, start, 20000, ShowsPicture);
    if (took >= 0) starts.push_back(took);
    if (!panel.WaitUntilReady() || !panel.Click(ctl::kClose) || !panel.WaitForExit(20000)) {
      std::fprintf(stderr, "panel_timing: the control panel did not end on Close\n");
      return 1;
    }
  }
  Print("start to first preview frame", starts);

  PanelProcess panel(folder);
  if (!panel.WaitUntilReady()) return 1;
  const int modes[2] = {ctl::kLumara, ctl::kVivid};
  Picture settled[2];
  for (int i = 0; i < 2; ++i) {
    panel.Click(modes[i]);
    ::Sleep(1500);
    settled[i] = AppliedHalf(panel);
  }
  if (Alike(settled[0], settled[1])) {
    std::fprintf(stderr, "panel_timing: Lumara and Vivid look alike in the preview; nothing to time\n");
  } else {
    std::vector<double> clicks;
    int showing = 1;  // Vivid was clicked last
    for (int click = 0; click < runs * 2; ++click) {
      const int next = 1 - showing;
      const double start = NowMs();
      panel.Click(modes[next]);
      const double took = TimeUntil(panel, start, 5000, [&](const Picture& p) { return Alike(p, settled[next]); });
      if (took >= 0) clicks.push_back(took);
      showing = next;
      ::Sleep(300);
    }
    Print("mode click to the applied preview showing the new mode", clicks);
  }
  panel.Click(ctl::kClose);
  panel.WaitForExit(20000);
  return 0;
}
