// Small, safe registry access: every read validates type and size, strings that are not
// null-terminated in the registry are terminated here, and failures are reported, not thrown.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tl::win32 {

std::optional<DWORD> ReadRegDword(HKEY root, const wchar_t* subKey, const wchar_t* name);
// maxChars bounds the result (excluding the terminator); longer values are truncated.
std::optional<std::wstring> ReadRegString(HKEY root, const wchar_t* subKey, const wchar_t* name,
                                          size_t maxChars = 32767);

// Create the key when missing. Return true on success.
bool WriteRegDword(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD value);
bool WriteRegString(HKEY root, const wchar_t* subKey, const wchar_t* name, const std::wstring& value);
bool DeleteRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name);

}  // namespace tl::win32
