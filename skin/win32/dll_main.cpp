// Entry point of both skin DLLs.
#include <windows.h>

#include "skin/win32/window_class.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // On FreeLibrary (not at process end) the control classes go with the code they point to,
  // so that a later load registers them afresh.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) tl::skin::UnregisterSuperclasses();
  return TRUE;
}
