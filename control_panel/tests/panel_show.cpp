// panel_show.exe: shows what the running control panel does, for the main job (scripts/run).
//   panel_show wait            waits until the control panel is up and takes commands
//   panel_show shots FOLDER    screenshots of the LCD tab with each mode and of the Video tab
//   panel_show close           clicks Close and waits for the program to end
// Exit code 0 on success, 1 when the control panel is not there or does not answer.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/testing/screen_capture.h"
#include "common/win32/text.h"
#include "control_panel/tests/panel_session.h"

namespace {

namespace ctl = tl::panel::testing;
using ctl::PanelProcess;

// Long enough for the preview to draw the new mode and the screen to show it.
constexpr DWORD kSettleMs = 700;

bool Shot(const PanelProcess& panel, const std::wstring& path) {
  ::Sleep(kSettleMs);
  const bool saved = tl::testing::SaveWindowPng(panel.window(), path);
  std::printf("  %s %s\n", saved ? "screenshot" : "could not save", tl::win32::Narrow(path, CP_UTF8).c_str());
  return saved;
}

int Shots(PanelProcess& panel, std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  struct Mode {
    int id;
    const wchar_t* name;
  };
  const Mode modes[] = {{ctl::kLumara, L"lumara"}, {ctl::kVivid, L"vivid"}, {ctl::kTheater, L"theater"},
                        {ctl::kSoft, L"soft"}, {ctl::kNormal, L"normal"}};
  bool all = true;
  for (const Mode& mode : modes) {
    all = panel.Click(mode.id) && Shot(panel, folder + L"panel_lcd_" + mode.name + L".png") && all;
  }
  all = panel.Click(ctl::kVideoTab) && Shot(panel, folder + L"panel_video.png") && all;
  // Back to the LCD tab with Lumara, as the program starts.
  all = panel.Click(ctl::kLcdTab) && panel.Click(ctl::kLumara) && all;
  return all ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command != L"wait" && command != L"close" && !(command == L"shots" && argc > 2)) {
    std::fprintf(stderr, "usage: panel_show wait | shots FOLDER | close\n");
    return 2;
  }
  PanelProcess panel = PanelProcess::Attach(30000);
  if (!panel.started() || !panel.WaitUntilReady()) {
    std::fprintf(stderr, "panel_show: the control panel is not running\n");
    return 1;
  }
  if (command == L"wait") return 0;
  if (command == L"shots") return Shots(panel, argv[2]);
  if (!panel.Click(ctl::kClose) || !panel.WaitForExit(20000)) {
    std::fprintf(stderr, "panel_show: the control panel did not end on Close\n");
    return 1;
  }
  return 0;
}
