#include "common/testing/wine_testing.h"

#include <cstdlib>

#include "common/win32/handles.h"
#include "common/win32/process.h"
#include "common/win32/text.h"

namespace tl::testing {
namespace {

std::wstring FolderFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return {};
  std::wstring path = win32::Widen(value, CP_UTF8);
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;  // Wine's drive for the Unix root
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (!path.empty() && path.back() != L'\\') path.push_back(L'\\');
  return path;
}

}  // namespace

std::wstring InstallDir() { return FolderFromEnvironment("TL_INSTALL_DIR"); }
std::wstring TestDir() { return FolderFromEnvironment("TL_TEST_DIR"); }
std::wstring ArtifactDir() { return FolderFromEnvironment("TL_ARTIFACT_DIR"); }
std::wstring SourceDir() { return FolderFromEnvironment("TL_SOURCE_DIR"); }

std::optional<DWORD> RunProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs) {
  std::wstring commandLine = win32::QuoteArgument(program);
  if (!arguments.empty()) commandLine += L" " + arguments;
  return win32::RunHiddenAndWait(commandLine, timeoutMs);
}

void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

GammaRamp IdentityRamp() {
  GammaRamp ramp{};
  for (int channel = 0; channel < 3; ++channel) {
    for (int i = 0; i < 256; ++i) ramp[channel * 256 + i] = static_cast<WORD>(i * 257);
  }
  return ramp;
}

std::optional<GammaRamp> ReadDisplayRamp() {
  win32::WindowDc screen(nullptr);
  GammaRamp ramp{};
  if (!screen || !::GetDeviceGammaRamp(screen.get(), ramp.data())) return std::nullopt;
  return ramp;
}

bool WriteDisplayRamp(const GammaRamp& ramp) {
  win32::WindowDc screen(nullptr);
  GammaRamp copy = ramp;  // SetDeviceGammaRamp takes a non-const pointer
  return screen && ::SetDeviceGammaRamp(screen.get(), copy.data());
}

bool SameAtDisplayPrecision(const GammaRamp& a, const GammaRamp& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if ((a[i] >> 8) != (b[i] >> 8)) return false;
  }
  return true;
}

bool DisplayKeepsGamma() {
  const char* gamma = std::getenv("TL_BENCH_GAMMA");
  if (gamma && gamma[0] == '0') return false;
  return ReadDisplayRamp().has_value();
}

DisplayRampGuard::DisplayRampGuard() : saved_(ReadDisplayRamp()) {}

DisplayRampGuard::~DisplayRampGuard() {
  // The identity when nothing could be read, so that no test leaves the display dimmed.
  WriteDisplayRamp(saved_.value_or(IdentityRamp()));
}

}  // namespace tl::testing
