// A dialog made from a template resource and run modally by a message loop of its own, so that
// the dialog sees keys before the dialog manager does. Messages reach the derived class through
// its message table: entries for window messages and for commands.
#pragma once

#include <windows.h>

#include <optional>
#include <span>

namespace tl::panel::framework {

// A window message and its handler. The handler's answer is the message's result; no answer
// lets the dialog manager's default processing run.
template <class Owner>
struct MessageEntry {
  UINT message;
  std::optional<LRESULT> (Owner::*handler)(WPARAM wParam, LPARAM lParam);
};

// A command (WM_COMMAND) by control id and notification code, and its handler.
template <class Owner>
struct CommandEntry {
  int id;
  int code;
  void (Owner::*handler)();
};

// Looks the message up in the two tables; messages first, then commands.
template <class Owner>
std::optional<LRESULT> DispatchByTable(Owner& owner, std::span<const MessageEntry<Owner>> messages,
                                       std::span<const CommandEntry<Owner>> commands, UINT message,
                                       WPARAM wParam, LPARAM lParam) {
  for (const MessageEntry<Owner>& entry : messages) {
    if (entry.message == message) return (owner.*entry.handler)(wParam, lParam);
  }
  if (message == WM_COMMAND) {
    for (const CommandEntry<Owner>& entry : commands) {
      if (entry.id == LOWORD(wParam) && entry.code == HIWORD(wParam)) {
        (owner.*entry.handler)();
        return 0;
      }
    }
  }
  return std::nullopt;
}

class Dialog {
 public:
  Dialog(HINSTANCE instance, UINT templateId) : instance_(instance), templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window from the template and runs messages until the window is destroyed.
  void RunModal();

  HWND hwnd() const { return hwnd_; }
  HINSTANCE instance() const { return instance_; }
  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

 protected:
  // WM_INITDIALOG; the window exists but is not yet shown. False: the focus is set already.
  virtual bool OnInitDialog() { return true; }
  // A queued message for this thread before the dialog manager sees it; true consumes it.
  virtual bool PreTranslateMessage(MSG& message) { return false; }
  // The derived class's message table (DispatchByTable).
  virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) { return std::nullopt; }
  // The window is gone; hwnd() is null afterwards.
  virtual void OnFinalMessage() {}

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  UINT templateId_;
  HWND hwnd_ = nullptr;
};

}  // namespace tl::panel::framework
