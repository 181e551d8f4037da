// A stand-in for the Intel graphics driver's automation object "IgfxExt.CUIExternal", used by
// the Wine tests only: an in-process COM server whose device-data interface keeps the last
// ramp written to it and answers reads with it.
#pragma once

#include <windows.h>

#include <cstdint>

// {6C1E9F1A-3B7D-4E2A-9C55-1F2E3D4C5B6A}
inline constexpr CLSID kIgfxStubClsid = {0x6C1E9F1A, 0x3B7D, 0x4E2A, {0x9C, 0x55, 0x1F, 0x2E, 0x3D, 0x4C, 0x5B, 0x6A}};
inline constexpr wchar_t kIgfxStubClsidText[] = L"{6C1E9F1A-3B7D-4E2A-9C55-1F2E3D4C5B6A}";

// Test hooks exported by the stub DLL.
using IgfxStubLastWriteFn = LONG(WINAPI*)(WORD* ramp768);  // number of writes so far
using IgfxStubResetFn = void(WINAPI*)();
using IgfxStubLiveObjectsFn = LONG(WINAPI*)();
