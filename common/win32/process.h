// Starting other programs.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tl::win32 {

// Starts commandLine (program and arguments, quoted as the program expects) without a window.
// Returns the process handle owner on success.
bool StartHidden(const std::wstring& commandLine, HANDLE* processOut = nullptr);

// Starts `program` with commandLine (which names it again, as the program expects) in a normal
// window. On failure gives false and the system's error code in *error.
bool StartShown(const std::wstring& program, const std::wstring& commandLine, DWORD* error = nullptr);

// Starts commandLine hidden and waits up to timeoutMs for it to end; gives its exit code,
// or nothing when it could not start or did not end in time.
std::optional<DWORD> RunHiddenAndWait(const std::wstring& commandLine, DWORD timeoutMs);

// Quotes one argument by the rules that CommandLineToArgvW and the C runtime use.
std::wstring QuoteArgument(const std::wstring& argument);

}  // namespace tl::win32
