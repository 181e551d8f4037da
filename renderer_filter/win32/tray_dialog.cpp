#include "renderer_filter/win32/tray_dialog.h"

#include <shlobj.h>

#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

#include "common/win32/handles.h"
#include "common/win32/module_path.h"
#include "common/win32/text.h"
#include "common/win32/tray_icon.h"
#include "engine/win32/tintor_api.h"
#include "renderer_filter/core/tray_model.h"
#include "renderer_filter/win32/kvskin_api.h"
#include "renderer_filter/win32/presenter.h"
#include "renderer_filter/win32/resource.h"

namespace tl::renderer {
namespace {

constexpr SIZE kDialogSize{250, 130};
constexpr int kApplyButton = 513;
constexpr int kCancelButton = 516;
constexpr int kDefaultButton = 517;
constexpr int kContrastCaption = 767;
constexpr DWORD kButtonColour = 0xF0F0F0F0;
constexpr DWORD kDefaultColour = 0x7F0F0F4F;
constexpr DWORD kLabelColour = 0x8F0F0F4F;

HMODULE Module() { return win32::CurrentModule(); }

std::wstring LoadText(int id) {
  wchar_t text[256] = {};
  ::LoadStringW(Module(), static_cast<UINT>(id), text, 256);
  return text;
}

// Libraries of the dialog, loaded beside the filter on first use and kept for the process's
// life: skinned controls and the colour engine's prepared state must outlive any one dialog.
KvSkinApi& Skin() {
  static KvSkinApi* api = [] {
    auto* loaded = new KvSkinApi;  // never freed: see above
    loaded->Load(win32::ModuleDirectory(Module()) + L"KvSkin.dll");
    return loaded;
  }();
  return *api;
}

// The colour engine beside the filter, or null when it cannot be used (said on first use).
engine::api::TintorApi* Engine() {
  static engine::api::TintorApi* api = []() -> engine::api::TintorApi* {
    const std::wstring path = win32::ModuleDirectory(Module()) + L"Tintor.dll";
    HMODULE tintor = ::LoadLibraryW(path.c_str());
    if (!tintor) return nullptr;  // kept loaded for the process's life, like the skin library
    auto* loaded = new engine::api::TintorApi;
    if (!loaded->Load(tintor)) {
      delete loaded;
      ::FreeLibrary(tintor);
      return nullptr;
    }
    return loaded;
  }();
  return api;
}

// The one dialog of the process and what it keeps.
struct DialogState {
  HWND window = nullptr;
  CLumaraPresenter* presenter = nullptr;
  std::optional<TrayDialogModel> model;
  win32::UniqueMemoryDc background;
  win32::UniqueGdiObject backgroundBitmap;
  HGDIOBJ previousBitmap = nullptr;
  bool showOnCreate = true;
  std::vector<HWND> skinnedGroup;
  std::vector<HWND> resourceGroup;
};

std::mutex g_lock;  // guards g_dialog's window and presenter against other renderers' threads
DialogState g_dialog;

void ShowGroup(const std::vector<HWND>& group, bool show) {
  for (HWND control : group) {
    if (control) ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
  }
}

void SetNumber(HWND dialog, int id, int value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%d", value);
  ::SetDlgItemTextW(dialog, id, text);
}

void MarkSelection(int colorTone, int movie) {
  if (!g_dialog.model) return;
  for (const ButtonFlag& flag : g_dialog.model->MarkSelection(colorTone, movie)) {
    if (Skin().loaded()) Skin().SetUtlButtonEnableFlag(flag.name.c_str(), flag.enabled);
  }
}

void SetSlider(int position) {
  if (Skin().loaded()) Skin().SetUtlSliderPos("ui_slider_strength", position);
}

void SetUpSkin(HWND dialog, const std::wstring& imageDirectory, int strengthPercent) {
  KvSkinApi& s = Skin();
  if (!s.loaded()) return;  // the resource group's plain controls stay the only ones
  s.InitSkin(imageDirectory.c_str());
  s.AttachBitmap(L"images\\ax\\button_norm.bmp", "apply_nor");
  s.AttachBitmap(L"images\\ax\\button_down.bmp", "apply_push");
  s.AttachBitmap(L"images\\ax\\button_over.bmp", "apply_hover");
  s.AttachFont(80, L"Arial", "button_font", TRUE);
  s.AttachFontButtonSkin("apply_nor", "apply_hover", "apply_push", "apply_push", "button_font", kButtonColour,
                         kButtonColour, kButtonColour, "apply");
  s.AttachBitmap(L"images\\ax\\button_norm.bmp", "cancel_nor");
  s.AttachBitmap(L"images\\ax\\button_down.bmp", "cancel_push");
  s.AttachBitmap(L"images\\ax\\button_over.bmp", "cancel_hover");
  s.AttachFontButtonSkin("cancel_nor", "cancel_hover", "cancel_push", "cancel_push", "button_font", kButtonColour,
                         kButtonColour, kButtonColour, "cancel");
  s.AttachBitmap(L"images\\ax\\LCD_item_norm.bmp", "default_nor");
  s.AttachBitmap(L"images\\ax\\LCD_item_highlight.bmp", "default_push");
  s.AttachBitmap(L"images\\ax\\LCD_item_highlight.bmp", "default_hover");
  s.AttachFontButtonSkin("default_nor", "default_hover", "default_push", "default_push", "button_font",
                         kDefaultColour, kDefaultColour, kDefaultColour, "default");
  s.AttachBitmap(L"images\\ax\\bar.bmp", "B_btn");
  s.AttachBitmap(L"images\\ax\\Video_lumara_mini_bg-cut.bmp", "slider_channel");
  s.AttachSliderSkin("slider_channel", "slider_channel", "B_btn", "B_btn", "slider_strength");
  s.AttachBitmap(L"images\\ax\\button_norm.bmp", "strength_nor");
  s.AttachBitmap(L"images\\ax\\button_norm.bmp", "strength_push");
  s.AttachBitmap(L"images\\ax\\button_norm.bmp", "strength_hover");
  s.AttachFont(90, L"Arial", "label_font", TRUE);
  s.AttachFontButtonSkin("strength_nor", "strength_hover", "strength_push", "strength_push", "label_font",
                         kLabelColour, kLabelColour, kLabelColour, "strength");

  g_dialog.skinnedGroup = {
      s.CreateFontButton(dialog, LoadText(IDS_APPLY).c_str(), 0, "ui_apply", "apply", kApplyButton, 129, 96,
                         nullptr, FALSE),
      s.CreateFontButton(dialog, L"Cancel", 0, "ui_cancel", "cancel", kCancelButton, 33, 96, nullptr, FALSE),
      s.CreateFontButton(dialog, L"Default", 0, "ui_default", "default", kDefaultButton, 178, 60, nullptr, FALSE),
      s.CreateSlider(dialog, "ui_slider_strength", "slider_strength", kStrengthSlider, strengthPercent, 0, 100, 14,
                     62),
      s.CreateFontButton(dialog, L"Contrast", 1, "ui_strength", "strength", kContrastCaption, 14, 37, nullptr, TRUE),
  };
}

void OnInitDialog(HWND dialog, CLumaraPresenter& presenter) {
  const POINT at = win32::PlaceAboveNotificationArea(kDialogSize, 0);
  ::SetWindowPos(dialog, HWND_TOPMOST, at.x, at.y, kDialogSize.cx, kDialogSize.cy,
                 g_dialog.showOnCreate ? SWP_SHOWWINDOW : SWP_NOACTIVATE);

  const Tuning tuning = presenter.tuning();
  g_dialog.model.emplace(tuning);
  ::CheckDlgButton(dialog, IDC_MIRROR_BOX, tuning.mirror ? BST_CHECKED : BST_UNCHECKED);

  // The background: bitmap 102 as a DIB section in a memory DC, painted by WM_ERASEBKGND.
  g_dialog.backgroundBitmap.reset(::LoadImageW(Module(), MAKEINTRESOURCEW(IDB_TRAY_BACKGROUND), IMAGE_BITMAP, 0, 0,
                                               LR_CREATEDIBSECTION));
  g_dialog.background.reset(::CreateCompatibleDC(nullptr));
  if (g_dialog.background && g_dialog.backgroundBitmap)
    g_dialog.previousBitmap = ::SelectObject(g_dialog.background.get(), g_dialog.backgroundBitmap.get());

  SetUpSkin(dialog, presenter.installPath(), PercentOf(tuning.strength));
  g_dialog.resourceGroup.clear();
  for (int id : {IDC_MIRROR_BOX, IDC_MIRROR_LABEL, IDC_BACKLIGHT_VALUE, IDC_STRENGTH_VALUE, IDC_BACKLIGHT_LABEL})
    g_dialog.resourceGroup.push_back(::GetDlgItem(dialog, id));
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::GetDlgCtrlID(child) == -1 || ::GetDlgCtrlID(child) == 0xFFFF) g_dialog.resourceGroup.push_back(child);
  }
  // Without the skin library the plain controls are all the dialog has: they stay.
  if (Skin().loaded()) {
    ShowGroup(g_dialog.resourceGroup, false);
    ShowGroup(g_dialog.skinnedGroup, true);
  }
}

void OnDestroy() {
  if (g_dialog.background && g_dialog.previousBitmap) ::SelectObject(g_dialog.background.get(), g_dialog.previousBitmap);
  g_dialog.background.reset();
  g_dialog.backgroundBitmap.reset();
  g_dialog.previousBitmap = nullptr;
  if (Skin().loaded()) Skin().ReleaseSkin();
  g_dialog.skinnedGroup.clear();
  g_dialog.resourceGroup.clear();
  g_dialog.model.reset();
}

// A colour tone the display did not get: the user sees a notice from the tray icon naming the
// file at fault, the debugger output says the same; the display keeps the ramp it has.
void SayToneNotSet(CLumaraPresenter& presenter, const std::wstring& file) {
  wchar_t text[512];
  std::swprintf(text, 512, LoadText(IDS_TONE_NOT_SET_BECAUSE).c_str(), file.c_str());
  presenter.trayIcon().ShowNotice(LoadText(IDS_TONE_NOT_SET), text);
  const std::wstring debug = L"NorvakVMR: colour tone not changed: " + file + L" cannot be used\n";
  ::OutputDebugStringW(debug.c_str());
}

// The tone tables of the whole display, through the colour engine. A table that does not load or
// compute is not applied: the engine would otherwise send whatever ramp it last held (the
// identity in a new process), a change of colours the user did not ask for. False when the display
// was not given the tone.
bool ApplyColorTone(CLumaraPresenter& presenter, int command) {
  namespace api = engine::api;
  api::TintorApi* engine = Engine();
  if (!engine) {
    SayToneNotSet(presenter, win32::ModuleDirectory(Module()) + L"Tintor.dll");
    return false;
  }
  const std::optional<int> table = ColorToneTable(command);
  if (!table) {
    engine->CancelColorEnhance();
    return true;
  }
  const std::wstring folder = presenter.installPath();
  const std::wstring panel = folder + L"acf\\panel.acf";
  const std::wstring tone = folder + L"atf\\Mode" + std::to_wstring(*table) + L".atf";
  for (const auto& [path, set] : {std::pair{&panel, engine->SetPCT}, std::pair{&tone, engine->SetTRC}}) {
    const std::optional<std::string> ansi = win32::AnsiPath(*path, api::kMaxPathBytes);
    if (!ansi || set(ansi->c_str()) != engine::kOk) {
      SayToneNotSet(presenter, *path);
      return false;
    }
  }
  api::RampTable ramp{};
  if (engine->PrepareColorEnhance(&ramp) != engine::kOk) {
    SayToneNotSet(presenter, tone);
    return false;
  }
  engine->ApplyColorEnhance();
  return true;
}

void Capture(CLumaraPresenter& presenter) {
  const std::wstring path = CaptureFilePath();
  const bool saved = !path.empty() && presenter.CaptureFrame(path);
  // Where the picture went (or that it could not be saved) shows as a notice of the tray icon;
  // nothing waits for the user.
  wchar_t text[512];
  if (saved) {
    std::swprintf(text, 512, LoadText(IDS_CAPTURE_SAVED_AS).c_str(), path.c_str());
  } else {
    std::swprintf(text, 512, L"%s", LoadText(IDS_CAPTURE_FAILED).c_str());
  }
  presenter.trayIcon().ShowNotice(LoadText(IDS_CAPTURE_SAVED), text);
  const std::wstring debug = L"NorvakVMR: capture " + (saved ? path : std::wstring(L"failed")) + L"\n";
  ::OutputDebugStringW(debug.c_str());
}

BOOL OnCommand(HWND dialog, CLumaraPresenter& presenter, int command) {
  if (!g_dialog.model) return FALSE;
  TrayDialogModel& model = *g_dialog.model;
  Tuning tuning = presenter.tuning();
  switch (command) {
    case kApply:
      model.Apply(tuning);
      ::ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case kShowSkinned:
      ShowGroup(g_dialog.resourceGroup, false);
      ShowGroup(g_dialog.skinnedGroup, true);
      return TRUE;
    case kShowResources:
      ShowGroup(g_dialog.skinnedGroup, false);
      ShowGroup(g_dialog.resourceGroup, true);
      return TRUE;
    case kCancel:
      SetSlider(model.Cancel(tuning));
      presenter.SetTuning(tuning);
      ::ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case kDefault:
      SetSlider(model.Default(tuning));
      presenter.SetTuning(tuning);
      return TRUE;
    case kMirrorBox:
      tuning.mirror = ::IsDlgButtonChecked(dialog, IDC_MIRROR_BOX) == BST_CHECKED;
      presenter.SetTuning(tuning);
      return TRUE;
    case kCapture:
      Capture(presenter);
      return TRUE;
    default:
      break;
  }
  if (command >= kColorToneFirst && command <= kColorToneLast) {
    if (!ApplyColorTone(presenter, command)) return TRUE;  // the checked tone stays the one shown
    tuning.colorTone = command - 1024;
    presenter.SetTuning(tuning);
    MarkSelection(command - 1024, model.movie());
    return TRUE;
  }
  if (command >= kDynamicToneFirst && command <= kDynamicToneLast) {
    const int index = command - 1280;
    model.DynamicTone(index, tuning);
    presenter.SetTuning(tuning);
    presenter.ShowBadge();
    MarkSelection(model.colorTone(), index);
    SetNumber(dialog, IDC_STRENGTH_VALUE, PercentOf(tuning.strength));
    SetNumber(dialog, IDC_BACKLIGHT_VALUE, 110 - tuning.lowPoint);
    SetSlider(PercentOf(tuning.strength));
    return TRUE;
  }
  return FALSE;
}

void OnSlider(HWND dialog, CLumaraPresenter& presenter, int id, int position) {
  Tuning tuning = presenter.tuning();
  if (id == kBacklightSlider) {
    tuning.lowPoint = 110 - position;
    presenter.SetTuning(tuning);
    SetNumber(dialog, IDC_BACKLIGHT_VALUE, position);
  } else if (id == kStrengthSlider) {
    ApplyStrengthPosition(tuning, position);
    presenter.SetTuning(tuning);
    SetNumber(dialog, IDC_STRENGTH_VALUE, position);
  }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* presenter = reinterpret_cast<CLumaraPresenter*>(lParam);
    g_dialog.window = dialog;
    g_dialog.presenter = presenter;
    OnInitDialog(dialog, *presenter);
    return TRUE;
  }
  CLumaraPresenter* presenter = g_dialog.window == dialog ? g_dialog.presenter : nullptr;
  if (!presenter) return FALSE;
  switch (message) {
    case WM_ERASEBKGND:
      if (g_dialog.background) {
        ::BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, kDialogSize.cx, kDialogSize.cy, g_dialog.background.get(), 0,
                 0, SRCCOPY);
      }
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(dialog, &paint);
      if (g_dialog.background)
        ::BitBlt(dc, 0, 0, kDialogSize.cx, kDialogSize.cy, g_dialog.background.get(), 0, 0, SRCCOPY);
      ::EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
    case WM_COMMAND:
      // A font button repeats its click in a second notice; Apply, Cancel and Default give the
      // same result twice.
      return OnCommand(dialog, *presenter, LOWORD(wParam));
    case WM_HSCROLL:
      OnSlider(dialog, *presenter, static_cast<int>(lParam), static_cast<int>(wParam));
      return TRUE;
    case WM_CLOSE:
      ::ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    case WM_NCDESTROY: {
      std::lock_guard guard(g_lock);
      g_dialog.window = nullptr;
      g_dialog.presenter = nullptr;
      return FALSE;
    }
    default:
      return FALSE;
  }
}

HWND EnsureDialog(CLumaraPresenter& presenter, HWND videoWindow, bool show) {
  {
    std::lock_guard guard(g_lock);
    if (g_dialog.window) return g_dialog.window;
  }
  g_dialog.showOnCreate = show;
  return ::CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_TRAY_DIALOG), videoWindow, DialogProc,
                              reinterpret_cast<LPARAM>(&presenter));
}

}  // namespace

HWND TrayDialogWindow() {
  std::lock_guard guard(g_lock);
  return g_dialog.window;
}

HWND OpenTrayDialog(CLumaraPresenter& presenter, HWND videoWindow) {
  const bool existed = TrayDialogWindow() != nullptr;
  HWND dialog = EnsureDialog(presenter, videoWindow, true);
  if (existed && dialog) ::ShowWindow(dialog, SW_SHOWNORMAL);
  return dialog;
}

void SendTrayCommand(CLumaraPresenter& presenter, HWND videoWindow, int command) {
  if (HWND dialog = EnsureDialog(presenter, videoWindow, false))
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

std::vector<TrayMenuItem> TrayMenuItems(CLumaraPresenter& presenter) {
  const Tuning tuning = presenter.tuning();
  const int outdoorLevel = g_dialog.model ? g_dialog.model->outdoorLevel() : 0;
  wchar_t outdoor[128];
  std::swprintf(outdoor, 128, LoadText(IDS_OUTDOOR_LEVEL).c_str(), outdoorLevel);
  return {
      {1025, LoadText(IDS_TONE_GAMMA), tuning.colorTone == 1},
      {1026, LoadText(IDS_TONE_VIVID), tuning.colorTone == 2},
      {1027, LoadText(IDS_TONE_THEATER), tuning.colorTone == 3},
      {1028, LoadText(IDS_TONE_SOFT), tuning.colorTone == 4},
      {1029, LoadText(IDS_DISABLE), tuning.colorTone == 5},
      {0, L"", false},
      {1281, LoadText(IDS_DYNAMIC_DEFAULT), tuning.movie == 1},
      {1282, LoadText(IDS_DYNAMIC_VCR), tuning.movie == 2},
      {1283, outdoor, tuning.movie == 3},
      {1284, LoadText(IDS_DYNAMIC_DARK), tuning.movie == 4},
      {0, L"", false},
      {kMirrorBox, LoadText(IDS_MIRROR), tuning.mirror},
      {kCapture, LoadText(IDS_CAPTURE), false},
      {0, L"", false},
      {kContrastCaption, LoadText(IDS_SETTINGS), false},
  };
}

void OnTrayNotification(CLumaraPresenter& presenter, HWND videoWindow, UINT mouseMessage) {
  if (mouseMessage == WM_LBUTTONDBLCLK) {
    OpenTrayDialog(presenter, videoWindow);
    return;
  }
  if (mouseMessage != WM_RBUTTONUP && mouseMessage != WM_CONTEXTMENU) return;
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return;
  for (const TrayMenuItem& item : TrayMenuItems(presenter)) {
    if (item.command == 0) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : 0), static_cast<UINT_PTR>(item.command),
                    item.label.c_str());
    }
  }
  const UINT command = win32::TrackTrayMenu(videoWindow, menu);
  ::DestroyMenu(menu);
  if (command == 0) return;
  if (command == kContrastCaption) {
    OpenTrayDialog(presenter, videoWindow);
  } else if (command == kMirrorBox) {
    // The menu toggles the dialog's check box, then the box's own command takes it over.
    HWND dialog = EnsureDialog(presenter, videoWindow, false);
    if (!dialog) return;
    ::CheckDlgButton(dialog, IDC_MIRROR_BOX, presenter.tuning().mirror ? BST_UNCHECKED : BST_CHECKED);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kMirrorBox, 0), 0);
  } else {
    SendTrayCommand(presenter, videoWindow, static_cast<int>(command));
  }
}

void CloseTrayDialog(CLumaraPresenter& presenter) {
  HWND dialog = nullptr;
  {
    std::lock_guard guard(g_lock);
    if (g_dialog.presenter != &presenter) return;
    dialog = g_dialog.window;
  }
  if (!dialog) return;
  ::ShowWindow(dialog, SW_HIDE);
  ::DestroyWindow(dialog);
}

std::wstring CaptureFilePath() {
  wchar_t folder[MAX_PATH] = {};
  std::wstring directory;
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_MYPICTURES | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)))
    directory = folder;
  if (directory.empty() || ::GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const DWORD length = ::GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return {};
    directory = folder;
  }
  if (directory.back() != L'\\') directory.push_back(L'\\');
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return directory + CaptureFileName(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

}  // namespace tl::renderer
