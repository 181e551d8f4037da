// Install's decisions that need no platform: the mode option of its command line, the kind of
// graphics adapter from the adapters' descriptions, and the paths and command it forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

enum AdapterCode : int {
  kAdapterUnknown = 0,
  kAdapterIntel = 266,
  kAdapterIntel500 = 267,
  kAdapterIntel4Series = 268,
  kAdapterAti = 522,
};

// Descriptions are cut to 127 characters and compared upper-cased. "Intel" on any adapter gives
// 266, then "500" 267 and "4 Series" 268 on any adapter, the last match winning; without
// "Intel", "ATI" gives 522.
AdapterCode AdapterCodeFrom(const std::vector<std::wstring>& descriptions);

// Paths in the installation folder (which ends with a backslash).
std::wstring PanelTablePath(std::wstring_view folder);
std::wstring ToneTablePath(std::wstring_view folder, int mode);
// The registration tool started silently on the plug-in of the folder.
std::wstring RegistrationCommand(std::wstring_view systemFolder, std::wstring_view folder);

}  // namespace tl::installer
