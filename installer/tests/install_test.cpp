// Install.exe run from the installation folder, against the real registry, the registration
// tool and the display of the bench.
#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "common/testing/wine_testing.h"
#include "common/win32/display_adapters.h"
#include "common/win32/handles.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"
#include "control_panel/win32/settings_store.h"
#include "engine/win32/tintor_api.h"
#include "installer/core/setup_rules.h"
#include "installer/tests/engine_ramp.h"

namespace {

using tl::testing::GammaRamp;
using tl::testing::InstallDir;
namespace panel = tl::panel;
namespace api = tl::engine::api;

constexpr wchar_t kMarkKey[] = L"SOFTWARE\\TavoLumaraTests";
constexpr wchar_t kMarkValue[] = L"NorvakPluginRegistered";

std::optional<DWORD> Stored(const wchar_t* name) {
  return tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, panel::kSettingsKey, name);
}

bool SameText(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

std::optional<DWORD> RunInstall(const std::wstring& folder, const std::wstring& arguments) {
  return tl::testing::RunProgram(folder + L"Install.exe", arguments);
}

using tl::testing::CopyOfInstallation;

void ForgetEarlierRuns() {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, panel::kSettingsKey);
  panel::RemoveLogOnStart();
  tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kMarkKey, kMarkValue);
}

GammaRamp EngineRampFor(const api::TintorApi& engine, int mode) {
  const auto ramp = tl::installer::testing::EngineRampFor(engine, InstallDir(), mode);
  EXPECT_TRUE(ramp.has_value()) << "the engine computes no ramp for mode " << mode;
  return ramp.value_or(GammaRamp{});
}

class Install : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The stand-in plug-in goes where the installation keeps the real one.
    ASSERT_TRUE(::CopyFileW((tl::testing::TestDir() + L"plugin\\NorvakPlugin.dll").c_str(), Plugin().c_str(), FALSE));
  }
  static void TearDownTestSuite() { ::DeleteFileW(Plugin().c_str()); }
  static std::wstring Plugin() { return InstallDir() + L"NorvakPlugin.dll"; }

  void SetUp() override {
    for (const wchar_t* file : {L"Install.exe", L"Tintor.dll", L"acf\\panel.acf", L"atf\\Mode1.atf", L"atf\\Mode4.atf"}) {
      ASSERT_NE(::GetFileAttributesW((InstallDir() + file).c_str()), INVALID_FILE_ATTRIBUTES)
          << "missing from the installation folder: " << tl::win32::Narrow(file);
    }
    // Keeps the engine's shared record alive across the runs of Install.
    tintor_.reset(::LoadLibraryW((InstallDir() + L"Tintor.dll").c_str()));
    ASSERT_TRUE(tintor_);
    ASSERT_TRUE(engine_.Load(tintor_.get()));
    ForgetEarlierRuns();
  }
  void TearDown() override { ForgetEarlierRuns(); }

  // Runs Install with the display at the identity and checks the ramp it leaves for the mode.
  void ExpectModeShown(const std::wstring& arguments, int mode) {
    const bool gamma = tl::testing::DisplayKeepsGamma();
    if (gamma) {
      ASSERT_TRUE(tl::testing::WriteDisplayRamp(tl::testing::IdentityRamp()));
    }
    EXPECT_EQ(RunInstall(InstallDir(), arguments), 0u);
    EXPECT_EQ(Stored(panel::kValueColorTone), static_cast<DWORD>(mode));
    if (!gamma) return;
    const GammaRamp expected = EngineRampFor(engine_, mode);
    const auto shown = tl::testing::ReadDisplayRamp();
    ASSERT_TRUE(shown.has_value());
    EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*shown, expected)) << "mode " << mode;
  }

  tl::win32::UniqueModule tintor_;
  api::TintorApi engine_;
  tl::testing::DisplayRampGuard restoreDisplay_;
};

TEST_F(Install, QuotedM4WritesTheSettingsRegistersThePluginAndShowsMode4) {
  ExpectModeShown(L"\"/M4\"", 4);

  EXPECT_EQ(Stored(panel::kValueLow), 30u);
  EXPECT_EQ(Stored(panel::kValueHigh), 185u);
  EXPECT_EQ(Stored(panel::kValueStrength), 32767u);
  EXPECT_EQ(Stored(panel::kValueNoise), 32767u);
  EXPECT_EQ(Stored(panel::kValueMovie), 1u);
  const auto path = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath);
  ASSERT_TRUE(path.has_value());
  EXPECT_TRUE(SameText(*path, InstallDir())) << tl::win32::Narrow(*path);
  const auto logOn = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kRunKey, panel::kLogOnValue);
  ASSERT_TRUE(logOn.has_value());
  EXPECT_TRUE(SameText(*logOn, InstallDir() + L"AutoRun.exe")) << tl::win32::Narrow(*logOn);

  // Install does not wait for the registration tool.
  std::optional<std::wstring> mark;
  for (int i = 0; i < 300 && !mark; ++i) {
    ::Sleep(50);
    mark = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, kMarkKey, kMarkValue);
  }
  ASSERT_TRUE(mark.has_value()) << "regsvr32 did not register the plug-in";
  EXPECT_TRUE(SameText(*mark, Plugin())) << tl::win32::Narrow(*mark);

  if (tl::testing::DisplayKeepsGamma()) {
    EXPECT_FALSE(tl::testing::SameAtDisplayPrecision(EngineRampFor(engine_, 4), tl::testing::IdentityRamp()))
        << "mode 4 must differ from the identity for this test to mean anything";
  }
}

TEST_F(Install, WithoutAValidQuotedOptionTheModeIsOne) {
  if (tl::testing::DisplayKeepsGamma()) {
    ASSERT_FALSE(tl::testing::SameAtDisplayPrecision(EngineRampFor(engine_, 1), EngineRampFor(engine_, 4)))
        << "modes 1 and 4 must look different on the display for this test to mean anything";
  }
  ExpectModeShown(L"", 1);
  ExpectModeShown(L"/M2", 1);
  ExpectModeShown(L"\"-m7\"", 1);
  ExpectModeShown(L"\"-m4\"", 4);
}

TEST_F(Install, FolderWithLettersOutsideTheAnsiCodePage) {
  // Cyrillic letters do not survive the Western code page; the tables are named to the engine
  // by their short paths.
  const std::wstring folder = CopyOfInstallation(
      L"\u0443\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430 \u043f\u0430\u043f\u043a\u0430",
      {L"Install.exe", L"Tintor.dll", L"acf\\panel.acf", L"atf\\Mode2.atf"});
  ASSERT_FALSE(folder.empty()) << "the installation folder could not be copied";
  const bool gamma = tl::testing::DisplayKeepsGamma();
  if (gamma) {
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(tl::testing::IdentityRamp()));
  }
  EXPECT_EQ(RunInstall(folder, L"\"/M2\""), 0u);
  const auto path = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath);
  EXPECT_TRUE(path && SameText(*path, folder)) << "kept in full in the registry";
  if (gamma) {
    const auto shown = tl::testing::ReadDisplayRamp();
    ASSERT_TRUE(shown.has_value());
    EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*shown, EngineRampFor(engine_, 2)));
  }
}

TEST(InstallAdapterCheck, TheBenchsAdapterIsFoundAndIsOfNoKnownKind) {
  const std::vector<std::wstring> adapters = tl::win32::DisplayAdapterDescriptions();
  ASSERT_FALSE(adapters.empty()) << "the device setup interface lists no display adapter";
  for (const std::wstring& description : adapters) EXPECT_FALSE(description.empty());
  EXPECT_EQ(tl::common::AdapterCodeFrom(adapters), tl::common::kAdapterUnknown)
      << tl::win32::Narrow(adapters.front());
}

TEST(InstallWithoutTables, WritesTheSettingsAndLeavesTheDisplayAlone) {
  const std::wstring folder = CopyOfInstallation(L"install_no_tables", {L"Install.exe", L"Tintor.dll"});
  ASSERT_FALSE(folder.empty()) << "the installation folder could not be copied";
  ForgetEarlierRuns();
  tl::testing::DisplayRampGuard restoreDisplay;
  const bool gamma = tl::testing::DisplayKeepsGamma();
  GammaRamp dimmed{};
  for (int channel = 0; channel < 3; ++channel) {
    for (int i = 0; i < 256; ++i) dimmed[channel * 256 + i] = static_cast<WORD>(i * 200);
  }
  if (gamma) {
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(dimmed));
  }

  EXPECT_EQ(RunInstall(folder, L"\"/M3\""), 0u);
  EXPECT_EQ(Stored(panel::kValueColorTone), 3u);
  const auto path = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath);
  EXPECT_TRUE(path && SameText(*path, folder));
  if (gamma) {
    const auto shown = tl::testing::ReadDisplayRamp();
    ASSERT_TRUE(shown.has_value());
    EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*shown, dimmed)) << "the display was changed";
  }
  ForgetEarlierRuns();
}

}  // namespace
