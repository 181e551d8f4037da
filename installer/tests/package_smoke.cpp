// Checks an installation made by the installer, in one process (program starts are slow where
// Wine runs under emulation): the uninstall entry names the folder, Install.exe wrote the mode
// and the folder, and the display holds the ramp the installed engine computes for the mode.
//   package_smoke.exe MODE
// Exit code 0 when all holds; it prints what it found either way.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"
#include "control_panel/win32/settings_store.h"
#include "engine/win32/tintor_api.h"
#include "installer/tests/engine_ramp.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TavoLumara";

bool Check(bool holds, const std::string& what) {
  std::printf("  %-5s %s\n", holds ? "yes" : "NO", what.c_str());
  return holds;
}

void PrintRamp(const char* name, const tl::testing::GammaRamp& ramp) {
  std::printf("  %-8s", name);
  for (int i = 0; i < 256; i += 51) std::printf(" %5u/%5u/%5u", ramp[i], ramp[256 + i], ramp[512 + i]);
  std::printf("\n");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int mode = argc > 1 ? static_cast<int>(std::wcstol(argv[1], nullptr, 10)) : 0;
  if (mode < 1 || mode > 4) {
    std::fprintf(stderr, "usage: package_smoke MODE (1..4)\n");
    return 2;
  }
  namespace panel = tl::panel;
  using tl::win32::Narrow;
  bool ok = true;

  const auto location = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation");
  if (!Check(location.has_value(), "the uninstall entry names the installation folder")) return 1;
  const std::wstring folder = *location + L"\\";
  std::printf("  folder %s\n", Narrow(folder).c_str());
  for (const wchar_t* file : {L"Install.exe", L"Tintor.dll", L"Uninstall.exe", L"acf\\panel.acf"}) {
    ok &= Check(::GetFileAttributesW((folder + file).c_str()) != INVALID_FILE_ATTRIBUTES,
                Narrow(file) + " is installed");
  }
  const auto tone = tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValueColorTone);
  ok &= Check(tone == static_cast<DWORD>(mode), "Install.exe stored ColorTone " + std::to_string(mode));
  const auto path = tl::win32::ReadRegString(HKEY_LOCAL_MACHINE, panel::kSettingsKey, panel::kValuePath);
  ok &= Check(path && ::lstrcmpiW(path->c_str(), folder.c_str()) == 0, "Install.exe stored the folder as Path");

  tl::win32::UniqueModule tintor(::LoadLibraryW((folder + L"Tintor.dll").c_str()));
  tl::engine::api::TintorApi engine;
  if (!Check(tintor && engine.Load(tintor.get()), "the installed engine loads")) return 1;
  const auto expected = tl::installer::testing::EngineRampFor(engine, folder, mode);
  const auto shown = tl::testing::ReadDisplayRamp();
  if (!Check(expected.has_value(), "the installed engine computes the mode's ramp")) return 1;
  if (!Check(shown.has_value(), "the display gives its gamma ramp")) return 1;
  PrintRamp("engine", *expected);
  PrintRamp("display", *shown);
  ok &= Check(tl::testing::SameAtDisplayPrecision(*expected, *shown),
              "the display holds the engine's mode-" + std::to_string(mode) + " ramp");
  ok &= Check(!tl::testing::SameAtDisplayPrecision(*shown, tl::testing::IdentityRamp()),
              "and that ramp is not the identity");
  return ok ? 0 : 1;
}
