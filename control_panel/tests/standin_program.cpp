// Stands in for the programs the control panel starts that lie outside the suite (the web
// browser, the media player): it records its command line in the registry and ends.
#include <windows.h>

#include "common/win32/registry.h"

int wmain() {
  tl::win32::WriteRegString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TavoLumaraTests", L"StandInCommandLine",
                            ::GetCommandLineW());
  return 0;
}
