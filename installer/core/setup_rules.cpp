#include "installer/core/setup_rules.h"

#include "common/core/registration.h"

namespace tl::installer {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

}  // namespace

std::wstring_view ArgumentsOf(std::wstring_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    const size_t close = line.find(L'"', 1);
    i = close == std::wstring_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !IsBlank(line[i])) ++i;
  }
  while (i < line.size() && IsBlank(line[i])) ++i;
  return line.substr(i);
}

int ModeFromArguments(std::wstring_view arguments) {
  const std::wstring_view window = arguments.substr(0, kOptionWindow);
  for (size_t i = 0; i + 2 < window.size(); ++i) {
    if (window[i] != L'"' || (window[i + 1] != L'/' && window[i + 1] != L'-') || Upper(window[i + 2]) != L'M') {
      continue;
    }
    const wchar_t selector = i + 3 < window.size() ? window[i + 3] : L'\0';
    return (selector >= L'1' && selector <= L'4') ? selector - L'0' : kDefaultMode;
  }
  return kDefaultMode;
}

std::wstring PanelTablePath(std::wstring_view folder) {
  std::wstring path(folder);
  path += L"acf\\panel.acf";
  return path;
}

std::wstring ToneTablePath(std::wstring_view folder, int mode) {
  std::wstring path(folder);
  path += L"atf\\Mode" + std::to_wstring(mode) + L".atf";
  return path;
}

std::wstring RegistrationCommand(std::wstring_view systemFolder, std::wstring_view folder) {
  return common::RegistrationCommand(common::RegistrationToolPath(systemFolder), common::Registration::kRegister,
                                     std::wstring(folder) + L"NorvakPlugin.dll");
}

}  // namespace tl::installer
