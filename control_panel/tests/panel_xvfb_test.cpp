// TavoLumara.exe on a display without gamma ramps (Xvfb): it comes up, takes a mode and Apply,
// ends in good time, and every ramp the display refused is said on the debugger output; Close
// writes back no ramp it could not read at start.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/testing/debug_output.h"
#include "common/testing/wine_testing.h"
#include "common/win32/registry.h"
#include "control_panel/tests/panel_session.h"
#include "control_panel/win32/settings_store.h"

namespace {

namespace panel = tl::panel;
namespace ctl = panel::testing;
using ctl::PanelProcess;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class PanelWithoutGammaRamps : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tl::testing::DisplayKeepsGamma()) << "this test needs a display without gamma ramps (Xvfb)";
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, panel::kSettingsKey);
    ASSERT_TRUE(listener_.ok());
  }
  void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, panel::kSettingsKey); }

  void EndsCleanly(PanelProcess& program) {
    DWORD code = 1;
    ASSERT_TRUE(program.WaitForExit(15000, &code)) << "the program did not end";
    EXPECT_EQ(code, 0u);
  }

  tl::testing::DebugOutputListener listener_;
};

TEST_F(PanelWithoutGammaRamps, ApplyEndsAndTheRefusedRampsAreReported) {
  PanelProcess program(tl::testing::InstallDir());
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(program.WaitUntilReady()) << "the control panel did not come up";
  // The identity the start sends was refused, and said so.
  const std::string started = listener_.Collect(300);
  EXPECT_GE(Count(started, "Tintor: the display refused the gamma ramp"), 1u) << started;
  ASSERT_TRUE(program.Click(ctl::kVivid));
  ASSERT_TRUE(program.Click(ctl::kApply));
  EndsCleanly(program);
  EXPECT_EQ(tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValueColorTone), 2u);
  const std::string applied = listener_.Collect(300);
  EXPECT_GE(Count(applied, "Tintor: the display refused the gamma ramp"), 1u) << applied;
}

TEST_F(PanelWithoutGammaRamps, CloseWritesBackNothingItCouldNotRead) {
  PanelProcess program(tl::testing::InstallDir());
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(program.WaitUntilReady()) << "the control panel did not come up";
  listener_.Collect(300);
  ASSERT_TRUE(program.Click(ctl::kTheater));
  ASSERT_TRUE(program.Click(ctl::kClose));
  EndsCleanly(program);
  // No ramp was read at start, so none is sent at the end.
  const std::string closed = listener_.Collect(300);
  EXPECT_EQ(Count(closed, "Tintor: the display refused the gamma ramp"), 0u) << closed;
  EXPECT_FALSE(tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValueColorTone).has_value());
}

}  // namespace
