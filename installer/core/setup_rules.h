// Install's decisions that need no platform: the mode option of its command line and the paths
// and command it forms.
#pragma once

#include <string>
#include <string_view>

namespace tl::installer {

inline constexpr int kDefaultMode = 1;
// Only this many characters of the arguments are looked at.
inline constexpr size_t kOptionWindow = 256;

// The arguments of a full command line: the program name (quoted or not) and the blanks after
// it removed, as a program entry receives them.
std::wstring_view ArgumentsOf(std::wstring_view commandLine);

// The first double quote followed by '/' or '-', 'M' or 'm' and a character: '1'..'4' select
// that mode, anything else mode 1. No such option: mode 1.
int ModeFromArguments(std::wstring_view arguments);

// Paths in the installation folder (which ends with a backslash).
std::wstring PanelTablePath(std::wstring_view folder);
std::wstring ToneTablePath(std::wstring_view folder, int mode);
// The registration tool of the system folder started silently on the plug-in of the folder.
std::wstring RegistrationCommand(std::wstring_view systemFolder, std::wstring_view folder);

}  // namespace tl::installer
