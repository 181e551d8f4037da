// Conversions between the system's code pages and UTF-16.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tl::win32 {

// Unconvertible input gives an empty string.
std::wstring Widen(std::string_view text, UINT codePage = CP_ACP);
std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP);

// A path for an interface that takes the ANSI code page (the colour engine's exports), shorter
// than `maxBytes`. A path that does not convert exactly is tried in its short form; one that
// cannot be given exactly is not given at all, so that no other file is opened in its place.
std::optional<std::string> AnsiPath(const std::wstring& path, size_t maxBytes);

}  // namespace tl::win32
