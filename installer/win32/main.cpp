// Install.exe: run once by an installation from the installation folder. No window; always
// ends with 0.
#include <windows.h>

#include "installer/win32/setup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    tl::installer::RunSetup(::GetCommandLineW());
  } catch (...) {
    // Out of memory: what is done is done; the installation goes on regardless.
  }
  return 0;
}
