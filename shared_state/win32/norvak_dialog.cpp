// Norvak_Dialog.exe: the plug-in strength dialog. A hidden window with a notification icon;
// the icon opens a skinned 250 x 130 panel above the notification area with a strength slider,
// Apply, Cancel and Default. The strength goes into KvServer's shared record and the plug-in's
// video window is told by messages. The program ends when that video window is gone.
#include <windows.h>

#include <string>

#include "common/win32/handles.h"
#include "common/win32/tray_icon.h"
#include "control_panel/win32/settings_store.h"
#include "shared_state/core/kv_record.h"
#include "shared_state/core/strength_panel.h"
#include "shared_state/win32/kv_server.h"
#include "shared_state/win32/kv_server_api.h"
#include "shared_state/win32/norvak_dialog_resources.h"
#include "skin/win32/kvskin.h"

namespace {

using tl::shared::PanelActions;
using tl::shared::StrengthPanel;

constexpr int kPanelWidth = 250;
constexpr int kPanelHeight = 130;
constexpr int kPanelMargin = 1;
constexpr UINT kIconId = IDI_NORVAK;
constexpr UINT_PTR kWatchTimer = 526;
constexpr UINT kWatchPeriodMs = 1000;
// A video window whose thread hangs must not hang the dialog.
constexpr UINT kVideoWindowTimeoutMs = 2000;

enum Command : int {
  kApply = 513,
  kCancel = 516,
  kDefault = 517,
  kToggleMethod = 518,
  kToggleDemo = 519,
  kSlider = 525,
  kStrengthLabel = 767,
};

constexpr char kSliderName[] = "ui_slider_strength";
// Shown when the background picture is missing, so that the controls stay readable.
constexpr COLORREF kFallbackBackground = RGB(36, 40, 48);

std::wstring LoadText(HINSTANCE instance, UINT id, const wchar_t* fallback) {
  const wchar_t* text = nullptr;
  // With a zero length LoadString gives a read-only pointer to the resource text itself.
  const int length = ::LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring(fallback);
}

// The skin folder: this program's own folder, where the installation keeps "images\ax\".
std::wstring ProgramFolder(HINSTANCE instance) {
  wchar_t folder[tl::shared::kWorkingDirectoryChars] = {};
  ::GetWorkingDirectory(instance, folder);
  return folder;
}

class NorvakDialog {
 public:
  NorvakDialog(HINSTANCE instance, int strength) : instance_(instance), panel_(strength) {}
  ~NorvakDialog() {
    window_.reset();
    if (skinStarted_) ::ReleaseSkin();
  }
  NorvakDialog(const NorvakDialog&) = delete;
  NorvakDialog& operator=(const NorvakDialog&) = delete;

  bool Create(const std::wstring& className, const std::wstring& title);
  void Start();
  int Run();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, LPARAM control);
  void Carry(const PanelActions& actions);
  void LayOut();
  void Paint(HDC dc) const;
  void NotifyVideoWindow(UINT message) const;
  void WatchVideoWindow();

  HINSTANCE instance_;
  StrengthPanel panel_;
  tl::win32::UniqueWindow window_;
  tl::win32::UniqueGdiObject background_;
  tl::win32::TrayIcon icon_;
  HWND watched_ = nullptr;  // the video window whose end ends the program
  bool skinStarted_ = false;
};

bool NorvakDialog::Create(const std::wstring& className, const std::wstring& title) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance_;
  windowClass.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(IDI_NORVAK));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className.c_str();
  if (!::RegisterClassExW(&windowClass)) return false;
  // A plain pop-up whose client area is the whole panel; a tool window, so no taskbar button.
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, className.c_str(), title.c_str(), WS_POPUP, 0, 0, kPanelWidth,
                                  kPanelHeight, nullptr, nullptr, instance_, this);
  if (!window) return false;
  window_.reset(window);
  ::SetForegroundWindow(window);
  return true;
}

void NorvakDialog::Start() {
  background_.reset(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_NORVAK_BACKGROUND), IMAGE_BITMAP, 0, 0,
                                 LR_CREATEDIBSECTION));
  const int small = ::GetSystemMetrics(SM_CXSMICON);
  auto icon = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_NORVAK), IMAGE_ICON, small, small,
                                              LR_SHARED));
  if (!icon) icon = ::LoadIconW(nullptr, IDI_APPLICATION);
  // Without a taskbar yet the icon comes when one is created ("TaskbarCreated").
  icon_.Add(window_.get(), kIconId, icon, {L"Video Lumara V5.1.2.0004", L"Norvak TavoLumara", L"Video Lumara"});
  ::SetAdjustment(panel_.strength());

  watched_ = ::GetVideoWindow();
  if (watched_) NotifyVideoWindow(tl::shared::kStrengthChangedMessage);
  ::SetTimer(window_.get(), kWatchTimer, kWatchPeriodMs, nullptr);
}

int NorvakDialog::Run() {
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  window_.reset();
  icon_.Remove();
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK NorvakDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<NorvakDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  // window_ is set only after CreateWindowEx returns; messages before that go to the default.
  if (!self || !self->window_) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT NorvakDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_.get();
  if (icon_.HandleMessage(message)) return 0;
  switch (message) {
    case tl::win32::kTrayCallbackMessage:
      Carry(panel_.OnIconMouse(static_cast<uint32_t>(lParam)));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), lParam);
      return 0;
    case WM_HSCROLL:
      if (lParam == kSlider) Carry(panel_.OnSlider(static_cast<int>(wParam)));
      return 0;
    case WM_TIMER:
      if (wParam == kWatchTimer) WatchVideoWindow();
      return 0;
    case WM_ERASEBKGND:
      Paint(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      Paint(dc);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_CLOSE:  // the panel closes; the program stays with its icon
      Carry(panel_.OnClose());
      return 0;
    case WM_DESTROY:
      // Also sent by KvServer's RemoveNorvakDialog from another process, which expects 0.
      // The icon goes when the message loop has ended (Run), after the window.
      ::KillTimer(window, kWatchTimer);
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      window_.release();  // gone: nothing left to destroy
      return ::DefWindowProcW(window, message, wParam, lParam);
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void NorvakDialog::OnCommand(int id, LPARAM control) {
  switch (id) {
    case kApply:
    case kCancel:
    case kDefault:
      // A skinned text button reports a click twice: with its window, then with none (also
      // after a press that was dragged off the button). Only the click counts.
      if (!control) return;
      Carry(id == kApply ? panel_.OnApply() : id == kCancel ? panel_.OnCancel() : panel_.OnDefault());
      return;
    case kToggleMethod:
      Carry(panel_.OnToggleMethod());
      return;
    case kToggleDemo:
      Carry(panel_.OnToggleDemo());
      return;
    default:
      return;
  }
}

void NorvakDialog::Carry(const PanelActions& actions) {
  HWND window = window_.get();
  if (actions.layOut) LayOut();
  if (actions.show == true) {
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
  }
  // The skin's setters need its registry, which the first opening creates.
  if (actions.sliderPosition && skinStarted_) ::SetUtlSliderPos(kSliderName, *actions.sliderPosition);
  if (actions.markChanged) ::SetChanged(1);
  if (actions.adjustment) ::SetAdjustment(*actions.adjustment);
  if (actions.methodSwitch) {
    if (skinStarted_) ::SetUtlFontButtonSelectFlag("ui_setmethod", *actions.methodSwitch);
    ::SetMethod(*actions.methodSwitch ? 1 : 0);
  }
  if (actions.demoSwitch) {
    if (skinStarted_) ::SetUtlFontButtonSelectFlag("ui_demo", *actions.demoSwitch);
    ::SetDemoMode(*actions.demoSwitch ? 1 : 0);
  }
  if (actions.notify) NotifyVideoWindow(*actions.notify);
  // Hidden last: the video window hears of a change at once even where hiding is slow.
  if (actions.show == false) ::ShowWindow(window, SW_HIDE);
}

void NorvakDialog::LayOut() {
  HWND window = window_.get();
  const POINT at = tl::win32::PlaceAboveNotificationArea({kPanelWidth, kPanelHeight}, kPanelMargin);
  // Shown by the caller once the controls are there.
  ::SetWindowPos(window, HWND_TOPMOST, at.x, at.y, kPanelWidth, kPanelHeight, SWP_NOACTIVATE);

  // Missing pictures leave their controls without an image; the panel still works.
  ::InitSkin(ProgramFolder(instance_).c_str());
  skinStarted_ = true;
  constexpr DWORD kButtonText = 0xF0F0F0F0;
  constexpr DWORD kDefaultText = 0x7F0F0F4F;
  constexpr DWORD kLabelText = 0x8F0F0F4F;

  ::AttachBitmap(L"images\\ax\\button_norm.bmp", "apply_nor");
  ::AttachBitmap(L"images\\ax\\button_down.bmp", "apply_push");
  ::AttachBitmap(L"images\\ax\\button_over.bmp", "apply_hover");
  ::AttachFont(80, L"Arial", "button_font", TRUE);
  ::AttachFontButtonSkin("apply_nor", "apply_hover", "apply_push", "apply_push", "button_font", kButtonText,
                         kButtonText, kButtonText, "apply");
  ::CreateFontButton(window, L"Apply", 0, "ui_apply", "apply", kApply, 129, 96, nullptr, FALSE);

  ::AttachBitmap(L"images\\ax\\button_norm.bmp", "cancel_nor");
  ::AttachBitmap(L"images\\ax\\button_down.bmp", "cancel_push");
  ::AttachBitmap(L"images\\ax\\button_over.bmp", "cancel_hover");
  ::AttachFontButtonSkin("cancel_nor", "cancel_hover", "cancel_push", "cancel_push", "button_font", kButtonText,
                         kButtonText, kButtonText, "cancel");
  ::CreateFontButton(window, L"Cancel", 0, "ui_cancel", "cancel", kCancel, 33, 96, nullptr, FALSE);

  ::AttachBitmap(L"images\\ax\\LCD_item_norm.bmp", "default_nor");
  ::AttachBitmap(L"images\\ax\\LCD_item_highlight.bmp", "default_push");
  ::AttachBitmap(L"images\\ax\\LCD_item_highlight.bmp", "default_hover");
  ::AttachFontButtonSkin("default_nor", "default_hover", "default_push", "default_push", "button_font",
                         kDefaultText, kDefaultText, kDefaultText, "default");
  ::CreateFontButton(window, L"Default", 0, "ui_default", "default", kDefault, 178, 60, nullptr, FALSE);

  ::AttachBitmap(L"images\\ax\\Video_lumara_mini_bg-cut.bmp", "slider_channel");
  ::AttachBitmap(L"images\\ax\\bar.bmp", "B_btn");
  ::AttachSliderSkin("slider_channel", "slider_channel", "B_btn", "B_btn", "slider_strength");
  ::CreateSlider(window, kSliderName, "slider_strength", kSlider, panel_.strength(), tl::shared::kStrengthMin,
                 tl::shared::kStrengthMax, 14, 62);

  ::AttachBitmap(L"images\\ax\\button_norm.bmp", "strength_nor");
  ::AttachBitmap(L"images\\ax\\button_norm.bmp", "strength_push");
  ::AttachBitmap(L"images\\ax\\button_norm.bmp", "strength_hover");
  ::AttachFont(90, L"Arial", "label_font", TRUE);
  ::AttachFontButtonSkin("strength_nor", "strength_hover", "strength_push", "strength_push", "label_font",
                         kLabelText, kLabelText, kLabelText, "strength");
  // The caption stands on the panel's background.
  ::CreateFontButton(window, L"Contrast", 1, "ui_strength", "strength", kStrengthLabel, 14, 37, nullptr, TRUE);
}

void NorvakDialog::Paint(HDC dc) const {
  if (background_) {
    tl::win32::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (memory) {
      tl::win32::SelectGuard select(memory.get(), background_.get());
      ::BitBlt(dc, 0, 0, kPanelWidth, kPanelHeight, memory.get(), 0, 0, SRCCOPY);
      return;
    }
  }
  const RECT panel{0, 0, kPanelWidth, kPanelHeight};
  tl::win32::UniqueGdiObject brush(::CreateSolidBrush(kFallbackBackground));
  ::FillRect(dc, &panel, static_cast<HBRUSH>(brush.get()));
}

void NorvakDialog::NotifyVideoWindow(UINT message) const {
  HWND video = ::GetVideoWindow();
  if (!video) return;
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(video, message, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kVideoWindowTimeoutMs, &answer);
}

void NorvakDialog::WatchVideoWindow() {
  // A player that names a new video window while this dialog runs is followed to that window.
  HWND current = ::GetVideoWindow();
  if (current && current != watched_ && ::IsWindow(current)) watched_ = current;
  if (watched_ && !::IsWindow(watched_)) ::DestroyWindow(window_.get());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (!::CheckInited()) return 0;
  const std::wstring title = LoadText(instance, IDS_NORVAK_TITLE, L"Norvak_Dialog");
  const std::wstring className = LoadText(instance, IDS_NORVAK_CLASS, tl::shared::kDialogTitle);
  // Titles compare without regard to case: "Norvak_Dialog" is the "NORVAK_DIALOG" KvServer looks for.
  if (::FindWindowW(nullptr, tl::shared::kDialogTitle)) return 0;

  NorvakDialog dialog(instance, tl::panel::DialogStrengthFrom(tl::panel::ReadRawSettings()));
  if (!dialog.Create(className, title)) return 0;
  dialog.Start();
  return dialog.Run();
}
