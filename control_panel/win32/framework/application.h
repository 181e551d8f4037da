// The application object of a program that is one modal dialog: it prepares the common
// controls and COM on the user-interface thread, runs the program's main dialog and ends the
// process when the dialog is gone.
#pragma once

#include <windows.h>

namespace tl::panel::framework {

class Application {
 public:
  explicit Application(HINSTANCE instance) : instance_(instance) {}
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Common controls (every class), COM for an apartment-threaded caller, then RunMainDialog.
  // Without COM the program ends silently. Gives the process's exit code.
  int Run();

  HINSTANCE instance() const { return instance_; }

 protected:
  virtual void RunMainDialog() = 0;

 private:
  HINSTANCE instance_;
};

}  // namespace tl::panel::framework
