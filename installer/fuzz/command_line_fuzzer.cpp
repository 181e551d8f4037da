// Install's command line and the adapter check it makes first. Byte 0 tells how the rest is
// read: bit 0 set, as UTF-16LE units; clear, one unit per byte. Bit 1 set: the rest are adapter
// descriptions separated by '|' instead of a command line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/core/display_adapter.h"
#include "installer/core/setup_rules.h"

namespace {

using namespace tl;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return text;
}

// The option as the rule reads: the first '"' followed by '/' or '-' and 'M' or 'm' in the window.
int ExpectedMode(std::wstring_view arguments) {
  const std::wstring window(arguments.substr(0, installer::kOptionWindow));
  for (size_t at = window.find(L'"'); at != std::wstring::npos; at = window.find(L'"', at + 1)) {
    if (at + 2 >= window.size()) break;
    if ((window[at + 1] == L'/' || window[at + 1] == L'-') && (window[at + 2] | 0x20) == L'm') {
      const wchar_t digit = at + 3 < window.size() ? window[at + 3] : 0;
      return digit >= L'1' && digit <= L'4' ? digit - L'0' : 1;
    }
  }
  return 1;
}

common::AdapterCode ExpectedCode(const std::vector<std::wstring>& descriptions) {
  auto any = [&](const wchar_t* word) {
    return std::any_of(descriptions.begin(), descriptions.end(), [&](const std::wstring& d) {
      return Upper(d.substr(0, 127)).find(word) != std::wstring::npos;
    });
  };
  if (!any(L"INTEL")) return any(L"ATI") ? common::kAdapterAti : common::kAdapterUnknown;
  if (any(L"4 SERIES")) return common::kAdapterIntel4Series;
  if (any(L"500")) return common::kAdapterIntel500;
  return common::kAdapterIntel;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::wstring text;
  if (data[0] & 1) {
    for (size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (size_t i = 1; i < size; ++i) text.push_back(static_cast<wchar_t>(data[i]));
  }

  if (data[0] & 2) {
    std::vector<std::wstring> descriptions;
    size_t start = 0;
    for (size_t bar = text.find(L'|'); ; bar = text.find(L'|', start)) {
      descriptions.push_back(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
      if (bar == std::wstring::npos) break;
      start = bar + 1;
    }
    Check(common::AdapterCodeFrom(descriptions) == ExpectedCode(descriptions));
    return 0;
  }

  const std::wstring_view arguments = installer::ArgumentsOf(text);
  // A tail of the line, without the program name and the blanks after it.
  Check(arguments.data() >= text.data() && arguments.data() + arguments.size() == text.data() + text.size());
  Check(arguments.empty() || (arguments[0] != L' ' && arguments[0] != L'\t'));
  const int mode = installer::ModeFromArguments(arguments);
  Check(mode >= 1 && mode <= 4);
  Check(mode == ExpectedMode(arguments));

  // The line's text as the installation folder: the paths and the command keep it whole.
  const std::wstring panel = installer::PanelTablePath(text);
  const std::wstring tone = installer::ToneTablePath(text, mode);
  Check(panel == text + L"acf\\panel.acf" && tone == text + L"atf\\Mode" + std::to_wstring(mode) + L".atf");
  const std::wstring command = installer::RegistrationCommand(L"C:\\WINDOWS\\system32", text);
  Check(command.find(text + L"NorvakPlugin.dll") != std::wstring::npos);
  return 0;
}
