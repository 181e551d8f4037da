// The settings store against the real registry of the test prefix.
#include "control_panel/win32/settings_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "common/win32/registry.h"

namespace tl::panel {
namespace {

using win32::ReadRegDword;
using win32::ReadRegString;

void DeleteSettingsKey() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey); }

std::optional<DWORD> Stored(const wchar_t* name) { return ReadRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, name); }

// Writes raw bytes of any type, e.g. a string without its terminator.
void WriteRaw(const wchar_t* subKey, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
  ::RegCloseKey(key);
}

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettingsKey(); }
  void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(SettingsStore, FirstReadCreatesTheKeyWithTheDefaults) {
  EXPECT_EQ(ReadVideoSettings(), (StoredVideoSettings{65, 185, 32767, 32767}));
  EXPECT_EQ(Stored(kValueLow), 65u);
  EXPECT_EQ(Stored(kValueHigh), 185u);
  EXPECT_EQ(Stored(kValueStrength), 32767u);
  EXPECT_EQ(Stored(kValueNoise), 32767u);
}

TEST_F(SettingsStore, ReadKeepsStoredValuesAndReplacesMissingOrMistypedOnes) {
  ASSERT_TRUE(win32::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHigh, 200));
  const wchar_t text[] = L"70";
  WriteRaw(kSettingsKey, kValueLow, REG_SZ, text, sizeof(text));
  const BYTE shortValue[2] = {1, 2};
  WriteRaw(kSettingsKey, kValueNoise, REG_DWORD, shortValue, sizeof(shortValue));

  EXPECT_EQ(ReadVideoSettings(), (StoredVideoSettings{65, 200, 32767, 32767}));
  EXPECT_EQ(Stored(kValueLow), 65u);
  EXPECT_EQ(Stored(kValueNoise), 32767u);
}

TEST_F(SettingsStore, WriteClampsBothWaysAndHandsTheClampedValuesBack) {
  PreviewParameters p{5, 300, -1.0f, 0.125f};
  EXPECT_TRUE(WriteVideoSettings(p));
  EXPECT_EQ(p.low, 10);
  EXPECT_EQ(p.high, 255);
  EXPECT_EQ(p.strength, 0.0f);
  EXPECT_EQ(Stored(kValueLow), 10u);
  EXPECT_EQ(Stored(kValueHigh), 255u);
  EXPECT_EQ(Stored(kValueStrength), 0u);
  EXPECT_EQ(Stored(kValueNoise), 8191u);

  p = {120, 100, 0.5f, 2.0f};
  EXPECT_TRUE(WriteVideoSettings(p));
  EXPECT_EQ(Stored(kValueLow), 110u);
  EXPECT_EQ(Stored(kValueHigh), 115u);
  EXPECT_EQ(Stored(kValueStrength), 32767u);
  EXPECT_EQ(Stored(kValueNoise), 65535u);
}

TEST_F(SettingsStore, ColorToneAlwaysWritesMovieOne) {
  ASSERT_TRUE(win32::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueMovie, 3));
  EXPECT_TRUE(WriteColorTone(4));
  EXPECT_EQ(Stored(kValueColorTone), 4u);
  EXPECT_EQ(Stored(kValueMovie), 1u);
  EXPECT_TRUE(WriteColorTone(12));
  EXPECT_EQ(Stored(kValueColorTone), 5u);
}

TEST_F(SettingsStore, ProgramDirectoryIsAStringWithItsTerminator) {
  const std::wstring folder = L"C:\\Program Files\\Norvak\\TavoPC\\";
  EXPECT_TRUE(WriteProgramDirectory(folder));
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0;
  DWORD bytes = 0;
  EXPECT_EQ(::RegQueryValueExW(key, kValuePath, nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, (folder.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(ReadRawSettings().path, folder);
}

TEST_F(SettingsStore, LogOnStartIsWrittenAndRemoved) {
  EXPECT_TRUE(SetLogOnStart(L"D:\\Suite\\"));
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, kLogOnValue), L"D:\\Suite\\AutoRun.exe");
  EXPECT_TRUE(RemoveLogOnStart());
  EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, kLogOnValue).has_value());
  EXPECT_FALSE(RemoveLogOnStart()) << "nothing left to remove";
}

TEST_F(SettingsStore, RendererViewWithoutKeyAndWithOutOfRangeValues) {
  RendererTuning t = ReadRendererTuning();
  EXPECT_EQ(t.lowPoint, 50);
  EXPECT_EQ(t.strength, 0.75);
  EXPECT_TRUE(t.installPath.empty());
  EXPECT_FALSE(ReadRawSettings().keyOpened);
  EXPECT_FALSE(ReadRawSettings().keyOpened) << "a reader never creates the key";

  win32::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHigh, 300);
  win32::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueLow, 5);
  win32::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueStrength, 65535);
  win32::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueColorTone, 3);
  t = ReadRendererTuning();
  EXPECT_EQ(t.highPoint, 255);
  EXPECT_EQ(t.lowPoint, 10);
  EXPECT_EQ(t.strength, 1.0);
  EXPECT_EQ(t.colorTone, 3);
  EXPECT_EQ(t.installPath, kDefaultInstallPath);
}

TEST_F(SettingsStore, UnterminatedAndOverlongPathsAreReadSafely) {
  // 300 characters and no terminator: the read buffer keeps 259 of them.
  const std::vector<wchar_t> longPath(300, L'p');
  WriteRaw(kSettingsKey, kValuePath, REG_SZ, longPath.data(), static_cast<DWORD>(longPath.size() * sizeof(wchar_t)));
  EXPECT_EQ(ReadRendererTuning().installPath, std::wstring(259, L'p'));

  const wchar_t shortPath[] = {L'C', L':', L'\\'};
  WriteRaw(kSettingsKey, kValuePath, REG_SZ, shortPath, sizeof(shortPath));
  EXPECT_EQ(ReadRendererTuning().installPath, L"C:\\");

  // An odd byte count cuts the last half character.
  const char odd[] = {'A', 0, 'B'};
  WriteRaw(kSettingsKey, kValuePath, REG_SZ, odd, sizeof(odd));
  EXPECT_EQ(ReadRendererTuning().installPath, L"A");
}

TEST(SystemKeys, MediaPlayerFolderFallsBackToTheDefault) {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMediaPlayerKey);
  EXPECT_EQ(ReadMediaPlayerFolder(), kDefaultMediaPlayerFolder) << "no key";

  WriteRaw(kMediaPlayerKey, L"Other", REG_DWORD, "\1\0\0\0", 4);
  EXPECT_EQ(ReadMediaPlayerFolder(), kDefaultMediaPlayerFolder) << "no value";

  const wchar_t folder[] = L"%ProgramFiles%\\Windows Media Player";
  WriteRaw(kMediaPlayerKey, L"Path", REG_EXPAND_SZ, folder, sizeof(folder));
  EXPECT_EQ(ReadMediaPlayerFolder(), folder) << "kept unexpanded for the caller";
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMediaPlayerKey);
}

TEST(SystemKeys, BrowserPathAndProgramFilesFolder) {
  const auto saved = ReadRegString(HKEY_LOCAL_MACHINE, kBrowserKey, nullptr);
  const wchar_t browser[] = L"C:\\Browser\\browse.exe";
  WriteRaw(kBrowserKey, nullptr, REG_SZ, browser, sizeof(browser));
  EXPECT_EQ(ReadBrowserPath(), browser);
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  ::RegDeleteValueW(key, nullptr);
  ::RegCloseKey(key);
  EXPECT_EQ(ReadBrowserPath(), kDefaultBrowserPath);
  if (saved) win32::WriteRegString(HKEY_LOCAL_MACHINE, kBrowserKey, nullptr, *saved);

  // The prefix names its own program files folder.
  const auto programFiles = ReadRegString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir");
  EXPECT_EQ(ReadProgramFilesFolder(), programFiles.value_or(kDefaultProgramFilesFolder));
  EXPECT_FALSE(ReadProgramFilesFolder().empty());
}

}  // namespace
}  // namespace tl::panel
