// Paths of loaded modules and of the system folder.
#pragma once

#include <windows.h>

#include <string>

namespace tl::win32 {

// Full path of the module (nullptr: the program); empty on failure. Handles long paths.
std::wstring ModulePath(HMODULE module);
// Folder of the module with a trailing backslash; empty on failure.
std::wstring ModuleDirectory(HMODULE module);
// The module that contains this function's code (the DLL when called from a DLL).
HMODULE CurrentModule();

// The system folder without a trailing backslash; "C:\WINDOWS\system32" when it cannot be had.
std::wstring SystemFolder();

}  // namespace tl::win32
