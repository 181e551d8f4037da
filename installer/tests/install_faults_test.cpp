// Install.exe where it meets the system and the system fails it: a settings key it may not write,
// table files it cannot read, an engine that is missing or broken, a tone the display refuses.
// Each time it ends with 0 in good time, does what it still can, and leaves the display holding a
// whole ramp (its own mode or the one it found); what it could not do is said on the debugger
// output.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/testing/debug_output.h"
#include "common/testing/wine_testing.h"
#include "common/win32/file.h"
#include "common/win32/handles.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"
#include "control_panel/win32/settings_store.h"
#include "engine/core/table_file.h"
#include "engine/win32/tintor_api.h"

namespace {

namespace panel = tl::panel;
namespace api = tl::engine::api;
using tl::testing::CopyOfInstallation;
using tl::testing::GammaRamp;
using tl::testing::DisplayShows;
using tl::testing::InstallDir;
using tl::testing::RecognisableRamp;

constexpr DWORD kInstallTimeoutMs = 30000;

std::optional<DWORD> Stored(const wchar_t* name) {
  return tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, panel::kSettingsKey, name);
}

class InstallFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* file : {L"Install.exe", L"Tintor.dll", L"KvSkin.dll", L"acf\\panel.acf", L"atf\\Mode3.atf"}) {
      ASSERT_NE(::GetFileAttributesW((InstallDir() + file).c_str()), INVALID_FILE_ATTRIBUTES)
          << "missing from the installation folder: " << tl::win32::Narrow(file);
    }
    ForgetEarlierRuns();
    ASSERT_TRUE(listener_.ok()) << "the debugger output cannot be read";
  }
  void TearDown() override { ForgetEarlierRuns(); }

  static void ForgetEarlierRuns() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, panel::kSettingsKey);
    panel::RemoveLogOnStart();
  }

  // A copy of what Install needs, with the display dimmed before it runs.
  std::wstring Folder(const std::wstring& name) {
    const std::wstring folder =
        CopyOfInstallation(name, {L"Install.exe", L"Tintor.dll", L"acf\\panel.acf", L"atf\\Mode3.atf"});
    EXPECT_FALSE(folder.empty()) << "the installation folder could not be copied";
    return folder;
  }

  // Runs Install with mode 3 from the folder on a dimmed display; gives what it wrote to the
  // debugger output.
  std::string RunMode3(const std::wstring& folder) {
    if (tl::testing::DisplayKeepsGamma()) {
      EXPECT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
    }
    listener_.Collect(100);
    const std::optional<DWORD> code = tl::testing::RunProgram(folder + L"Install.exe", L"\"/M3\"", kInstallTimeoutMs);
    EXPECT_EQ(code, 0u) << "Install did not end with 0 in time";
    return listener_.Collect(300);
  }

  // The settings Install writes whatever else fails, and the display left as it was.
  void ExpectSettingsAndUnchangedDisplay(const std::wstring& folder) {
    EXPECT_EQ(Stored(panel::kValueColorTone), 3u);
    const auto path = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath);
    EXPECT_TRUE(path && ::lstrcmpiW(path->c_str(), folder.c_str()) == 0);
    if (tl::testing::DisplayKeepsGamma()) {
      EXPECT_TRUE(DisplayShows(RecognisableRamp())) << "the display was changed";
    }
  }

  tl::testing::DebugOutputListener listener_;
  tl::testing::DisplayRampGuard restoreDisplay_;
};

TEST_F(InstallFaults, ASettingsKeyThatCannotBeWrittenStillShowsTheMode) {
  const std::wstring folder = Folder(L"install_unwritable_key");
  // The mode as Install shows it when nothing fails.
  RunMode3(folder);
  const auto mode3 = tl::testing::ReadDisplayRamp();
  ForgetEarlierRuns();

  tl::testing::UnwritableRegistryKey readOnly(panel::kSettingsKey);
  ASSERT_TRUE(readOnly.ok()) << "the bench cannot make a key refuse writes";
  RunMode3(folder);
  EXPECT_FALSE(Stored(panel::kValueColorTone).has_value());
  EXPECT_FALSE(Stored(panel::kValueLow).has_value());
  // The steps after the settings go on: the log-on start and the mode on the display.
  const auto logOn = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kRunKey, panel::kLogOnValue);
  EXPECT_TRUE(logOn && ::lstrcmpiW(logOn->c_str(), (folder + L"AutoRun.exe").c_str()) == 0);
  if (tl::testing::DisplayKeepsGamma()) {
    ASSERT_TRUE(mode3.has_value());
    EXPECT_FALSE(tl::testing::SameAtDisplayPrecision(*mode3, RecognisableRamp())) << "the mode was not shown";
    EXPECT_TRUE(DisplayShows(*mode3)) << "not the mode Install shows otherwise";
  }
}

TEST_F(InstallFaults, TableFilesThatCannotBeReadLeaveTheDisplayAloneAndSaySo) {
  struct Case {
    const wchar_t* name;
    void (*damage)(const std::wstring& folder, std::vector<tl::win32::UniqueHandle>& held);
  };
  const Case cases[] = {
      {L"install_table_locked",
       [](const std::wstring& folder, std::vector<tl::win32::UniqueHandle>& held) {
         // Opened by another program that shares nothing.
         held.emplace_back(::CreateFileW((folder + L"acf\\panel.acf").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
         EXPECT_TRUE(held.back()) << "cannot hold the table file";
       }},
      {L"install_table_is_a_folder",
       [](const std::wstring& folder, std::vector<tl::win32::UniqueHandle>&) {
         ::DeleteFileW((folder + L"atf\\Mode3.atf").c_str());
         EXPECT_TRUE(::CreateDirectoryW((folder + L"atf\\Mode3.atf").c_str(), nullptr));
       }},
      {L"install_table_truncated",
       [](const std::wstring& folder, std::vector<tl::win32::UniqueHandle>&) {
         ASSERT_TRUE(tl::testing::TruncateToHalf(folder + L"atf\\Mode3.atf"));
       }},
      {L"install_table_empty",
       [](const std::wstring& folder, std::vector<tl::win32::UniqueHandle>&) {
         ASSERT_TRUE(tl::testing::WriteFileBytes(folder + L"acf\\panel.acf", ""));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(tl::win32::Narrow(c.name));
    ForgetEarlierRuns();
    const std::wstring folder = Folder(c.name);
    std::vector<tl::win32::UniqueHandle> held;
    c.damage(folder, held);
    const std::string output = RunMode3(folder);
    ExpectSettingsAndUnchangedDisplay(folder);
    EXPECT_NE(output.find("Install: mode 3 cannot be computed"), std::string::npos) << output;
  }
}

TEST_F(InstallFaults, AMissingOrBrokenEngineIsReportedAndTheSettingsAreWritten) {
  {
    const std::wstring folder = Folder(L"install_no_engine");
    ASSERT_TRUE(::DeleteFileW((folder + L"Tintor.dll").c_str()));
    const std::string output = RunMode3(folder);
    ExpectSettingsAndUnchangedDisplay(folder);
    EXPECT_NE(output.find("Tintor.dll cannot be loaded (error 126)"), std::string::npos) << output;
  }
  {
    // Half a library: not a program file any more.
    ForgetEarlierRuns();
    const std::wstring folder = Folder(L"install_broken_engine");
    ASSERT_TRUE(tl::testing::TruncateToHalf(folder + L"Tintor.dll"));
    const std::string output = RunMode3(folder);
    ExpectSettingsAndUnchangedDisplay(folder);
    EXPECT_NE(output.find("Tintor.dll cannot be loaded"), std::string::npos) << output;
  }
  {
    // Another library of the suite in the engine's place.
    ForgetEarlierRuns();
    const std::wstring folder = Folder(L"install_wrong_engine");
    ASSERT_TRUE(::CopyFileW((InstallDir() + L"KvSkin.dll").c_str(), (folder + L"Tintor.dll").c_str(), FALSE));
    const std::string output = RunMode3(folder);
    ExpectSettingsAndUnchangedDisplay(folder);
    EXPECT_NE(output.find("Tintor.dll lacks exports"), std::string::npos) << output;
  }
}

// A tone that makes a ramp falling from white to black: the display refuses it, the display keeps
// its ramp, and the engine says so.
TEST_F(InstallFaults, AToneTheDisplayRefusesIsReported) {
  TL_REQUIRE_GAMMA();
  const std::wstring folder = Folder(L"install_refused_tone");
  std::vector<uint8_t> original;
  ASSERT_TRUE(tl::win32::ReadWholeFile(folder + L"atf\\Mode3.atf", original, 1 << 20));
  tl::engine::MemorySource source(original);
  tl::engine::TableImage tone;
  ASSERT_EQ(tl::engine::ReadTableFile(source, tl::engine::TableKind::kTone, tone), tl::engine::LoadError::kNone);
  for (auto& channel : tone.data) {
    for (int i = 0; i < tl::engine::kLevels; ++i) channel[i] = (255 - i) * 257.0;
  }
  const std::vector<uint8_t> inverted = tl::engine::WriteTableFile(tone, tl::engine::TableKind::kTone);
  ASSERT_TRUE(tl::testing::WriteFileBytes(folder + L"atf\\Mode3.atf",
                                          std::string_view(reinterpret_cast<const char*>(inverted.data()), inverted.size())));
  const std::string output = RunMode3(folder);
  ExpectSettingsAndUnchangedDisplay(folder);
  EXPECT_NE(output.find("Tintor: the display refused the gamma ramp"), std::string::npos) << output;
}

}  // namespace
