// The suite's settings in the registry: the settings key of the local machine, the log-on Run
// value and the system keys naming the media player, the browser and the program files folder.
// Plain functions; each opens and closes its keys. Registry failures are silent: writes report
// false, reads fall back to the defaults of settings_rules.h.
#pragma once

#include <string>

#include "control_panel/core/settings_rules.h"

namespace tl::panel {

inline constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Norvak\\TavoPC\\NORVAKVMR";
inline constexpr wchar_t kValueLow[] = L"VS2_Low";
inline constexpr wchar_t kValueHigh[] = L"VS2_High";
inline constexpr wchar_t kValueStrength[] = L"VS2_Strength";
inline constexpr wchar_t kValueNoise[] = L"VS2_Noise";
inline constexpr wchar_t kValueMirror[] = L"VS2_Mirror";
inline constexpr wchar_t kValueColorTone[] = L"ColorTone";
inline constexpr wchar_t kValueMovie[] = L"Movie";
inline constexpr wchar_t kValuePath[] = L"Path";

inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kLogOnValue[] = L"TAVOLumaraAR";
inline constexpr wchar_t kMediaPlayerKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wmplayer.exe";
inline constexpr wchar_t kBrowserKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.exe";
inline constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

inline constexpr wchar_t kDefaultMediaPlayerFolder[] = L"C:\\Program Files\\Windows Media Player\\";
inline constexpr wchar_t kDefaultBrowserPath[] = L"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE";
inline constexpr wchar_t kDefaultProgramFilesFolder[] = L"C:\\Program Files";

// The four video values; each missing one (or one of the wrong type) is written with the
// control panel's default first. The key is created when missing.
StoredVideoSettings ReadVideoSettings();
// Clamps the parameters in place and writes the four values. True when all were written.
bool WriteVideoSettings(PreviewParameters& parameters);
// "ColorTone" (clamped to 1..5) and "Movie" 1.
bool WriteColorTone(int mode);
// "Path", the folder with its trailing backslash.
bool WriteProgramDirectory(const std::wstring& directory);

// The Run value starting the log-on program of programDirectory, or its removal.
bool SetLogOnStart(const std::wstring& programDirectory);
bool RemoveLogOnStart();

// Read only: what a reader that never writes sees under the settings key.
RawSettings ReadRawSettings();
RendererTuning ReadRendererTuning();

// The media player's folder; the fixed default when it cannot be read.
std::wstring ReadMediaPlayerFolder();
// The browser's full path; the fixed default when it cannot be read.
std::wstring ReadBrowserPath();
// The folder "%ProgramFiles%" stands for; the fixed default when it cannot be read.
std::wstring ReadProgramFilesFolder();

}  // namespace tl::panel
