// The suite's notification-area icon: added and removed by window and id, reporting mouse
// activity to its window, put back when the taskbar is re-created, and the placement of a small
// window above the notification area.
#pragma once

#include <windows.h>

#include <string>

namespace tl::win32 {

// The icon's window gets this message with the icon id in wParam and the mouse message
// (WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONUP...) in lParam.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;

struct TrayIconTexts {
  std::wstring tooltip;       // shown while the pointer rests on the icon; cut to 127 characters
  std::wstring balloonTitle;  // a notice shown once when the icon is first added; none when
  std::wstring balloonText;   // both are empty (cut to 63 and 255 characters)
};

// One icon in the notification area. Removed when the object ends. Use it on the thread of
// its window.
class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon; the caller keeps ownership of `icon`, which must outlive the TrayIcon.
  // A TrayIcon that holds an icon removes it first. False when the shell refused it (there may
  // be no taskbar yet: the icon is then added when one appears, see HandleMessage).
  bool Add(HWND window, UINT id, HICON icon, const TrayIconTexts& texts,
           UINT callbackMessage = kTrayCallbackMessage);
  // Removes the icon; true when there was nothing to remove or the shell removed it.
  bool Remove();
  bool SetTooltip(const std::wstring& tooltip);
  // A balloon notice from the icon (cut to 63 and 255 characters); false when the icon is not
  // shown or the shell refused it.
  bool ShowNotice(const std::wstring& title, const std::wstring& text);

  // Pass every message of the icon's window: puts the icon back when the taskbar has been
  // re-created ("TaskbarCreated") and answers true for that message.
  bool HandleMessage(UINT message);

  bool wanted() const { return window_ != nullptr; }  // Add was called and Remove was not
  bool shown() const { return shown_; }               // the shell holds the icon

  // The message the shell broadcasts when the taskbar has been (re-)created.
  static UINT TaskbarCreatedMessage();

 private:
  bool Put(bool withBalloon);

  HWND window_ = nullptr;
  UINT id_ = 0;
  HICON icon_ = nullptr;
  UINT callbackMessage_ = kTrayCallbackMessage;
  TrayIconTexts texts_;
  bool shown_ = false;
};

// Shows `menu` at the pointer for the icon's window and gives the chosen command id, or 0 when
// the menu was dismissed. Brings the window to the foreground first, as the shell requires for
// the menu to close when the user clicks elsewhere.
UINT TrackTrayMenu(HWND window, HMENU menu);

// The notification area's rectangle on the screen, when the taskbar has one.
bool NotificationAreaRect(RECT* area);

// Top-left corner for a width x height window next to `anchor` (the notification area):
// right-aligned with it and above it, then moved into `workArea`, `margin` pixels from the edges
// it touches. So a taskbar on any edge gets the window beside its notification area.
POINT PlaceBesideAnchor(const RECT& anchor, const RECT& workArea, SIZE size, int margin);

// Where a width x height window goes above the notification area. Without a notification area
// (some shells, Wine) the window goes to the bottom-right corner of the primary work area.
POINT PlaceAboveNotificationArea(SIZE size, int margin);

}  // namespace tl::win32
