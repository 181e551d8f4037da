// Typed GetProcAddress, by name or by ordinal.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tl::win32 {

template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
  // Through void* because FARPROC's signature never matches the real one.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

template <typename Function>
Function ProcAddress(HMODULE module, WORD ordinal) {
  return ProcAddress<Function>(module, reinterpret_cast<const char*>(static_cast<uintptr_t>(ordinal)));
}

}  // namespace tl::win32
