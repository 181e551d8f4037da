// TavoLumara.exe started from the installation folder with the real engine, skin library and
// preview player, driven with real messages; the display, the registry and the debugger output
// tell what it did.
#include <gtest/gtest.h>
#include <windows.h>
#include <wtsapi32.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/testing/debug_output.h"
#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "common/win32/file.h"
#include "common/win32/gdi.h"
#include "common/win32/handles.h"
#include "common/win32/module_path.h"
#include "common/win32/process.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"
#include "control_panel/tests/panel_fixture.h"
#include "control_panel/tests/panel_session.h"
#include "control_panel/win32/settings_store.h"
#include "engine/win32/tintor_api.h"
#include "renderer_filter/core/tone_effect.h"
#include "skin/core/bmp.h"

namespace {

namespace panel = tl::panel;
namespace api = tl::engine::api;
using panel::testing::PanelProcess;
using tl::testing::DisplayShows;
using tl::testing::GammaRamp;
using tl::testing::InstallDir;
using tl::testing::RecognisableRamp;
namespace ctl = panel::testing;
using ctl::ChooseInFileDialog;
using ctl::LogOnValue;
using ctl::RegistryStringOverride;
using ctl::SameText;
using ctl::Stored;

constexpr wchar_t kMarkKey[] = L"SOFTWARE\\TavoLumaraTests";
constexpr wchar_t kMarkValue[] = L"NorvakPluginRegistered";

// Waits for a registry string that another process writes (the registration tool runs apart).
std::optional<std::wstring> WaitForString(const wchar_t* key, const wchar_t* name, bool present) {
  std::optional<std::wstring> value;
  for (int i = 0; i < 300; ++i) {
    value = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, key, name);
    if (value.has_value() == present) break;
    ::Sleep(50);
  }
  return value;
}

// The lines of the panel's preview updates among everything written to the debugger output.
std::vector<std::string> PreviewLines(const std::string& output) {
  std::vector<std::string> lines;
  size_t at = 0;
  while ((at = output.find("TavoLumara: preview ", at)) != std::string::npos) {
    const size_t end = output.find('\n', at);
    lines.push_back(output.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? output.size() : end;
  }
  return lines;
}

class ControlPanel : public ctl::PanelTest {
 protected:
  static void SetUpTestSuite() {
    // The stand-in plug-in goes where the installation keeps the real one.
    ASSERT_TRUE(::CopyFileW((tl::testing::TestDir() + L"plugin\\NorvakPlugin.dll").c_str(), Plugin().c_str(), FALSE));
  }
  static void TearDownTestSuite() { ::DeleteFileW(Plugin().c_str()); }
  static std::wstring Plugin() { return InstallDir() + L"NorvakPlugin.dll"; }

  void ForgetEarlierRuns() override {
    PanelTest::ForgetEarlierRuns();
    tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kMarkKey, kMarkValue);
  }
};

TEST_F(ControlPanel, StartShowsTheIdentityAndCloseAfterVividPutsBackTheRampFoundAtStart) {
  TL_REQUIRE_GAMMA();
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  std::unique_ptr<PanelProcess> program;
  Start(program);
  EXPECT_TRUE(DisplayShows(tl::testing::IdentityRamp())) << "the display keeps its ramp while the program runs";

  ASSERT_TRUE(program->Click(ctl::kVivid));
  EXPECT_TRUE(DisplayShows(tl::testing::IdentityRamp())) << "choosing a mode only changes the preview";
  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);

  EXPECT_TRUE(DisplayShows(RecognisableRamp())) << "Close puts back the ramp found at start";
  EXPECT_FALSE(Stored(panel::kValueColorTone).has_value()) << "Close stores no mode";
  EXPECT_FALSE(LogOnValue().has_value());
  const auto path = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath);
  ASSERT_TRUE(path.has_value());
  EXPECT_TRUE(SameText(*path, InstallDir())) << tl::win32::Narrow(*path);
}

TEST_F(ControlPanel, ApplyWithVividShowsTheModeOnTheDisplayAndStoresIt) {
  NoteEngineValuesBeforeStart();
  std::unique_ptr<PanelProcess> program;
  Start(program);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kApply));
  ExpectCleanEnd(*program);

  if (tl::testing::DisplayKeepsGamma()) {
    const GammaRamp vivid = PreviewRampOf(2);
    EXPECT_FALSE(tl::testing::SameAtDisplayPrecision(vivid, tl::testing::IdentityRamp()));
    EXPECT_TRUE(DisplayShows(vivid)) << "the display holds the ramp the preview showed for Vivid";
  }
  EXPECT_EQ(Stored(panel::kValueColorTone), 2u);
  EXPECT_EQ(Stored(panel::kValueMovie), 1u);
  // The preview's values at start, clamped and stored as fractions of 65535.
  EXPECT_EQ(Stored(panel::kValueLow), 40u);
  EXPECT_EQ(Stored(panel::kValueHigh), 185u);
  EXPECT_EQ(Stored(panel::kValueStrength), 32767u);
  EXPECT_EQ(Stored(panel::kValueNoise), 8191u);
  const auto logOn = LogOnValue();
  ASSERT_TRUE(logOn.has_value());
  EXPECT_TRUE(SameText(*logOn, InstallDir() + L"AutoRun.exe")) << tl::win32::Narrow(*logOn);
  const auto mark = WaitForString(kMarkKey, kMarkValue, true);
  ASSERT_TRUE(mark.has_value()) << "the registration tool did not register the plug-in";
  EXPECT_TRUE(SameText(*mark, Plugin())) << tl::win32::Narrow(*mark);
}

TEST_F(ControlPanel, ApplyWithNormalShowsTheIdentityAndRemovesTheLogOnStart) {
  TL_REQUIRE_GAMMA();
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  ASSERT_TRUE(panel::SetLogOnStart(InstallDir()));
  std::unique_ptr<PanelProcess> program;
  Start(program);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kNormal));
  ASSERT_TRUE(program->Click(ctl::kApply));
  ExpectCleanEnd(*program);

  EXPECT_TRUE(DisplayShows(tl::testing::IdentityRamp()));
  EXPECT_EQ(Stored(panel::kValueColorTone), 5u);
  EXPECT_FALSE(LogOnValue().has_value());
  EXPECT_FALSE(WaitForString(kMarkKey, kMarkValue, false).has_value()) << "the plug-in stays registered";
}

TEST_F(ControlPanel, CancelAfterVividStoresNormalAndKeepsTheIdentity) {
  TL_REQUIRE_GAMMA();
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  ASSERT_TRUE(tl::win32::WriteRegDword(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValueColorTone, 2));
  ASSERT_TRUE(panel::SetLogOnStart(InstallDir()));
  std::unique_ptr<PanelProcess> program;
  Start(program);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kCancel));
  ExpectCleanEnd(*program);

  EXPECT_TRUE(DisplayShows(tl::testing::IdentityRamp()));
  EXPECT_EQ(Stored(panel::kValueColorTone), 5u);
  EXPECT_EQ(Stored(panel::kValueMovie), 1u);
  EXPECT_FALSE(LogOnValue().has_value());
}

// Everything under the settings key and the log-on value, to compare before and after.
std::map<std::wstring, std::wstring> SettingsSnapshot() {
  std::map<std::wstring, std::wstring> values;
  for (const wchar_t* name : {panel::kValueLow, panel::kValueHigh, panel::kValueStrength, panel::kValueNoise,
                              panel::kValueColorTone, panel::kValueMovie}) {
    const auto value = Stored(name);
    values[name] = value ? std::to_wstring(*value) : L"-";
  }
  values[L"Run"] = LogOnValue().value_or(L"-");
  return values;
}

TEST_F(ControlPanel, ASecondCopyShowsTheMessageAndChangesNothingButThePath) {
  std::unique_ptr<PanelProcess> first;
  Start(first);
  const auto before = SettingsSnapshot();
  const auto rampBefore = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(tl::win32::WriteRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath, L"C:\\elsewhere\\"));

  PanelProcess second(InstallDir());
  ASSERT_TRUE(second.started());
  std::wstring text;
  const HWND box = second.WaitForMessageBox(L"Message", 20000, &text);
  ASSERT_TRUE(box) << "no message box";
  EXPECT_EQ(text, L"The program is running now.");
  PanelProcess::Dismiss(box);
  ExpectCleanEnd(second);

  EXPECT_EQ(SettingsSnapshot(), before);
  EXPECT_EQ(tl::testing::ReadDisplayRamp(), rampBefore);
  const auto path = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath);
  EXPECT_TRUE(path && SameText(*path, InstallDir())) << "the second copy writes the path first";
  EXPECT_TRUE(first->Running() && ::IsWindowVisible(first->window())) << "the first copy goes on";
  ASSERT_TRUE(first->Click(ctl::kClose));
  ExpectCleanEnd(*first);
}

LRESULT CALLBACK PlainProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(ControlPanel, AVideoWindowOfTheRendererBlocksTheStart) {
  TL_REQUIRE_GAMMA();
  // A media player's window with the renderer's video window somewhere below it.
  WNDCLASSW renderer{};
  renderer.lpfnWndProc = &PlainProcedure;
  renderer.hInstance = ::GetModuleHandleW(nullptr);
  renderer.lpszClassName = L"NorvakVideoRenderer";
  ASSERT_TRUE(::RegisterClassW(&renderer));
  tl::win32::UniqueWindow player(::CreateWindowW(L"STATIC", L"A media player", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                                 nullptr, nullptr, nullptr, nullptr));
  HWND pane = ::CreateWindowW(L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50, player.get(), nullptr, nullptr, nullptr);
  ::CreateWindowW(L"NorvakVideoRenderer", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, pane, nullptr, nullptr, nullptr);
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));

  PanelProcess program(InstallDir());
  ASSERT_TRUE(program.started());
  std::wstring text;
  const HWND box = program.WaitForMessageBox(L"Message", 20000, &text);
  ASSERT_TRUE(box);
  EXPECT_EQ(text, L"The program is running now.");
  PanelProcess::Dismiss(box);
  ExpectCleanEnd(program);
  EXPECT_TRUE(DisplayShows(RecognisableRamp())) << "the display is not touched";
  EXPECT_FALSE(Stored(panel::kValueColorTone).has_value());

  player.reset();
  ::UnregisterClassW(L"NorvakVideoRenderer", ::GetModuleHandleW(nullptr));
}

TEST_F(ControlPanel, EarlyCommandsAndRepeatedSelectionsChangeNothing) {
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  PanelProcess program(InstallDir());
  ASSERT_TRUE(program.started());
  // Queued before the first timer tick: ignored, so the program neither selects nor ends.
  ASSERT_TRUE(program.FindWindowEarly());
  ASSERT_TRUE(::GetDlgItem(program.window(), ctl::kApply));
  program.PostCommand(ctl::kVivid);
  program.PostCommand(ctl::kApply);
  ASSERT_TRUE(program.WaitUntilReady());
  EXPECT_TRUE(program.Running());
  for (const std::string& line : PreviewLines(listener.Collect(300))) {
    EXPECT_EQ(line.find("mode=2"), std::string::npos) << line;
  }

  // The skinned font button sends two commands for one click: the repeat changes nothing.
  ASSERT_TRUE(program.Click(ctl::kVideoTab));
  std::vector<std::string> lines = PreviewLines(listener.Collect(300));
  ASSERT_EQ(lines.size(), 1u) << "one preview update for the new tab";
  EXPECT_NE(lines[0].find("tab=1"), std::string::npos) << lines[0];
  ASSERT_TRUE(program.Click(ctl::kVideoTab));
  EXPECT_TRUE(PreviewLines(listener.Collect(300)).empty()) << "selecting the current tab does nothing";

  // The repeat of a mode click is not taken either; choosing the mode again leaves the same state.
  ASSERT_TRUE(program.Click(ctl::kLcdTab));
  listener.Collect(300);
  ASSERT_TRUE(program.Click(ctl::kVivid));
  lines = PreviewLines(listener.Collect(300));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines.front().find("tab=0 mode=2"), std::string::npos) << lines.front();
  ASSERT_TRUE(program.Click(ctl::kVivid));
  const std::vector<std::string> again = PreviewLines(listener.Collect(300));
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again.front(), lines.front());

  ASSERT_TRUE(program.Click(ctl::kClose));
  ExpectCleanEnd(program);
}

// The outline a body picture gives: rows of pixels outside magenta (each component within 0x20
// above the key's).
tl::win32::UniqueGdiObject OutlineOf(const std::wstring& bodyFile) {
  std::vector<uint8_t> file;
  tl::skin::Pixels body;
  if (!tl::win32::ReadWholeFile(bodyFile, file, 64 << 20) || !tl::skin::DecodeBmp(file, body)) return {};
  const auto cut = [](uint32_t rgb) {
    const uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    return r == 0xFF && g <= 0x20 && b == 0xFF;
  };
  std::vector<RECT> rows;
  for (int y = 0; y < body.height; ++y) {
    for (int x = 0; x < body.width;) {
      if (cut(body.At(x, y))) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < body.width && !cut(body.At(x, y))) ++x;
      rows.push_back({start, y, x, y + 1});
    }
  }
  return tl::win32::RegionFromRects(std::span<const RECT>(rows));
}

TEST_F(ControlPanel, TheOutlineFollowsBody0OnTheLcdTabAndBody1OnTheVideoTab) {
  const auto body0 = OutlineOf(InstallDir() + L"images\\body0.bmp");
  const auto body1 = OutlineOf(InstallDir() + L"images\\body1.bmp");
  ASSERT_TRUE(body0 && body1) << "the body pictures are missing from the installation folder";
  ASSERT_FALSE(::EqualRgn(static_cast<HRGN>(body0.get()), static_cast<HRGN>(body1.get())))
      << "the two bodies must differ for this test to mean anything";
  std::unique_ptr<PanelProcess> program;
  Start(program);
  auto outline = program->Outline();
  ASSERT_TRUE(outline);
  EXPECT_TRUE(::EqualRgn(static_cast<HRGN>(outline.get()), static_cast<HRGN>(body0.get())));

  ASSERT_TRUE(program->Click(ctl::kVideoTab));
  outline = program->Outline();
  ASSERT_TRUE(outline);
  EXPECT_TRUE(::EqualRgn(static_cast<HRGN>(outline.get()), static_cast<HRGN>(body1.get())));

  ASSERT_TRUE(program->Click(ctl::kLcdTab));
  outline = program->Outline();
  ASSERT_TRUE(outline);
  EXPECT_TRUE(::EqualRgn(static_cast<HRGN>(outline.get()), static_cast<HRGN>(body0.get())));

  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
}

TEST_F(ControlPanel, FullScreenSplitAndItsWaysBack) {
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  std::unique_ptr<PanelProcess> program;
  Start(program);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  tl::testing::SaveWindowPng(program->window(), tl::testing::ArtifactDir() + L"control_panel_lcd_vivid.png");
  ASSERT_TRUE(program->Click(ctl::kVideoTab));
  ::Sleep(500);
  tl::testing::SaveWindowPng(program->window(), tl::testing::ArtifactDir() + L"control_panel_video.png");
  ASSERT_TRUE(program->Click(ctl::kLcdTab));
  const auto windowed = program->Outline();

  ASSERT_TRUE(program->Click(ctl::kFullScreen));
  ::Sleep(500);
  RECT desktop{};
  ::GetWindowRect(::GetDesktopWindow(), &desktop);
  tl::win32::UniqueGdiObject screen(::CreateRectRgn(0, 0, desktop.right, desktop.bottom + 25));
  auto outline = program->Outline();
  ASSERT_TRUE(outline);
  EXPECT_TRUE(::EqualRgn(static_cast<HRGN>(outline.get()), static_cast<HRGN>(screen.get())));
  ASSERT_TRUE(program->Control(ctl::kFullScreenVideo)) << "the full-screen video window is shown";
  EXPECT_FALSE(program->Control(ctl::kPreviewApplied)) << "the halves are hidden";
  EXPECT_FALSE(program->Control(ctl::kApply));
  tl::testing::SaveWindowPng(program->window(), tl::testing::ArtifactDir() + L"control_panel_full_screen.png");

  // Escape returns at once and commands count on. (The key is posted, so it is handled after
  // any sent message: wait for its effect.)
  ::PostMessageW(program->window(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(windowed);
  const auto back = [&] {
    outline = program->Outline();
    return !program->Control(ctl::kFullScreenVideo) && outline &&
           ::EqualRgn(static_cast<HRGN>(outline.get()), static_cast<HRGN>(windowed.get()));
  };
  for (int i = 0; i < 500 && !back(); ++i) ::Sleep(10);
  EXPECT_TRUE(back()) << "the window and its outline as before";
  listener.Collect(200);
  program->PostCommand(ctl::kTheater);
  EXPECT_NE(listener.Collect(300).find("mode=3"), std::string::npos) << "commands count after Escape";

  // A double-click on the video window returns too, and the next commands wait three ticks.
  ASSERT_TRUE(program->Click(ctl::kFullScreen));
  ::Sleep(300);
  HWND video = program->Control(ctl::kFullScreenVideo);
  ASSERT_TRUE(video);
  listener.Collect(200);
  ASSERT_TRUE(::SendMessageTimeoutW(video, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20), SMTO_NORMAL, 10000,
                                    nullptr));
  program->PostCommand(ctl::kSoft);
  EXPECT_EQ(listener.Collect(50).find("mode=4"), std::string::npos) << "a command right after the return";
  EXPECT_FALSE(program->Control(ctl::kFullScreenVideo));
  ASSERT_TRUE(program->WaitUntilCommandsCount());
  ASSERT_TRUE(program->Click(ctl::kSoft));
  EXPECT_NE(listener.Collect(300).find("mode=4"), std::string::npos);

  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
}

// The share of pixels of the applied half that the effect's CPU reference gives from the normal
// half's pixel at the same place, for one setting of the tone (within two levels a channel).
double ShareMatching(const std::vector<uint32_t>& normal, const std::vector<uint32_t>& applied,
                     const tl::renderer::RampTexels& ramp, int low, int high, float noise, float strength) {
  const tl::renderer::Float4 constant = tl::renderer::ToneConstant(low, high, noise);
  const tl::frame::ToneParams tone = tl::renderer::ToneFromConstants(constant, {strength, 0.0f, 0.0f, 0.0f});
  size_t matching = 0;
  for (size_t i = 0; i < normal.size() && i < applied.size(); ++i) {
    const uint32_t expected = tl::renderer::ReferenceLumara(tone, ramp, normal[i]);
    bool within = true;
    for (int shift : {0, 8, 16}) {
      within = within && std::abs(static_cast<int>((expected >> shift) & 0xFF) -
                              static_cast<int>((applied[i] >> shift) & 0xFF)) <= 2;
    }
    matching += within;
  }
  return normal.empty() ? 0.0 : static_cast<double>(matching) / static_cast<double>(normal.size());
}

// The preview's ramp texture for a ramp the engine prepared: 8 bits a channel.
tl::renderer::RampTexels RampTexelsOf(const GammaRamp& ramp) {
  const int shift = ramp[255] > 256 ? 8 : 0;
  tl::renderer::RampTexels texels{};
  for (int k = 0; k < 256; ++k) {
    const auto level = [&](int channel) { return std::min<uint32_t>(ramp[channel * 256 + k] >> shift, 255); };
    texels[k] = level(0) << 16 | level(1) << 8 | level(2);
  }
  return texels;
}

TEST_F(ControlPanel, TheSliderOnTheVideoTabSetsTheToneThePlayerDraws) {
  NoteEngineValuesBeforeStart();
  std::unique_ptr<PanelProcess> program;
  Start(program);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kVideoTab));
  const tl::renderer::RampTexels vivid = RampTexelsOf(PreviewRampOf(2));

  struct Setting {
    const char* name;
    int low;
    float noise;
    float strength;
  };
  const Setting settings[3] = {{"position 0", 40, 0.0f, 0.0f}, {"position 50", 30, 0.125f, 0.5f},
                               {"position 100", 20, 0.25f, 1.0f}};
  for (int index : {2, 0, 1}) {
    // Home and End reach the ends; the default strength is position 50.
    const bool moved = index == 0   ? program->Key(ctl::kSlider, VK_HOME)
                       : index == 1 ? program->Click(ctl::kDefault)
                                    : program->Key(ctl::kSlider, VK_END);
    ASSERT_TRUE(moved);
    ::Sleep(800);  // the slider is read at the next tick, then the picture is drawn again
    const auto normal = tl::testing::CaptureClient(program->Control(ctl::kPreviewNormal), false);
    const auto applied = tl::testing::CaptureClient(program->Control(ctl::kPreviewApplied), false);
    ASSERT_FALSE(normal.empty());
    std::string shares;
    double best = 0.0;
    int bestIndex = -1;
    for (int candidate = 0; candidate < 3; ++candidate) {
      const Setting& s = settings[candidate];
      const double share = ShareMatching(normal, applied, vivid, s.low, 185, s.noise, s.strength);
      shares += std::string(s.name) + ": " + std::to_string(share) + "  ";
      if (share > best) {
        best = share;
        bestIndex = candidate;
      }
    }
    EXPECT_EQ(bestIndex, index) << settings[index].name << ": " << shares;
    EXPECT_GT(best, 0.9) << settings[index].name << ": " << shares;
  }
  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
}

TEST_F(ControlPanel, SessionLockStopsThePreviewAndUnlockReloadsIt) {
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  std::unique_ptr<PanelProcess> program;
  Start(program);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  listener.Collect(300);

  ASSERT_TRUE(program->Send(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0));
  const std::string locked = listener.Collect(500);
  EXPECT_EQ(locked.find("Play() Start"), std::string::npos) << "locking only stops the preview";

  ASSERT_TRUE(program->Send(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0));
  const std::string unlocked = listener.Collect(1000);
  // The player says so when it opens a file; the panel then sends the preview's values again.
  const size_t opened = unlocked.find("eLumara.dll:m_GraphPlayer->Play() Start");
  ASSERT_NE(opened, std::string::npos) << unlocked;
  const std::vector<std::string> lines = PreviewLines(unlocked.substr(opened));
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.front().find("mode=2"), std::string::npos) << lines.front();
  EXPECT_TRUE(program->Running());

  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
}

// ---- The stand-ins for the browser and the media player --------------------------------------

constexpr wchar_t kStandInValue[] = L"StandInCommandLine";

TEST_F(ControlPanel, HelpOpensTheDocumentInTheBrowser) {
  const std::wstring standIn = tl::testing::TestDir() + L"panel_standin.exe";
  tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kMarkKey, kStandInValue);
  std::unique_ptr<PanelProcess> program;
  {
    RegistryStringOverride browser(HKEY_LOCAL_MACHINE, panel::kBrowserKey, L"", standIn);
    Start(program);
    ASSERT_TRUE(program->Click(ctl::kHelp));
    const auto commandLine = WaitForString(kMarkKey, kStandInValue, true);
    ASSERT_TRUE(commandLine.has_value()) << "the browser was not started";
    const std::wstring document = L"\"" + InstallDir() + L"help\\Eng\\Tavo Lumara.htm\"";
    EXPECT_NE(commandLine->find(document), std::wstring::npos) << tl::win32::Narrow(*commandLine);
  }
  {
    RegistryStringOverride browser(HKEY_LOCAL_MACHINE, panel::kBrowserKey, L"", InstallDir() + L"no_browser.exe");
    ASSERT_TRUE(program->Click(ctl::kHelp));
    std::wstring text;
    const HWND box = program->WaitForMessageBox(L"Message", 10000, &text);
    ASSERT_TRUE(box);
    EXPECT_EQ(text, L"Cannot open the help document");
    PanelProcess::Dismiss(box);
  }
  ::Sleep(300);
  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
  tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kMarkKey, kStandInValue);
}

// Waits until a key of the classes root exists or is gone (the registration tool runs apart).
bool WaitForClassKey(const wchar_t* key, bool present) {
  for (int i = 0; i < 300; ++i) {
    tl::win32::UniqueHKey opened;
    const bool exists = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
    if (exists == present) return true;
    ::Sleep(50);
  }
  return false;
}

TEST_F(ControlPanel, TheRendererFilterTakenAwayAtStartIsRegisteredAgainAtTheEnd) {
  const std::wstring filter = InstallDir() + L"eLumara.ax";
  if (!tl::win32::CanOpenForReading(filter)) GTEST_SKIP() << "the renderer filter is not in the installation folder";
  constexpr wchar_t kFilterServer[] = L"CLSID\\{B199525F-CE75-46E6-B6B7-C66AA586F31C}\\InprocServer32";
  const std::wstring tool = tl::win32::SystemFolder() + L"\\regsvr32.exe";
  ASSERT_EQ(tl::testing::RunProgram(tool, L"/s " + tl::win32::QuoteArgument(filter)), 0u);
  ASSERT_TRUE(WaitForClassKey(kFilterServer, true));

  for (int exit : {ctl::kClose, ctl::kApply, ctl::kCancel}) {
    std::unique_ptr<PanelProcess> program;
    Start(program);
    EXPECT_TRUE(WaitForClassKey(kFilterServer, false)) << "no media player builds a graph with it while the panel runs";
    ASSERT_TRUE(program->Click(ctl::kVivid));
    ASSERT_TRUE(program->Click(exit));
    ExpectCleanEnd(*program);
    EXPECT_TRUE(WaitForClassKey(kFilterServer, true)) << "the filter stays away after the panel ended (" << exit << ")";
  }
  tl::testing::RunProgram(tool, L"/u /s " + tl::win32::QuoteArgument(filter));
}

// ---- Bad input ------------------------------------------------------------------------------

using tl::testing::CopyOfInstallation;

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(tl::testing::WriteFileBytes(path, bytes)) << tl::win32::Narrow(path);
}

TEST_F(ControlPanel, APictureThePlayerRefusesIsReportedAndTheSampleComesBack) {
  const std::wstring refused = tl::testing::TestDir() + L"panel_not_a_picture.jpg";
  WriteFileBytes(refused, "this is text, not a JPEG picture");
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  std::unique_ptr<PanelProcess> program;
  Start(program);
  listener.Collect(200);
  ASSERT_TRUE(program->Click(ctl::kOpenFile));
  ASSERT_TRUE(ChooseInFileDialog(*program, refused)) << "no file dialog";
  std::wstring text;
  const HWND box = program->WaitForMessageBox(L"Message", 20000, &text);
  ASSERT_TRUE(box);
  EXPECT_EQ(text, refused + L"\n\nThis file cannot be shown in the preview.");
  PanelProcess::Dismiss(box);
  // The refused file was opened first, then the sample picture again, then the preview's values
  // were sent.
  constexpr char kOpened[] = "eLumara.dll:m_GraphPlayer->Play() Start";
  EXPECT_TRUE(listener.WaitFor(kOpened, 20000));
  EXPECT_TRUE(listener.WaitFor(kOpened, 20000));
  EXPECT_TRUE(listener.WaitFor("TavoLumara: preview", 20000));
  EXPECT_TRUE(program->Running());

  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
}

TEST_F(ControlPanel, AMovieOpenedOnTheVideoTabIsHandedToTheMediaPlayer) {
  const std::wstring movie = tl::testing::TestDir() + L"media\\card.wmv";
  ASSERT_TRUE(tl::win32::CanOpenForReading(movie)) << "the preview's test movie is missing";
  const std::wstring picture = tl::testing::TestDir() + L"panel_picture.jpg";
  ASSERT_TRUE(::CopyFileW((InstallDir() + L"samples\\default.jpg").c_str(), picture.c_str(), FALSE));
  // The media player's folder as the registry names it, first without the player in it.
  const std::wstring playerFolder = tl::testing::TestDir() + L"panel_media_player\\";
  ::CreateDirectoryW(playerFolder.c_str(), nullptr);
  ::DeleteFileW((playerFolder + L"wmplayer.exe").c_str());
  RegistryStringOverride playerPath(HKEY_LOCAL_MACHINE, panel::kMediaPlayerKey, L"Path", playerFolder);
  tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kMarkKey, kStandInValue);

  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  std::unique_ptr<PanelProcess> program;
  Start(program);
  // A picture opened on the LCD tab is no movie to hand over.
  listener.Collect(100);
  ASSERT_TRUE(program->Click(ctl::kOpenFile));
  ASSERT_TRUE(ChooseInFileDialog(*program, picture));
  ASSERT_TRUE(listener.WaitFor("TavoLumara: preview", 30000)) << "the picture was not opened";
  ASSERT_TRUE(program->Click(ctl::kVideoTab));
  ASSERT_TRUE(program->Click(ctl::kLaunch));
  ::Sleep(500);
  EXPECT_TRUE(program->Running());
  EXPECT_FALSE(program->WaitForMessageBox(L"Message", 200));

  listener.Collect(100);
  ASSERT_TRUE(program->Click(ctl::kOpenFile));
  ASSERT_TRUE(ChooseInFileDialog(*program, movie));
  ASSERT_TRUE(listener.WaitFor("TavoLumara: preview", 30000)) << "the movie was not opened";
  EXPECT_FALSE(program->WaitForMessageBox(L"Message", 200)) << "the player took the movie";
  ASSERT_TRUE(program->Click(ctl::kLaunch));
  std::wstring text;
  const HWND box = program->WaitForMessageBox(L"Message", 10000, &text);
  ASSERT_TRUE(box);
  EXPECT_EQ(text, L"Cannot find the program wmplayer.exe");
  PanelProcess::Dismiss(box);
  ::Sleep(300);
  EXPECT_TRUE(program->Running());

  ASSERT_TRUE(::CopyFileW((tl::testing::TestDir() + L"panel_standin.exe").c_str(),
                          (playerFolder + L"wmplayer.exe").c_str(), FALSE));
  // The launch button's command (a click on an image button right after a message box it opened
  // is not always taken from another process under Wine).
  program->PostCommand(ctl::kLaunch);
  ExpectCleanEnd(*program);
  const auto commandLine = WaitForString(kMarkKey, kStandInValue, true);
  ASSERT_TRUE(commandLine.has_value()) << "the media player was not started";
  EXPECT_TRUE(SameText(*commandLine, L"\"" + playerFolder + L"wmplayer.exe\" \"" + movie + L"\""))
      << tl::win32::Narrow(*commandLine);
  EXPECT_EQ(Stored(panel::kValueColorTone), 1u) << "the hand-over applies the mode";
  tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kMarkKey, kStandInValue);
}

TEST_F(ControlPanel, AMissingSamplePictureEndsWithTheStartupMessageAndLeavesTheDisplayAsItWas) {
  const std::wstring folder = CopyOfInstallation(L"panel_no_sample");
  ASSERT_TRUE(::DeleteFileW((folder + L"samples\\default.jpg").c_str()));
  const bool gamma = tl::testing::DisplayKeepsGamma();
  if (gamma) {
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  }
  PanelProcess program(folder);
  ASSERT_TRUE(program.started());
  std::wstring text;
  const HWND box = program.WaitForMessageBox(L"Message", 30000, &text);
  ASSERT_TRUE(box);
  EXPECT_EQ(text, L"Program initialization error.\nThe program is terminated automatically.");
  PanelProcess::Dismiss(box);
  ExpectCleanEnd(program);
  if (gamma) {
    EXPECT_TRUE(DisplayShows(RecognisableRamp())) << "the ramp found at start is put back";
  }
  EXPECT_FALSE(Stored(panel::kValueColorTone).has_value());
}

TEST_F(ControlPanel, WithoutSkinPicturesPlainButtonsStandInAndWork) {
  const std::wstring folder = CopyOfInstallation(L"panel_no_images");
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + L"images\\*.bmp").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    ::DeleteFileW((folder + L"images\\" + found.cFileName).c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);

  std::unique_ptr<PanelProcess> program;
  Start(program, folder);
  wchar_t className[64] = {};
  ::GetClassNameW(program->Control(ctl::kVivid), className, 64);
  EXPECT_STREQ(className, L"Button") << "the template's own button is shown";
  EXPECT_FALSE(program->Outline()) << "no outline without the bodies";
  tl::testing::SaveWindowPng(program->window(), tl::testing::ArtifactDir() + L"control_panel_without_images.png");
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kApply));
  ExpectCleanEnd(*program);
  EXPECT_EQ(Stored(panel::kValueColorTone), 2u);
}

TEST_F(ControlPanel, CorruptSkinPicturesAreRefusedWithoutHarm) {
  const std::wstring folder = CopyOfInstallation(L"panel_corrupt_images");
  const std::wstring images = folder + L"images\\";
  // A header that claims a picture far larger than the file.
  std::string huge = "BM" + std::string(8, '\0') + std::string("\x36\0\0\0\x28\0\0\0", 8);
  huge += std::string("\xA0\x86\x01\0\xA0\x86\x01\0\x01\0\x18\0", 12) + std::string(24, '\0');
  WriteFileBytes(images + L"body0.bmp", huge);
  WriteFileBytes(images + L"body1.bmp", "BM\x10");
  WriteFileBytes(images + L"button_norm.bmp", std::string(3000, '\xFF'));
  WriteFileBytes(images + L"LCD_item_norm.bmp", "");
  WriteFileBytes(images + L"close_norm.bmp", "not a picture at all");

  std::unique_ptr<PanelProcess> program;
  Start(program, folder);
  tl::testing::SaveWindowPng(program->window(), tl::testing::ArtifactDir() + L"control_panel_corrupt_images.png");
  ASSERT_TRUE(program->Click(ctl::kVideoTab));
  ASSERT_TRUE(program->Click(ctl::kLcdTab));
  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
}

TEST_F(ControlPanel, TheGermanProfileTranslatesAndACorruptLanguageFileLeavesEnglish) {
  RegistryStringOverride nation(HKEY_CURRENT_USER, L"Control Panel\\International\\Geo", L"Nation", L"94");
  const std::wstring folder = CopyOfInstallation(L"panel_languages");
  std::unique_ptr<PanelProcess> first;
  Start(first);
  EXPECT_EQ(MessageOfSecondCopy(folder), L"Das Programm l\u00e4uft bereits.");

  WriteFileBytes(folder + L"language\\German.xml", "<?xml version=\"1.0\"?><strings><string index=");
  EXPECT_EQ(MessageOfSecondCopy(folder), L"The program is running now.");
  WriteFileBytes(folder + L"language\\list.xml", std::string("\0\xFF<<languages", 16));
  EXPECT_EQ(MessageOfSecondCopy(folder), L"The program is running now.");

  ASSERT_TRUE(first->Click(ctl::kClose));
  ExpectCleanEnd(*first);
}

}  // namespace
