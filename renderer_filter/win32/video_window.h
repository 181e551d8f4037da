// The renderer's video window "NorvakVideoRenderer": the control window of the base layer, with
// the presenter's own messages (repaint, badge timer, tray icon, mouse forwarding).
#pragma once

#include "common/dshow/win32/control_window.h"

namespace tl::renderer {

class CLumaraPresenter;

inline constexpr wchar_t kVideoWindowClass[] = L"NorvakVideoRenderer";
// CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC | CS_BYTEALIGNCLIENT
inline constexpr UINT kVideoWindowClassStyle = 0x102B;
inline constexpr DWORD kVideoWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// Private messages the presenter posts to its window from other threads.
inline constexpr UINT kAddTrayIconMessage = WM_APP + 2;
inline constexpr UINT kStartBadgeTimerMessage = WM_APP + 3;

class VideoWindow final : public dshow::ControlWindow {
 public:
  VideoWindow(dshow::BaseFilter& owner, CLumaraPresenter& presenter)
      : ControlWindow(owner), presenter_(presenter) {}

 protected:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  SIZE NativeVideoSize() override;

 private:
  CLumaraPresenter& presenter_;
};

}  // namespace tl::renderer
