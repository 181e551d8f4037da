// TavoLumara.exe, the control panel: one modal, skinned dialog.
#include <windows.h>

#include "control_panel/win32/framework/application.h"
#include "control_panel/win32/panel_dialog.h"

namespace tl::panel {

class CPaneloApp : public framework::Application {
 public:
  using Application::Application;

 protected:
  void RunMainDialog() override {
    CPaneloDlg dialog(instance());
    dialog.RunModal();
  }
};

}  // namespace tl::panel

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  try {
    return tl::panel::CPaneloApp(instance).Run();
  } catch (...) {
    // Out of memory: nothing sensible is left to show.
    return 1;
  }
}
