#include "common/win32/text.h"

#include <climits>

namespace tl::win32 {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string Narrow(std::wstring_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

std::optional<std::string> AnsiPath(const std::wstring& path, size_t maxBytes) {
  std::string narrow = Narrow(path);
  if (narrow.empty() || Widen(narrow) != path) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    narrow = Narrow(shortPath);
    if (narrow.empty() || Widen(narrow) != shortPath) return std::nullopt;
  }
  if (narrow.size() >= maxBytes) return std::nullopt;
  return narrow;
}

}  // namespace tl::win32
