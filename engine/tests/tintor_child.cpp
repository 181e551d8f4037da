// A second process that uses Tintor.dll by ordinal, as the suite's other programs do.
//   tintor_child <Tintor.dll> get-colourfulness   exit code r * 10000 + g * 100 + b
//   tintor_child <Tintor.dll> get-temperature     exit code the kelvin
//   tintor_child <Tintor.dll> get-gamma           exit code gamma S * 1000 * 10000 + gamma V * 1000
//   tintor_child <Tintor.dll> apply-fresh         Apply in a process that never computed
//   tintor_child <Tintor.dll> send-dim            SetRampData of a dimmed ramp (no Intel road here)
// Exit code 1000000000 when the library or an export is missing.
#include <windows.h>

#include <cmath>
#include <string>

#include "common/win32/handles.h"
#include "engine/win32/tintor_api.h"

int wmain(int argc, wchar_t** argv) {
  constexpr int kBroken = 1000000000;
  if (argc < 3) return kBroken;
  tl::win32::UniqueModule dll(::LoadLibraryW(argv[1]));
  tl::engine::api::TintorApi api;
  if (!dll || !api.Load(dll.get())) return kBroken;
  const std::wstring command = argv[2];
  if (command == L"get-colourfulness") {
    WORD r = 0, g = 0, b = 0;
    api.GetColorfulness(&r, &g, &b);
    return r * 10000 + g * 100 + b;
  }
  if (command == L"get-temperature") {
    WORD kelvin = 0;
    api.GetColorTemperature(&kelvin);
    return kelvin;
  }
  if (command == L"get-gamma") {
    double s = -1, v = -1;
    api.GetGammaS(&s);
    api.GetGammaV(&v);
    return static_cast<int>(std::lround(s * 1000)) * 10000 + static_cast<int>(std::lround(v * 1000));
  }
  if (command == L"apply-fresh") return static_cast<int>(api.ApplyColorEnhance());
  if (command == L"send-dim") {
    tl::engine::RampTable ramp;
    for (int i = 0; i < 768; ++i) ramp[i] = static_cast<WORD>((i % 256) * 200);
    return static_cast<int>(api.IntelGammaSetRampData(&ramp));
  }
  return kBroken;
}
