// The small window framework the skinned controls stand on: a superclass of a system control
// class whose window procedure forwards to a C++ object, with the system class's procedure as
// the default handler. Written once here for the buttons and the slider.
#pragma once

#include <windows.h>

#include <string>

namespace tl::skin {

// One registered superclass of a system class ("BUTTON", "msctls_trackbar32").
struct Superclass {
  const wchar_t* baseClass;
  // Empty: a name of the form "ATL:%p" is made from this record's address.
  std::wstring name;
  WNDPROC baseProc = nullptr;
  ATOM atom = 0;
};

// Removes every superclass this module registered (the library is being unloaded).
void UnregisterSuperclasses();

class ControlWindow {
 public:
  ControlWindow() = default;
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;
  virtual ~ControlWindow();

  HWND hwnd() const { return hwnd_; }

  // Ends the object's tie to its window and destroys the window. When the object is inside one
  // of its own message handlers (a parent that releases the skins while handling a click), its
  // deletion waits until that handler has returned; Release() returns true when the caller may
  // delete it now.
  bool Release();
  // True once Release() ran: handlers stop touching the object after sending a notification.
  bool Released() const { return released_; }

 protected:
  // Registers the superclass on first use and creates the window with this object attached.
  HWND CreateControl(Superclass& cls, HWND parent, DWORD style, int x, int y, int width,
                     int height, int id);
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The system class's own handling.
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Frees what the object holds besides the window (GDI+ objects, tooltips) before the registry
  // goes away.
  virtual void ReleaseResources() {}

 public:
  // The procedure of every superclass registered here.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void Detach();

  HWND hwnd_ = nullptr;
  WNDPROC baseProc_ = nullptr;
  int depth_ = 0;
  bool released_ = false;
  bool deletePending_ = false;
};

}  // namespace tl::skin
