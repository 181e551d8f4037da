#include "control_panel/win32/settings_store.h"

#include <windows.h>

#include "common/win32/handles.h"
#include "common/win32/registry.h"

namespace tl::panel {
namespace {

using win32::ReadRegDword;
using win32::ReadRegString;
using win32::WriteRegDword;

win32::UniqueHKey OpenForReading(const wchar_t* subKey) {
  win32::UniqueHKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

uint32_t ReadOrCreate(const wchar_t* name, uint32_t fallback) {
  if (auto value = ReadRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, name)) return *value;
  WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, name, fallback);
  return fallback;
}

// A string of a key that exists; the default when the value is missing or unreadable.
std::wstring ReadStringOr(const wchar_t* subKey, const wchar_t* name, const wchar_t* fallback) {
  auto value = ReadRegString(HKEY_LOCAL_MACHINE, subKey, name, kRegistryStringChars - 1);
  return value ? *value : std::wstring(fallback);
}

}  // namespace

StoredVideoSettings ReadVideoSettings() {
  StoredVideoSettings settings;
  settings.low = ReadOrCreate(kValueLow, kPanelVideoDefaults.low);
  settings.high = ReadOrCreate(kValueHigh, kPanelVideoDefaults.high);
  settings.strength = ReadOrCreate(kValueStrength, kPanelVideoDefaults.strength);
  settings.noise = ReadOrCreate(kValueNoise, kPanelVideoDefaults.noise);
  return settings;
}

bool WriteVideoSettings(PreviewParameters& parameters) {
  const StoredVideoSettings stored = ToStored(parameters);
  bool ok = WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueLow, stored.low);
  ok = WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHigh, stored.high) && ok;
  ok = WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueStrength, stored.strength) && ok;
  ok = WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueNoise, stored.noise) && ok;
  return ok;
}

bool WriteColorTone(int mode) {
  bool ok = WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueColorTone,
                          static_cast<DWORD>(ClampColorTone(mode)));
  ok = WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueMovie, kMovieDefault) && ok;
  return ok;
}

bool WriteProgramDirectory(const std::wstring& directory) {
  return win32::WriteRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kValuePath, directory);
}

bool SetLogOnStart(const std::wstring& programDirectory) {
  return win32::WriteRegString(HKEY_LOCAL_MACHINE, kRunKey, kLogOnValue, LogOnCommand(programDirectory));
}

bool RemoveLogOnStart() { return win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, kLogOnValue); }

RawSettings ReadRawSettings() {
  RawSettings raw;
  // Read access only: readers run in any process, often without the right to write the key.
  win32::UniqueHKey key = OpenForReading(kSettingsKey);
  if (!key) return raw;
  raw.keyOpened = true;
  raw.low = ReadRegDword(key.get(), nullptr, kValueLow);
  raw.high = ReadRegDword(key.get(), nullptr, kValueHigh);
  raw.strength = ReadRegDword(key.get(), nullptr, kValueStrength);
  raw.noise = ReadRegDword(key.get(), nullptr, kValueNoise);
  raw.mirror = ReadRegDword(key.get(), nullptr, kValueMirror);
  raw.colorTone = ReadRegDword(key.get(), nullptr, kValueColorTone);
  raw.movie = ReadRegDword(key.get(), nullptr, kValueMovie);
  raw.path = ReadRegString(key.get(), nullptr, kValuePath, kRegistryStringChars - 1);
  return raw;
}

RendererTuning ReadRendererTuning() { return RendererTuningFrom(ReadRawSettings()); }

// Without the key the fixed default is used as well: an empty folder would name no program.
std::wstring ReadMediaPlayerFolder() { return ReadStringOr(kMediaPlayerKey, L"Path", kDefaultMediaPlayerFolder); }

std::wstring ReadBrowserPath() { return ReadStringOr(kBrowserKey, nullptr, kDefaultBrowserPath); }

std::wstring ReadProgramFilesFolder() {
  return ReadStringOr(kCurrentVersionKey, L"ProgramFilesDir", kDefaultProgramFilesFolder);
}

}  // namespace tl::panel
