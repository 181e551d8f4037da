// Conversions between the system's code pages and UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tl::win32 {

// Unconvertible input gives an empty string.
std::wstring Widen(std::string_view text, UINT codePage = CP_ACP);
std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP);

}  // namespace tl::win32
