#include "control_panel/win32/framework/placeholder_button.h"

namespace tl::panel::framework {

void CButtonST::Bind(HWND dialog, int id) {
  id_ = id;
  hwnd_ = ::GetDlgItem(dialog, id);
  checked_ = false;
}

void CButtonST::SetChecked(bool checked, bool repaint) {
  checked_ = checked;
  if (repaint && hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

RECT CButtonST::RectInParent() const {
  RECT rect{};
  if (!hwnd_) return rect;
  ::GetWindowRect(hwnd_, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void CButtonST::Show(bool visible) {
  if (hwnd_) ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace tl::panel::framework
