// TavoLumara.exe where it meets the system and the system fails it: a settings key it may not
// write, table files it cannot read, a language folder without profiles, the preview picture
// deleted while it runs, a missing or broken library beside it, and the program killed at any
// moment. Each time the display ends up holding a whole ramp and the program ends in a defined way.
#include <gtest/gtest.h>
#include <windows.h>
#include <wtsapi32.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/testing/debug_output.h"
#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "common/win32/file.h"
#include "common/win32/handles.h"
#include "common/win32/text.h"
#include "control_panel/tests/panel_fixture.h"
#include "control_panel/tests/panel_session.h"
#include "control_panel/win32/settings_store.h"

namespace {

namespace panel = tl::panel;
namespace ctl = panel::testing;
using ctl::ChooseInFileDialog;
using ctl::LogOnValue;
using ctl::PanelProcess;
using ctl::RegistryStringOverride;
using ctl::SameText;
using ctl::Stored;
using tl::testing::CopyOfInstallation;
using tl::testing::DisplayShows;
using tl::testing::GammaRamp;
using tl::testing::InstallDir;
using tl::testing::RecognisableRamp;

// The program's line when it sends the preview's values, after every successful open.
constexpr char kPreviewSent[] = "TavoLumara: preview ";

using PanelFaults = ctl::PanelTest;

TEST_F(PanelFaults, ASettingsKeyThatCannotBeWrittenStillAppliesTheMode) {
  NoteEngineValuesBeforeStart();
  tl::testing::UnwritableRegistryKey readOnly(panel::kSettingsKey);
  ASSERT_TRUE(readOnly.ok()) << "the bench cannot make a key refuse writes";
  std::unique_ptr<PanelProcess> program;
  Start(program);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kApply));
  ExpectCleanEnd(*program);
  EXPECT_FALSE(Stored(panel::kValueColorTone).has_value());
  EXPECT_FALSE(Stored(panel::kValueLow).has_value());
  const auto logOn = LogOnValue();
  EXPECT_TRUE(logOn && SameText(*logOn, InstallDir() + L"AutoRun.exe"));
  if (tl::testing::DisplayKeepsGamma()) {
    EXPECT_TRUE(DisplayShows(PreviewRampOf(2))) << "Apply shows the mode whatever the registry does";
  }
}

TEST_F(PanelFaults, MissingOrUnreadableTablesLeaveTheDisplayWithAWholeRamp) {
  // Without tables nothing can be computed: the preview shows the picture unchanged, and Apply
  // sends the engine's ramp, the identity the start put on the display.
  const std::wstring folder = CopyOfInstallation(L"panel_no_tables");
  ASSERT_FALSE(folder.empty());
  ASSERT_TRUE(::DeleteFileW((folder + L"acf\\panel.acf").c_str()));
  // The tone of Vivid held open by a program that shares nothing.
  tl::win32::UniqueHandle held(
      ::CreateFileW((folder + L"atf\\Mode2.atf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  const bool gamma = tl::testing::DisplayKeepsGamma();
  if (gamma) {
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  }
  std::unique_ptr<PanelProcess> program;
  Start(program, folder);
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kApply));
  ExpectCleanEnd(*program);
  EXPECT_EQ(Stored(panel::kValueColorTone), 2u);
  if (gamma) {
    EXPECT_TRUE(DisplayShows(tl::testing::IdentityRamp()));
  }
  held.reset();

  // Close puts back the ramp found at start, tables or none.
  if (gamma) {
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  }
  Start(program, folder);
  ASSERT_TRUE(program->Click(ctl::kTheater));
  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
  if (gamma) {
    EXPECT_TRUE(DisplayShows(RecognisableRamp()));
  }
}

TEST_F(PanelFaults, ALanguageFolderWithoutProfilesOrNoneAtAllGivesEnglish) {
  RegistryStringOverride nation(HKEY_CURRENT_USER, L"Control Panel\\International\\Geo", L"Nation", L"94");
  const std::wstring folder = CopyOfInstallation(L"panel_no_profiles");
  ASSERT_FALSE(folder.empty());
  for (const wchar_t* file : {L"list.xml", L"English.xml", L"German.xml"}) {
    ::DeleteFileW((folder + L"language\\" + file).c_str());
  }
  std::unique_ptr<PanelProcess> first;
  Start(first, folder);
  EXPECT_EQ(MessageOfSecondCopy(folder), L"The program is running now.");
  ASSERT_TRUE(::RemoveDirectoryW((folder + L"language").c_str()));
  EXPECT_EQ(MessageOfSecondCopy(folder), L"The program is running now.");
  ASSERT_TRUE(first->Click(ctl::kVivid));
  ASSERT_TRUE(first->Click(ctl::kClose));
  ExpectCleanEnd(*first);
}

// Skin pictures cut short, as an interrupted copy leaves them, or missing: the window comes up,
// takes its commands and applies the mode.
TEST_F(PanelFaults, TruncatedOrMissingSkinPicturesLeaveAWorkingProgram) {
  const std::wstring folder = CopyOfInstallation(L"panel_truncated_images");
  ASSERT_FALSE(folder.empty());
  const std::wstring images = folder + L"images\\";
  for (const wchar_t* picture : {L"body0.bmp", L"LCD_item_norm.bmp", L"button_norm.bmp", L"close_norm.bmp"}) {
    ASSERT_TRUE(tl::testing::TruncateToHalf(images + picture)) << tl::win32::Narrow(picture);
  }
  ASSERT_TRUE(::DeleteFileW((images + L"body1.bmp").c_str()));
  ASSERT_TRUE(::DeleteFileW((images + L"LCD_item_highlight.bmp").c_str()));
  std::unique_ptr<PanelProcess> program;
  Start(program, folder);
  tl::testing::SaveWindowPng(program->window(), tl::testing::ArtifactDir() + L"control_panel_truncated_images.png");
  ASSERT_TRUE(program->Click(ctl::kVideoTab));
  ASSERT_TRUE(program->Click(ctl::kLcdTab));
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kApply));
  ExpectCleanEnd(*program);
  EXPECT_EQ(Stored(panel::kValueColorTone), 2u);
}

TEST_F(PanelFaults, APreviewPictureDeletedWhileTheProgramRuns) {
  const std::wstring folder = CopyOfInstallation(L"panel_deleted_picture");
  ASSERT_FALSE(folder.empty());
  const std::wstring chosen = tl::testing::TestDir() + L"panel_chosen_picture.jpg";
  ASSERT_TRUE(::CopyFileW((folder + L"samples\\default.jpg").c_str(), chosen.c_str(), FALSE));
  const bool gamma = tl::testing::DisplayKeepsGamma();
  if (gamma) {
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  }
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  std::unique_ptr<PanelProcess> program;
  Start(program, folder);
  listener.Collect(10);
  ASSERT_TRUE(program->Click(ctl::kOpenFile));
  ASSERT_TRUE(ChooseInFileDialog(*program, chosen)) << "no file dialog";
  // The open ends with the preview's values sent.
  ASSERT_TRUE(listener.WaitFor(kPreviewSent, 30000)) << "the chosen picture was not opened";
  ASSERT_TRUE(tl::testing::WaitFor([&] { return !program->WaitForMessageBox(L"Open", 0); }, 20000));

  // The chosen picture goes: the reload after an unlock falls back to the sample picture, and the
  // preview's values are sent again. (Posted: a busy machine may take longer than a sent
  // message's wait for the two opens.)
  ASSERT_TRUE(::DeleteFileW(chosen.c_str()));
  listener.Collect(10);
  ASSERT_TRUE(::PostMessageW(program->window(), WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0));
  EXPECT_TRUE(listener.WaitFor(kPreviewSent, 30000)) << "the preview did not come back";
  EXPECT_FALSE(program->WaitForMessageBox(L"Message", 0)) << "the fall-back is silent";
  EXPECT_TRUE(program->Running());
  EXPECT_TRUE(program->Click(ctl::kVivid)) << "the program still takes commands";

  // The sample picture goes too: the next reload ends the program with the start-up message, and
  // the display gets back the ramp found at start.
  ASSERT_TRUE(::DeleteFileW((folder + L"samples\\default.jpg").c_str()));
  // Posted: the reload shows its message box before the handler returns.
  ASSERT_TRUE(::PostMessageW(program->window(), WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0));
  std::wstring text;
  const HWND box = program->WaitForMessageBox(L"Message", 20000, &text);
  ASSERT_TRUE(box);
  EXPECT_EQ(text, L"Program initialization error.\nThe program is terminated automatically.");
  PanelProcess::Dismiss(box);
  ExpectCleanEnd(*program);
  if (gamma) {
    EXPECT_TRUE(DisplayShows(RecognisableRamp()));
  }
  EXPECT_FALSE(Stored(panel::kValueColorTone).has_value());
}

TEST_F(PanelFaults, AMissingOrBrokenLibraryIsAMessageNotACrash) {
  const bool gamma = tl::testing::DisplayKeepsGamma();
  const auto expectStartupMessage = [&](const std::wstring& folder) {
    if (gamma) {
      ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
    }
    PanelProcess program(folder);
    ASSERT_TRUE(program.started());
    std::wstring text;
    const HWND box = program.WaitForMessageBox(L"Message", 30000, &text);
    ASSERT_TRUE(box) << "no message";
    EXPECT_EQ(text, L"Program initialization error.\nThe program is terminated automatically.");
    PanelProcess::Dismiss(box);
    ExpectCleanEnd(program);
    if (gamma) {
      EXPECT_TRUE(DisplayShows(RecognisableRamp())) << "the display was changed";
    }
    EXPECT_FALSE(Stored(panel::kValueColorTone).has_value());
  };
  {
    SCOPED_TRACE("no engine");
    const std::wstring folder = CopyOfInstallation(L"panel_no_engine");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(::DeleteFileW((folder + L"Tintor.dll").c_str()));
    expectStartupMessage(folder);
  }
  {
    SCOPED_TRACE("half an engine");
    const std::wstring folder = CopyOfInstallation(L"panel_broken_engine");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(tl::testing::TruncateToHalf(folder + L"Tintor.dll"));
    expectStartupMessage(folder);
  }
  {
    SCOPED_TRACE("another library in the engine's place");
    const std::wstring folder = CopyOfInstallation(L"panel_wrong_engine");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(::CopyFileW((folder + L"KvSkin.dll").c_str(), (folder + L"Tintor.dll").c_str(), FALSE));
    expectStartupMessage(folder);
  }
  {
    SCOPED_TRACE("no preview player");
    const std::wstring folder = CopyOfInstallation(L"panel_no_player");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(::DeleteFileW((folder + L"eLumara_Dll.dll").c_str()));
    expectStartupMessage(folder);
  }
}

// Killed at any moment (during start-up, after a mode click, during Apply), the program leaves the
// display holding a whole ramp: the one found at start, the identity or the mode being applied,
// never a partial or zero ramp. The next start and Close then behave as always.
TEST_F(PanelFaults, KilledAtAnyMomentTheDisplayHoldsAWholeRamp) {
  TL_REQUIRE_GAMMA();
  NoteEngineValuesBeforeStart();
  const GammaRamp vivid = PreviewRampOf(2);
  const GammaRamp found = RecognisableRamp();
  const GammaRamp identity = tl::testing::IdentityRamp();
  ASSERT_FALSE(tl::testing::SameAtDisplayPrecision(vivid, identity));
  std::mt19937 random(15);
  std::map<std::string, int> seen;
  constexpr int kRounds = 6;
  for (int round = 0; round < kRounds; ++round) {
    const int phase = round % 3;
    SCOPED_TRACE("round " + std::to_string(round) + ", phase " + std::to_string(phase));
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(found));
    PanelProcess program(InstallDir());
    ASSERT_TRUE(program.started());
    if (phase == 0) {
      // Anywhere in start-up, which takes one to three seconds here.
      ::Sleep(std::uniform_int_distribution<int>(0, 2500)(random));
    } else {
      ASSERT_TRUE(program.WaitUntilReady()) << "the control panel did not come up";
      ASSERT_TRUE(program.Click(ctl::kVivid));
      if (phase == 2) program.PostCommand(ctl::kApply);
      ::Sleep(std::uniform_int_distribution<int>(0, phase == 1 ? 300 : 120)(random));
    }
    ASSERT_TRUE(program.Kill());
    const auto shown = tl::testing::ReadDisplayRamp();
    ASSERT_TRUE(shown.has_value());
    const bool whole = tl::testing::SameAtDisplayPrecision(*shown, found) ||
                       tl::testing::SameAtDisplayPrecision(*shown, identity) ||
                       (phase == 2 && tl::testing::SameAtDisplayPrecision(*shown, vivid));
    EXPECT_TRUE(whole) << "the display holds a ramp that is none of the whole ones: entry 128 = " << (*shown)[128]
                       << ", 255 = " << (*shown)[255];
    ++seen[tl::testing::SameAtDisplayPrecision(*shown, found)      ? "found"
           : tl::testing::SameAtDisplayPrecision(*shown, identity) ? "identity"
                                                                    : "vivid"];
  }
  // Kills before and after the start put the identity on: both outcomes were met.
  EXPECT_GT(seen["identity"], 0);

  // The next start after a kill: the identity while it runs, and Close puts back what it found.
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(found));
  std::unique_ptr<PanelProcess> program;
  Start(program);
  EXPECT_TRUE(DisplayShows(identity));
  ASSERT_TRUE(program->Click(ctl::kVivid));
  ASSERT_TRUE(program->Click(ctl::kClose));
  ExpectCleanEnd(*program);
  EXPECT_TRUE(DisplayShows(found));
}

}  // namespace
