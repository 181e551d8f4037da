#include "common/testing/wine_testing.h"

#include <sddl.h>

#include <cstdlib>

#include "common/win32/handles.h"
#include "common/win32/process.h"
#include "common/win32/text.h"

namespace tl::testing {

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

std::wstring InstallDir() { return FolderFromEnvironment("TL_INSTALL_DIR"); }
std::wstring TestDir() { return FolderFromEnvironment("TL_TEST_DIR"); }
std::wstring ArtifactDir() { return FolderFromEnvironment("TL_ARTIFACT_DIR"); }
std::wstring SourceDir() { return FolderFromEnvironment("TL_SOURCE_DIR"); }

namespace {

// Deletes a folder with everything in it (read-only files too); a missing folder is fine.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring entry = found.cFileName;
      if (entry == L"." || entry == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(folder + entry + L"\\");
      } else {
        ::SetFileAttributesW((folder + entry).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW((folder + entry).c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring CopyOfInstallation(const std::wstring& name, std::initializer_list<const wchar_t*> files) {
  const std::wstring target = TestDir() + name + L"\\";
  // What an earlier run changed there goes first.
  RemoveTree(target);
  bool copied = true;
  const auto copyTree = [&copied](const auto& self, const std::wstring& from, const std::wstring& to) -> void {
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((from + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      const std::wstring entry = found.cFileName;
      if (entry == L"." || entry == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        self(self, from + entry + L"\\", to + entry + L"\\");
      } else {
        copied = ::CopyFileW((from + entry).c_str(), (to + entry).c_str(), FALSE) && copied;
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  };
  if (files.size() == 0) {
    copyTree(copyTree, InstallDir(), target);
    return copied ? target : std::wstring();
  }
  ::CreateDirectoryW(target.c_str(), nullptr);
  for (const wchar_t* file : files) {
    const std::wstring relative = file;
    for (size_t slash = relative.find(L'\\'); slash != std::wstring::npos; slash = relative.find(L'\\', slash + 1))
      ::CreateDirectoryW((target + relative.substr(0, slash)).c_str(), nullptr);
    copied = ::CopyFileW((InstallDir() + relative).c_str(), (target + relative).c_str(), FALSE) && copied;
  }
  return copied ? target : std::wstring();
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
  win32::UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool TruncateToHalf(const std::wstring& path) {
  win32::UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < 2) return false;
  LARGE_INTEGER half{};
  half.QuadPart = size.QuadPart / 2;
  return ::SetFilePointerEx(file.get(), half, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get());
}

UnwritableRegistryKey::UnwritableRegistryKey(const wchar_t* subKey) : subKey_(subKey) {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, subKey);
  win32::UniqueHKey key;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  // Everyone may read; nobody may set values or make subkeys.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
    return;
  }
  const LSTATUS set = ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
  ::LocalFree(descriptor);
  if (set != ERROR_SUCCESS) return;
  key.reset();
  // Proof: a new handle asked for writing is refused, or its write is.
  win32::UniqueHKey probe;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_SET_VALUE, probe.put()) != ERROR_SUCCESS) {
    ok_ = true;
    return;
  }
  const DWORD value = 1;
  ok_ = ::RegSetValueExW(probe.get(), L"probe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) !=
        ERROR_SUCCESS;
}

UnwritableRegistryKey::~UnwritableRegistryKey() {
  // The owner may always change the security back; then the key goes.
  win32::UniqueHKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey_.c_str(), 0, WRITE_DAC, key.put()) == ERROR_SUCCESS) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr)) {
      ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
      ::LocalFree(descriptor);
    }
  }
  key.reset();
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, subKey_.c_str());
}

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

GammaRamp RecognisableRamp() {
  GammaRamp ramp{};
  const int slopes[3] = {200, 230, 250};
  for (int channel = 0; channel < 3; ++channel) {
    for (int i = 0; i < 256; ++i) ramp[channel * 256 + i] = static_cast<WORD>(i * slopes[channel]);
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

bool DisplayShows(const GammaRamp& expected) {
  const auto shown = ReadDisplayRamp();
  return shown && SameAtDisplayPrecision(*shown, expected);
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
