// The notification-area icon against Wine's shell: add, remove, re-add after the taskbar is
// re-created, the callback message, the tray menu and the placement above the notification area.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <atomic>
#include <thread>

#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/tray_icon.h"

namespace {

using tl::win32::TrayIcon;

constexpr UINT kIconId = 130;

struct Owner {
  TrayIcon icon;
  int callbacks = 0;
  LPARAM lastMouse = 0;
  WPARAM lastId = 0;
  int taskbarMessages = 0;
};

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* owner = reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (owner) {
    if (owner->icon.HandleMessage(message)) {
      ++owner->taskbarMessages;
      return 0;
    }
    if (message == tl::win32::kTrayCallbackMessage) {
      ++owner->callbacks;
      owner->lastId = wParam;
      owner->lastMouse = lParam;
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OwnerProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"tl_tray_icon_test";
    ::RegisterClassW(&windowClass);
    window_.reset(::CreateWindowExW(0, windowClass.lpszClassName, L"tray icon test", WS_POPUP, 0, 0, 10, 10,
                                    nullptr, nullptr, windowClass.hInstance, nullptr));
    ASSERT_TRUE(window_);
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner_));
    icon_ = static_cast<HICON>(::LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_SHARED));
    ASSERT_NE(icon_, nullptr);
  }
  void TearDown() override {
    owner_.icon.Remove();
    window_.reset();
  }

  // Asks the shell about the icon directly: a modification succeeds only for an icon it holds.
  bool ShellHolds() {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = window_.get();
    data.uID = kIconId;
    data.uFlags = NIF_TIP;
    wcscpy(data.szTip, L"probe");
    return ::Shell_NotifyIconW(NIM_MODIFY, &data);
  }
  void ShellForgets() {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = window_.get();
    data.uID = kIconId;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
  }
  bool Add() {
    return owner_.icon.Add(window_.get(), kIconId, icon_,
                           {L"Video Lumara V5.1.2.0004", L"Norvak TavoLumara", L"Video Lumara"});
  }

  tl::win32::UniqueWindow window_;
  Owner owner_;
  HICON icon_ = nullptr;
};

TEST_F(TrayIconTest, AddsAndRemovesByWindowAndId) {
  EXPECT_TRUE(owner_.icon.Remove()) << "nothing to remove";
  ASSERT_FALSE(ShellHolds());
  ASSERT_TRUE(Add());
  EXPECT_TRUE(owner_.icon.shown());
  EXPECT_TRUE(ShellHolds());
  EXPECT_TRUE(owner_.icon.SetTooltip(L"a tooltip longer than the shell keeps " + std::wstring(200, L'x')));

  EXPECT_TRUE(owner_.icon.Remove());
  EXPECT_FALSE(owner_.icon.wanted());
  EXPECT_FALSE(ShellHolds());

  {
    TrayIcon scoped;
    ASSERT_TRUE(scoped.Add(window_.get(), kIconId, icon_, {L"scoped", L"", L""}));
    EXPECT_TRUE(ShellHolds());
  }
  EXPECT_FALSE(ShellHolds()) << "the destructor removes the icon";
  EXPECT_FALSE(owner_.icon.Add(nullptr, kIconId, icon_, {}));
}

// Wine without a desktop shell shows icons in a window of its own, one child window per icon.
HWND WineIconWindow() {
  HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  return tray ? ::FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr;
}

TEST_F(TrayIconTest, ClicksOnTheIconReachItsWindow) {
  ASSERT_TRUE(Add());
  HWND iconWindow = WineIconWindow();
  if (!iconWindow) GTEST_SKIP() << "this shell shows its icons elsewhere";
  ::SendMessageW(iconWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(iconWindow, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  tl::testing::PumpMessagesFor(300);
  EXPECT_EQ(owner_.callbacks, 2);
  EXPECT_EQ(owner_.lastId, kIconId);
  EXPECT_EQ(owner_.lastMouse, WM_LBUTTONDBLCLK);
}

TEST_F(TrayIconTest, TaskbarCreatedPutsTheIconBack) {
  ASSERT_TRUE(Add());
  // The shell lost its icons, as when the taskbar's process restarts.
  ShellForgets();
  ASSERT_FALSE(ShellHolds());
  ::SendMessageW(window_.get(), TrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_EQ(owner_.taskbarMessages, 1);
  EXPECT_TRUE(ShellHolds());
  EXPECT_TRUE(owner_.icon.shown());

  // A broadcast while the shell still holds the icon keeps it.
  ::SendMessageW(window_.get(), TrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(owner_.icon.shown());
  EXPECT_TRUE(ShellHolds());

  // After Remove the broadcast adds nothing.
  owner_.icon.Remove();
  ::SendMessageW(window_.get(), TrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_FALSE(ShellHolds());
  EXPECT_FALSE(owner_.icon.HandleMessage(WM_PAINT));
}

TEST_F(TrayIconTest, TrayMenuGivesTheChosenCommand) {
  HMENU menu = ::CreatePopupMenu();
  ::AppendMenuW(menu, MF_STRING, 1025, L"Color Tone: Gamma Mode");
  ::AppendMenuW(menu, MF_STRING, 1026, L"Color Tone: Vivid Mode");

  // A second thread drives the menu by keyboard once it is open.
  auto drive = [](std::initializer_list<WPARAM> keys) {
    return std::thread([keys = std::vector<WPARAM>(keys)] {
      HWND menuWindow = nullptr;
      for (int i = 0; i < 200 && !(menuWindow = ::FindWindowW(L"#32768", nullptr)); ++i) ::Sleep(20);
      for (WPARAM key : keys) {
        ::PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
        ::Sleep(50);
      }
    });
  };
  std::thread driver = drive({VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(tl::win32::TrackTrayMenu(window_.get(), menu), 1026u);
  driver.join();
  driver = drive({VK_ESCAPE});
  EXPECT_EQ(tl::win32::TrackTrayMenu(window_.get(), menu), 0u);
  driver.join();
  ::DestroyMenu(menu);
}

TEST(TrayPlacement, BesideTheNotificationAreaOnEveryTaskbarEdge) {
  const SIZE size{250, 130};
  // Bottom taskbar 30 high on a 1024 x 768 screen, notification area at its right end.
  EXPECT_EQ(tl::win32::PlaceBesideAnchor({900, 738, 1024, 768}, {0, 0, 1024, 738}, size, 1).x, 1024 - 250 - 1);
  EXPECT_EQ(tl::win32::PlaceBesideAnchor({900, 738, 1024, 768}, {0, 0, 1024, 738}, size, 1).y, 768 - 30 - 130 - 1);
  // Top taskbar: below it, right-aligned.
  POINT at = tl::win32::PlaceBesideAnchor({900, 0, 1024, 30}, {0, 30, 1024, 768}, size, 0);
  EXPECT_EQ(at.x, 1024 - 250);
  EXPECT_EQ(at.y, 30);
  // Right taskbar 60 wide, notification area at its bottom: left of it, above the area's top.
  at = tl::win32::PlaceBesideAnchor({964, 600, 1024, 768}, {0, 0, 964, 768}, size, 0);
  EXPECT_EQ(at.x, 964 - 250);
  EXPECT_EQ(at.y, 600 - 130);
  // Left taskbar: right of it.
  at = tl::win32::PlaceBesideAnchor({0, 600, 60, 768}, {60, 0, 1024, 768}, size, 0);
  EXPECT_EQ(at.x, 60);
  EXPECT_EQ(at.y, 600 - 130);
  // A window larger than the work area keeps its top-left corner inside it.
  at = tl::win32::PlaceBesideAnchor({900, 738, 1024, 768}, {0, 0, 200, 100}, size, 0);
  EXPECT_EQ(at.x, 0);
  EXPECT_EQ(at.y, 0);
}

TEST(TrayPlacement, WithoutANotificationAreaTheWorkAreaCornerIsUsed) {
  RECT area{};
  RECT work{};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const POINT at = tl::win32::PlaceAboveNotificationArea({250, 130}, 1);
  if (tl::win32::NotificationAreaRect(&area)) {
    GTEST_SKIP() << "this shell has a notification area; the corner rule is not used";
  }
  EXPECT_EQ(at.x, work.right - 250 - 1);
  EXPECT_EQ(at.y, work.bottom - 130 - 1);
  EXPECT_GE(at.x, work.left);
  EXPECT_GE(at.y, work.top);
}

}  // namespace
