// What the Windows-side tests of TavoLumara.exe share: a fixture that checks the installation
// folder, keeps the engine loaded between runs of the program (so its shared record lives on),
// starts the program and checks its end; and the registry, ramp and file-dialog helpers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "control_panel/tests/panel_session.h"
#include "engine/win32/tintor_api.h"

namespace tl::panel::testing {

// A value of the settings key, or nothing when it is not there.
std::optional<DWORD> Stored(const wchar_t* name);
// The log-on start the program or Install wrote.
std::optional<std::wstring> LogOnValue();
bool SameText(const std::wstring& a, const std::wstring& b);
// Chooses a file in the program's file-open dialog by typing its name and pressing Open.
bool ChooseInFileDialog(const PanelProcess& program, const std::wstring& file);

// Sets a registry string for one test and puts back what was there.
class RegistryStringOverride {
 public:
  RegistryStringOverride(HKEY root, std::wstring key, std::wstring name, const std::wstring& value);
  ~RegistryStringOverride();
  RegistryStringOverride(const RegistryStringOverride&) = delete;
  RegistryStringOverride& operator=(const RegistryStringOverride&) = delete;

 private:
  HKEY root_;
  std::wstring key_;
  std::wstring name_;
  std::optional<std::wstring> saved_;
};

class PanelTest : public ::testing::Test {
 protected:
  // A bound, not a measure: an end that waits for registrations can take long on a busy machine.
  static constexpr DWORD kExitWaitMs = 60000;

  void SetUp() override;
  void TearDown() override;
  // The settings and the log-on start of earlier runs go.
  virtual void ForgetEarlierRuns();

  // The colour temperature and colourfulness the program will read from the engine at start.
  void NoteEngineValuesBeforeStart();
  // The ramp the engine prepares for the preview of a mode, as the preview player asks for it.
  tl::testing::GammaRamp PreviewRampOf(int mode);

  // Starts the program and waits until it takes commands.
  void Start(std::unique_ptr<PanelProcess>& program, const std::wstring& folder = tl::testing::InstallDir());
  void ExpectCleanEnd(PanelProcess& program);
  // Starts a second copy from the folder while one runs: the text of the message box it shows,
  // which is dismissed; the copy must then end cleanly.
  std::wstring MessageOfSecondCopy(const std::wstring& folder);

  win32::UniqueModule tintor_;
  engine::api::TintorApi engine_;
  WORD kelvin_ = 6500;
  WORD level_ = 1;
  tl::testing::DisplayRampGuard restoreDisplay_;
};

}  // namespace tl::panel::testing
