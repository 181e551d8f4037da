#include "control_panel/win32/framework/dialog.h"

namespace tl::panel::framework {

Dialog::~Dialog() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void Dialog::RunModal() {
  const HWND created = ::CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), nullptr, &Procedure,
                                            reinterpret_cast<LPARAM>(this));
  // A dialog that ended during its initialisation is gone already.
  if (!created || !hwnd_) return;
  MSG message;
  while (hwnd_) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // WM_QUIT (or a broken queue) ends the dialog; the quit goes on to whoever runs next.
      if (got == 0) ::PostQuitMessage(static_cast<int>(message.wParam));
      if (hwnd_) ::DestroyWindow(hwnd_);
      break;
    }
    if (PreTranslateMessage(message)) continue;
    if (hwnd_ && ::IsDialogMessageW(hwnd_, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return self->OnInitDialog() ? TRUE : FALSE;
  }
  self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;

  const std::optional<LRESULT> answer = self->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    // The window may end inside a message sent from another thread, while the loop waits in
    // GetMessage for a posted one: wake it so that it sees the end.
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
    self->OnFinalMessage();
    return FALSE;
  }
  if (!answer) return FALSE;
  switch (message) {
    // These answer through the procedure's result itself, not the message result.
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(*answer);
    default:
      ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, *answer);
      return TRUE;
  }
}

}  // namespace tl::panel::framework
