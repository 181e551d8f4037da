#include "common/win32/tray_icon.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>

namespace tl::win32 {
namespace {

template <size_t N>
void CopyCut(wchar_t (&field)[N], const std::wstring& text) {
  const size_t count = std::min(text.size(), N - 1);
  std::wmemcpy(field, text.data(), count);
  field[count] = L'\0';
}

NOTIFYICONDATAW BaseData(HWND window, UINT id) {
  NOTIFYICONDATAW data{};
  // The layout every shell since the balloon notices knows; the newer, longer one is refused
  // by older systems.
  data.cbSize = NOTIFYICONDATAW_V3_SIZE;
  data.hWnd = window;
  data.uID = id;
  return data;
}

}  // namespace

UINT TrayIcon::TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

bool TrayIcon::Add(HWND window, UINT id, HICON icon, const TrayIconTexts& texts, UINT callbackMessage) {
  Remove();
  if (!window) return false;
  window_ = window;
  id_ = id;
  icon_ = icon;
  texts_ = texts;
  callbackMessage_ = callbackMessage;
  TaskbarCreatedMessage();  // registered before the broadcast can come
  return Put(true);
}

bool TrayIcon::Put(bool withBalloon) {
  NOTIFYICONDATAW data = BaseData(window_, id_);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callbackMessage_;
  data.hIcon = icon_;
  CopyCut(data.szTip, texts_.tooltip);
  if (withBalloon && !(texts_.balloonTitle.empty() && texts_.balloonText.empty())) {
    data.uFlags |= NIF_INFO;
    CopyCut(data.szInfoTitle, texts_.balloonTitle);
    CopyCut(data.szInfo, texts_.balloonText);
    data.dwInfoFlags = NIIF_INFO;
    data.uTimeout = 10000;
  }
  // A shell that still holds the icon (a "TaskbarCreated" that did not lose it) refuses a
  // second add; bring its image and texts up to date instead.
  shown_ = ::Shell_NotifyIconW(NIM_ADD, &data) || ::Shell_NotifyIconW(NIM_MODIFY, &data);
  return shown_;
}

bool TrayIcon::Remove() {
  if (!window_) return true;
  NOTIFYICONDATAW data = BaseData(window_, id_);
  const bool removed = !shown_ || ::Shell_NotifyIconW(NIM_DELETE, &data);
  window_ = nullptr;
  shown_ = false;
  return removed;
}

bool TrayIcon::SetTooltip(const std::wstring& tooltip) {
  texts_.tooltip = tooltip;
  if (!shown_) return wanted();
  NOTIFYICONDATAW data = BaseData(window_, id_);
  data.uFlags = NIF_TIP;
  CopyCut(data.szTip, tooltip);
  return ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

bool TrayIcon::ShowNotice(const std::wstring& title, const std::wstring& text) {
  if (!shown_) return false;
  NOTIFYICONDATAW data = BaseData(window_, id_);
  data.uFlags = NIF_INFO;
  CopyCut(data.szInfoTitle, title);
  CopyCut(data.szInfo, text);
  data.dwInfoFlags = NIIF_INFO;
  data.uTimeout = 10000;
  return ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

bool TrayIcon::HandleMessage(UINT message) {
  if (message == 0 || message != TaskbarCreatedMessage()) return false;
  if (wanted()) Put(false);
  return true;
}

UINT TrackTrayMenu(HWND window, HMENU menu) {
  POINT at{};
  ::GetCursorPos(&at);
  ::SetForegroundWindow(window);
  const UINT command = static_cast<UINT>(
      ::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, window, nullptr));
  // Without a message after the menu, the shell's next menu for this window may not close.
  ::PostMessageW(window, WM_NULL, 0, 0);
  return command;
}

bool NotificationAreaRect(RECT* area) {
  HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  HWND notification = taskbar ? ::FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr) : nullptr;
  RECT rect{};
  if (!notification || !::GetWindowRect(notification, &rect) || ::IsRectEmpty(&rect)) return false;
  *area = rect;
  return true;
}

POINT PlaceBesideAnchor(const RECT& anchor, const RECT& workArea, SIZE size, int margin) {
  LONG x = anchor.right - size.cx - margin;
  LONG y = anchor.top - size.cy - margin;
  // Right and bottom first, so that a window larger than the work area keeps its top-left corner.
  x = std::max(std::min(x, workArea.right - size.cx - margin), workArea.left + margin);
  y = std::max(std::min(y, workArea.bottom - size.cy - margin), workArea.top + margin);
  return {x, y};
}

POINT PlaceAboveNotificationArea(SIZE size, int margin) {
  RECT anchor{};
  RECT work{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (NotificationAreaRect(&anchor) &&
      ::GetMonitorInfoW(::MonitorFromRect(&anchor, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    return PlaceBesideAnchor(anchor, monitor.rcWork, size, margin);
  }
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || ::IsRectEmpty(&work)) {
    work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  const RECT corner{work.right, work.bottom, work.right, work.bottom};
  return PlaceBesideAnchor(corner, work, size, margin);
}

}  // namespace tl::win32
