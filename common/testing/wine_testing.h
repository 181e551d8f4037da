// Support for the Windows-side tests that run under Wine: where the installation folder and
// the test programs are, starting a second process, and the display's gamma ramp.
#pragma once

#include <windows.h>

#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tl::testing {

// Folders handed over by ctest as Unix paths, turned into Windows paths with a trailing backslash.
std::wstring FolderFromEnvironment(const char* variable);  // empty when the variable is not set
std::wstring InstallDir();   // the installation folder
std::wstring TestDir();      // the test executables and their helper programs
std::wstring ArtifactDir();  // screenshots and other files kept for a person to look at
std::wstring SourceDir();    // the repository, for sources the tests hand to programs

// A fresh copy of the installation folder under the tests' folder, for a test that changes or
// removes some of its files: the whole folder, or only `files` (relative paths; their folders are
// made). An earlier copy of that name is deleted first.
// Gives the copy's path with a trailing backslash; empty when some file could not be copied.
std::wstring CopyOfInstallation(const std::wstring& name, std::initializer_list<const wchar_t*> files = {});
// Replaces a file's contents; false when it cannot be written.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
// Cuts a file to the first half of its bytes, as an interrupted copy leaves it; false when the
// file cannot be changed or has fewer than two bytes.
bool TruncateToHalf(const std::wstring& path);

// Makes a key of HKEY_LOCAL_MACHINE exist with its values removed and refuse every write (its
// security allows reading only) until the guard ends, when the key is deleted. ok() tells whether
// the key really refuses a write.
class UnwritableRegistryKey {
 public:
  explicit UnwritableRegistryKey(const wchar_t* subKey);
  ~UnwritableRegistryKey();
  UnwritableRegistryKey(const UnwritableRegistryKey&) = delete;
  UnwritableRegistryKey& operator=(const UnwritableRegistryKey&) = delete;
  bool ok() const { return ok_; }

 private:
  std::wstring subKey_;
  bool ok_ = false;
};

// Runs a program with arguments (quoted as needed) and waits up to timeoutMs; gives its exit code.
std::optional<DWORD> RunProgram(const std::wstring& program, const std::wstring& arguments = L"",
                                DWORD timeoutMs = 60000);

// Handles the messages waiting for this thread (so that windows of other processes sending to
// it get their answers).
void PumpMessages();
// Pumps messages until `condition` holds or timeoutMs have passed; gives whether it held.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 10000) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    PumpMessages();
    ::Sleep(10);
  }
  return true;
}
inline void PumpMessagesFor(DWORD ms) {
  WaitFor([] { return false; }, ms);
}

using GammaRamp = std::array<WORD, 768>;

GammaRamp IdentityRamp();
// A dimmed ramp no program of the suite makes, with a different slope per channel: a display
// that still shows it was not changed.
GammaRamp RecognisableRamp();
std::optional<GammaRamp> ReadDisplayRamp();
bool WriteDisplayRamp(const GammaRamp& ramp);
// The virtual display keeps 8 bits per entry: compares at that precision.
bool SameAtDisplayPrecision(const GammaRamp& a, const GammaRamp& b);
// Whether the display holds this ramp, at its precision.
bool DisplayShows(const GammaRamp& expected);
// True when the bench's display keeps gamma ramps (Xorg with the dummy driver).
bool DisplayKeepsGamma();

// Restores the display's ramp found at construction when the test ends.
class DisplayRampGuard {
 public:
  DisplayRampGuard();
  ~DisplayRampGuard();
  DisplayRampGuard(const DisplayRampGuard&) = delete;
  DisplayRampGuard& operator=(const DisplayRampGuard&) = delete;

 private:
  std::optional<GammaRamp> saved_;
};

}  // namespace tl::testing

// Skips a test that needs real gamma ramps on a bench that has none, and says why.
#define TL_REQUIRE_GAMMA()                                                                   \
  do {                                                                                       \
    if (!::tl::testing::DisplayKeepsGamma())                                                 \
      GTEST_SKIP() << "the bench's X server keeps no gamma ramps (Xvfb); Xorg with the "     \
                      "dummy driver is needed";                                              \
  } while (0)
