#include "control_panel/win32/framework/application.h"

#include <commctrl.h>

#include "common/win32/com.h"

namespace tl::panel::framework {

int Application::Run() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  ::InitCommonControlsEx(&controls);
  win32::ComApartment com(COINIT_APARTMENTTHREADED);
  if (!com.ok()) return 0;
  RunMainDialog();
  return 0;
}

}  // namespace tl::panel::framework
