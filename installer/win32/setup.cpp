#include "installer/win32/setup.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <optional>
#include <string>

#include "common/win32/display_adapters.h"
#include "common/win32/handles.h"
#include "common/win32/module_path.h"
#include "common/win32/process.h"
#include "common/win32/text.h"
#include "control_panel/win32/settings_store.h"
#include "engine/win32/tintor_api.h"
#include "installer/core/setup_rules.h"

namespace tl::installer {
namespace {

// Between preparing the ramp and loading it into the display.
constexpr DWORD kPauseBeforeApplyMs = 200;

// One full computation of the mode through the engine beside this program, then onto the display.
void ShowMode(const std::wstring& folder, int mode, common::AdapterCode adapter) {
  namespace api = engine::api;
  const std::wstring enginePath = folder + L"Tintor.dll";
  win32::UniqueModule tintor(::LoadLibraryExW(enginePath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  const DWORD error = tintor ? 0 : ::GetLastError();
  api::TintorApi engine;
  if (!tintor || !engine.Load(tintor.get())) {
    // Install has no window; the installation goes on, and whoever looks is told why the display
    // did not change.
    const std::wstring text = L"Install: the colour engine " + enginePath +
                              (tintor ? L" lacks exports" : L" cannot be loaded (error " + std::to_wstring(error) + L")") +
                              L"; the display keeps its ramp\n";
    ::OutputDebugStringW(text.c_str());
    return;
  }

  if (adapter == common::kAdapterIntel) engine.IntelGammaInitialize();
  // The levels and temperature another process left in the engine's shared record.
  WORD red = 1, green = 1, blue = 1, kelvin = 6500;
  engine.GetColorfulness(&red, &green, &blue);
  engine.GetColorTemperature(&kelvin);

  if (auto panel = win32::AnsiPath(PanelTablePath(folder), api::kMaxPathBytes)) engine.SetPCT(panel->c_str());
  if (auto tone = win32::AnsiPath(ToneTablePath(folder, mode), api::kMaxPathBytes)) engine.SetTRC(tone->c_str());
  engine.SetColorTemperature(kelvin);
  engine.SetColorfulness(blue, blue, blue);

  api::RampTable ramp{};
  const api::Status prepared = engine.PrepareColorEnhance(&ramp);
  ::Sleep(kPauseBeforeApplyMs);
  // Without a computed ramp Apply would load whatever the engine holds: zeros in a new process,
  // a black screen. The display keeps its ramp instead.
  if (prepared == engine::kOk) {
    engine.ApplyColorEnhance();
  } else {
    wchar_t text[160];
    ::swprintf(text, std::size(text), L"Install: mode %d cannot be computed (status 0x%08X); the display keeps its ramp\n",
               mode, static_cast<unsigned>(prepared));
    ::OutputDebugStringW(text);
  }
  engine.IntelGammaRelease();
}

}  // namespace

void RunSetup(std::wstring_view commandLine) {
  const common::AdapterCode adapter = win32::DisplayAdapterCode();
  const int mode = ModeFromArguments(ArgumentsOf(commandLine));

  panel::PreviewParameters parameters = panel::kInstallParameters;
  panel::WriteVideoSettings(parameters);
  panel::WriteColorTone(mode);

  // Every later step names files of the installation folder.
  const std::wstring folder = win32::ModuleDirectory(nullptr);
  if (folder.empty()) return;
  panel::WriteProgramDirectory(folder);
  panel::SetLogOnStart(folder);
  win32::StartHidden(RegistrationCommand(win32::SystemFolder(), folder));
  ShowMode(folder, mode, adapter);
}

}  // namespace tl::installer
