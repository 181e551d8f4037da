#include "control_panel/tests/panel_fixture.h"

#include <algorithm>

#include "common/win32/file.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"
#include "control_panel/win32/settings_store.h"

namespace tl::panel::testing {

using tl::testing::GammaRamp;
using tl::testing::InstallDir;

std::optional<DWORD> Stored(const wchar_t* name) {
  return win32::ReadRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, name);
}

std::optional<std::wstring> LogOnValue() { return win32::ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, kLogOnValue); }

bool SameText(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool ChooseInFileDialog(const PanelProcess& program, const std::wstring& file) {
  const HWND dialog = program.WaitForMessageBox(L"Open", 20000);
  if (!dialog) return false;
  // The file name box: the combo box of the Explorer-style dialog, or the plain edit box.
  HWND name = ::GetDlgItem(dialog, 1148);
  if (!name) name = ::GetDlgItem(dialog, 1152);
  if (!name) return false;
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()), SMTO_NORMAL, 10000, &result);
  return ::PostMessageW(dialog, WM_COMMAND, IDOK, 0) != 0;
}

RegistryStringOverride::RegistryStringOverride(HKEY root, std::wstring key, std::wstring name,
                                               const std::wstring& value)
    : root_(root), key_(std::move(key)), name_(std::move(name)),
      saved_(win32::ReadRegString(root_, key_.c_str(), name_.empty() ? nullptr : name_.c_str())) {
  win32::WriteRegString(root_, key_.c_str(), name_.empty() ? nullptr : name_.c_str(), value);
}

RegistryStringOverride::~RegistryStringOverride() {
  const wchar_t* name = name_.empty() ? nullptr : name_.c_str();
  if (saved_) {
    win32::WriteRegString(root_, key_.c_str(), name, *saved_);
  } else {
    win32::DeleteRegValue(root_, key_.c_str(), name);
  }
}

void PanelTest::SetUp() {
  for (const wchar_t* file : {L"TavoLumara.exe", L"Tintor.dll", L"eLumara_Dll.dll", L"KvSkinAP.dll",
                              L"samples\\default.jpg", L"acf\\panel.acf", L"atf\\Mode2.atf"}) {
    ASSERT_TRUE(win32::CanOpenForReading(InstallDir() + file))
        << "missing from the installation folder: " << win32::Narrow(file);
  }
  tintor_.reset(::LoadLibraryW((InstallDir() + L"Tintor.dll").c_str()));
  ASSERT_TRUE(tintor_);
  ASSERT_TRUE(engine_.Load(tintor_.get()));
  ForgetEarlierRuns();
}

void PanelTest::TearDown() { ForgetEarlierRuns(); }

void PanelTest::ForgetEarlierRuns() {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
  RemoveLogOnStart();
}

void PanelTest::NoteEngineValuesBeforeStart() {
  WORD red = 0, green = 0, blue = 0;
  engine_.GetColorfulness(&red, &green, &blue);
  engine_.GetColorTemperature(&kelvin_);
  level_ = blue;
}

GammaRamp PanelTest::PreviewRampOf(int mode) {
  const std::string panelPath = win32::Narrow(InstallDir() + L"acf\\panel.acf");
  const std::string tonePath = win32::Narrow(InstallDir() + L"atf\\Mode" + std::to_wstring(mode) + L".atf");
  EXPECT_EQ(engine_.SetPCT(panelPath.c_str()), 0u);
  EXPECT_EQ(engine_.SetTRC(tonePath.c_str()), 0u);
  engine_.SetColorTemperature(kelvin_);
  engine_.SetColorfulness(level_, level_, level_);
  engine_.SetMethod(1);
  engine_.SetColorfulness(3, 3, 3);
  engine_.SetGammaS(0.5);
  engine_.SetGammaV(1.4);
  engine::api::RampTable ramp{};
  EXPECT_EQ(engine_.PrepareColorEnhance(&ramp), 0u);
  GammaRamp out{};
  std::copy(ramp.begin(), ramp.end(), out.begin());
  return out;
}

void PanelTest::Start(std::unique_ptr<PanelProcess>& program, const std::wstring& folder) {
  program = std::make_unique<PanelProcess>(folder);
  ASSERT_TRUE(program->started());
  ASSERT_TRUE(program->WaitUntilReady()) << "the control panel did not come up (window " << program->window()
                                          << ", running " << program->Running() << ")";
}

void PanelTest::ExpectCleanEnd(PanelProcess& program) {
  DWORD code = 1;
  ASSERT_TRUE(program.WaitForExit(kExitWaitMs, &code)) << "the program did not end";
  EXPECT_EQ(code, 0u);
}

std::wstring PanelTest::MessageOfSecondCopy(const std::wstring& folder) {
  PanelProcess second(folder);
  std::wstring text;
  const HWND box = second.WaitForMessageBox(L"Message", 30000, &text);
  EXPECT_TRUE(box) << "no message box";
  if (box) PanelProcess::Dismiss(box);
  ExpectCleanEnd(second);
  return text;
}

}  // namespace tl::panel::testing
