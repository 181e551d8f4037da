#include "skin/win32/window_class.h"

#include <cwchar>

namespace tl::skin {
namespace {

// The object whose window is being created on this thread: the first messages arrive before
// CreateWindowEx returns.
thread_local ControlWindow* t_creating = nullptr;

// Every superclass registered by this module, for windows that have lost their object.
Superclass* g_classes[8] = {};

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&t_creating), &module);
  return module;
}

WNDPROC BaseProcOf(HWND hwnd) {
  const ATOM atom = static_cast<ATOM>(::GetClassLongPtrW(hwnd, GCW_ATOM));
  for (Superclass* cls : g_classes)
    if (cls && cls->atom == atom) return cls->baseProc;
  return ::DefWindowProcW;
}

bool Register(Superclass& cls) {
  if (cls.atom) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!::GetClassInfoExW(nullptr, cls.baseClass, &wc)) return false;
  if (cls.name.empty()) {
    wchar_t name[40];
    std::swprintf(name, 40, L"ATL:%p", static_cast<void*>(&cls));
    cls.name = name;
  }
  cls.baseProc = wc.lpfnWndProc;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &ControlWindow::WindowProc;
  wc.hInstance = ThisModule();
  wc.lpszClassName = cls.name.c_str();
  // The global class bit of a system class would make ours global too.
  wc.style &= ~CS_GLOBALCLASS;
  ATOM atom = ::RegisterClassExW(&wc);
  if (!atom && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    // Left behind by an earlier load of this library at the same address.
    ::UnregisterClassW(cls.name.c_str(), wc.hInstance);
    atom = ::RegisterClassExW(&wc);
  }
  if (!atom) return false;
  cls.atom = atom;
  for (Superclass*& slot : g_classes) {
    if (!slot) {
      slot = &cls;
      break;
    }
  }
  return true;
}

}  // namespace

void UnregisterSuperclasses() {
  for (Superclass*& cls : g_classes) {
    if (!cls) continue;
    if (cls->atom) ::UnregisterClassW(cls->name.c_str(), ThisModule());
    cls->atom = 0;
    cls = nullptr;
  }
}

ControlWindow::~ControlWindow() { Detach(); }

HWND ControlWindow::CreateControl(Superclass& cls, HWND parent, DWORD style, int x, int y,
                                  int width, int height, int id) {
  if (!Register(cls)) return nullptr;
  baseProc_ = cls.baseProc;
  t_creating = this;
  HWND hwnd = ::CreateWindowExW(0, cls.name.c_str(), L"", style, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(),
                                nullptr);
  t_creating = nullptr;
  if (!hwnd) Detach();
  return hwnd;
}

LRESULT ControlWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(baseProc_ ? baseProc_ : ::DefWindowProcW, hwnd_, message, wParam,
                           lParam);
}

void ControlWindow::Detach() {
  if (hwnd_ && ::IsWindow(hwnd_) &&
      reinterpret_cast<ControlWindow*>(::GetWindowLongPtrW(hwnd_, GWLP_USERDATA)) == this)
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
}

bool ControlWindow::Release() {
  if (!released_) {
    released_ = true;
    ReleaseResources();
    HWND hwnd = hwnd_;
    Detach();
    if (hwnd && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  }
  if (depth_ > 0) {
    deletePending_ = true;
    return false;
  }
  return true;
}

LRESULT CALLBACK ControlWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* self = reinterpret_cast<ControlWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self && t_creating) {
    self = t_creating;
    t_creating = nullptr;
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return ::CallWindowProcW(BaseProcOf(hwnd), hwnd, message, wParam, lParam);

  ++self->depth_;
  LRESULT result;
  if (message == WM_NCDESTROY) {
    result = self->DefaultProc(message, wParam, lParam);
    self->Detach();
  } else {
    result = self->HandleMessage(message, wParam, lParam);
  }
  if (--self->depth_ == 0 && self->deletePending_) delete self;
  return result;
}

}  // namespace tl::skin
