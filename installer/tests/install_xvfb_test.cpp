// Install.exe on a display without gamma ramps (Xvfb): it ends with 0 in good time, writes its
// settings, and the refused ramp is said on the debugger output instead of passing unnoticed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/testing/debug_output.h"
#include "common/testing/wine_testing.h"
#include "common/win32/registry.h"
#include "control_panel/win32/settings_store.h"

namespace {

namespace panel = tl::panel;

TEST(InstallWithoutGammaRamps, EndsInGoodTimeAndSaysTheDisplayRefusedTheRamp) {
  ASSERT_FALSE(tl::testing::DisplayKeepsGamma()) << "this test needs a display without gamma ramps (Xvfb)";
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, panel::kSettingsKey);
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  // No hang: Install ends within the wait, with 0.
  EXPECT_EQ(tl::testing::RunProgram(tl::testing::InstallDir() + L"Install.exe", L"\"/M2\"", 30000), 0u);
  EXPECT_EQ(tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValueColorTone), 2u);
  const std::string output = listener.Collect(500);
  EXPECT_NE(output.find("Tintor: the display refused the gamma ramp"), std::string::npos) << output;
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, panel::kSettingsKey);
}

}  // namespace
