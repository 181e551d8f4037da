// DllRegisterServer and DllUnregisterServer: the class, its ProgIDs and the type library.
#pragma once

#include <windows.h>

namespace tl::audio_operator {

// Writes the class's keys for `module` (the DLL's full path as its server, ThreadingModel
// "Apartment"), its ProgIDs, and registers the embedded type library. On failure whatever was
// written is removed again.
HRESULT RegisterServer(HMODULE module);
// Removes all of it; ProgIDs that another class has taken over are left alone.
HRESULT UnregisterServer();

}  // namespace tl::audio_operator
