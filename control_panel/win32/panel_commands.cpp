// CPaneloDlg: the commands of the two tabs and of the preview. The dialog's message table lets
// them through only from the third timer tick on.
#include "control_panel/win32/panel_dialog.h"

#include <commdlg.h>

#include <cwchar>

#include "common/win32/file.h"
#include "common/win32/process.h"
#include "control_panel/win32/resource.h"
#include "control_panel/win32/settings_store.h"
#include "skin/win32/kvskinap.h"

namespace tl::panel {
namespace {

constexpr char kPanelTable[] = "acf/panel.acf";
constexpr wchar_t kRefusedFileText[] = L"This file cannot be shown in the preview.";

void ShowWindowIf(HWND window, bool visible) {
  if (window) ::ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}

}  // namespace

Tab CPaneloDlg::CurrentTab() const {
  const auto video = buttons_.find(IDC_VIDEO_TAB);
  return video != buttons_.end() && video->second.checked() ? Tab::kVideo : Tab::kLcd;
}

void CPaneloDlg::OnLcdTab() {
  if (CurrentTab() != Tab::kLcd) SelectTab(Tab::kLcd);
}

void CPaneloDlg::OnVideoTab() {
  if (CurrentTab() != Tab::kVideo) SelectTab(Tab::kVideo);
}

void CPaneloDlg::SelectTab(Tab tab) {
  const bool lcd = tab == Tab::kLcd;
  buttons_[IDC_LCD_TAB].SetChecked(lcd, true);
  buttons_[IDC_VIDEO_TAB].SetChecked(!lcd, true);

  for (const ModeButton& mode : kModeButtons) ShowWindowIf(skinControls_[mode.commandId], lcd);
  ShowWindowIf(slider_.hwnd(), !lcd);
  for (int id : {IDC_CONTRAST_LABEL, IDC_DEFAULT, IDC_LAUNCH}) ShowWindowIf(skinControls_[id], !lcd);

  ::SetUtlFontButtonSelectFlag("ui_LCDTab", lcd);
  ::SetUtlFontButtonSelectFlag("ui_VideoTab", !lcd);
  ::SetUtlFontButtonTransparent("ui_VideoTab", !lcd);
  ::SetUtlFontButtonTransparent("ui_LCDTab", lcd);

  if (lcd) {
    slider_.SetChannelFromResource(instance(), IDB_SLIDER_CHANNEL, true);
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  // The outline of the tab's body; the window keeps body1's size.
  if (shapeTab_ != tab) {
    const win32::UniqueGdiObject& outline = outlines_[lcd ? 0 : 1];
    ::SetWindowRgn(hwnd(), outline ? CopyRegion(outline.get()) : nullptr, TRUE);
    shapeTab_ = tab;
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  UpdatePreview();
}

void CPaneloDlg::SelectMode(int mode) {
  const ModeButton* chosen = ModeButtonForMode(mode);
  if (!chosen) return;
  for (const ModeButton& button : kModeButtons) {
    buttons_[button.commandId].SetChecked(false, true);
    ::SetUtlFontButtonSelectFlag(button.skinId, false);
  }
  buttons_[chosen->commandId].SetChecked(true, true);
  mode_ = mode;
  UpdatePreview();
  ::SetUtlFontButtonSelectFlag(chosen->skinId, true);
}

void CPaneloDlg::UpdatePreview() {
  const PreviewUpdate update =
      ComputePreviewUpdate(CurrentTab(), mode_, slider_.position(), slider_.maximum(), parameters_);
  const int temperature = colourTemperature_;
  const int colourfulness = colourfulness_;
  if (update.videoProcessing) {
    player_.SetMethod(kPreviewMethod);
    player_.SetRamp(kPanelTable, mode_, temperature, colourfulness, colourfulness, colourfulness);
    player_.SetAVS(update.low, update.high, update.noise, update.strength);
  } else {
    player_.SetRamp(kPanelTable, mode_, temperature, colourfulness, colourfulness, colourfulness);
    player_.SetMethod(kPreviewMethod);
    player_.SetAVS(update.low, update.high, 0.0f, 0.0f);
  }
  player_.SetCNF(kCnfA, kCnfB);
  // A still picture is drawn again with the new values now, not at the next tick.
  if (previewRunning_) player_.OnUpdate();
  wchar_t line[160];
  swprintf(line, 160, L"TavoLumara: preview tab=%d mode=%d low=%d high=%d noise=%.4f strength=%.4f\n",
           static_cast<int>(CurrentTab()), mode_, update.low, update.high, update.noise, update.strength);
  ::OutputDebugStringW(line);
}

void CPaneloDlg::OnApply() {
  if (mode_ == kModeNormal) {
    RunRegistration(common::Registration::kUnregister, L"NorvakPlugin.dll");
    engine_.CancelColorEnhance();
    RemoveLogOnStart();
  } else {
    WriteVideoSettings(parameters_);
    RunRegistration(common::Registration::kRegister, L"NorvakPlugin.dll");
    // The tone the preview last prepared goes onto the display.
    engine_.ApplyColorEnhance();
    SetLogOnStart(programDirectory_);
  }
  WriteColorTone(mode_);
  displayChosen_ = true;
  if (movieLoaded_) {
    StopPreview();
    if (launchRequested_) StartMediaPlayer();
  }
  ::DestroyWindow(hwnd());
}

void CPaneloDlg::OnCancel() {
  mode_ = kModeNormal;
  RemoveLogOnStart();
  WriteColorTone(mode_);
  // The display keeps the identity ramp it got at start.
  displayChosen_ = true;
  ::DestroyWindow(hwnd());
}

void CPaneloDlg::OnClose() {
  EndWithoutChoice();
  ::DestroyWindow(hwnd());
}

void CPaneloDlg::OnMinimize() { ::ShowWindow(hwnd(), SW_MINIMIZE); }

void CPaneloDlg::OnHelp() {
  const std::wstring browser = ReadBrowserPath();
  std::wstring document = HelpDocumentPath(programDirectory_, Text(kHelpDocumentKey));
  // A language whose own document is missing gets the English one.
  if (!win32::CanOpenForReading(document)) document = HelpDocumentPath(programDirectory_, kHelpDocumentKey);
  if (!win32::CanOpenForReading(browser) || !win32::CanOpenForReading(document)) {
    ::MessageBoxW(hwnd(), L"Cannot open the help document", L"Message", MB_OK);
    return;
  }
  // Whether the browser starts is its own business; nothing is reported.
  win32::StartShown(browser, QuotedCommandLine(browser, document));
}

void CPaneloDlg::OnOpenFile() {
  const bool video = CurrentTab() == Tab::kVideo;
  std::wstring chosen(1024, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = video ? L"Movie(*.wmv, *.asf)\0*.wmv;*.asf\0\0" : L"Image(*.bmp, *.jpg, *.jpeg)\0*.bmp;*.jpg;*.jpeg\0\0";
  dialog.lpstrFile = chosen.data();
  dialog.nMaxFile = static_cast<DWORD>(chosen.size());
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (::GetOpenFileNameW(&dialog)) {
    chosen.resize(chosen.find(L'\0'));
    StopPreview();
    ::Sleep(100);
    if (OpenPreview(chosen)) {
      StartPreview();
      mediaFile_ = chosen;
      movieLoaded_ = video;
    } else {
      player_.ResetProcess();
      const std::wstring message = chosen + L"\n\n" + Text(kRefusedFileText);
      ::MessageBoxW(hwnd(), message.c_str(), L"Message", MB_OK);
      ::Sleep(100);
      if (!OpenPreview(kSamplePicture)) {
        StartupFailure();
        return;
      }
      StartPreview();
      mediaFile_ = kSamplePicture;
      // The sample picture is no movie to hand to the media player.
      movieLoaded_ = false;
    }
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  if (initialised_) {
    ::Sleep(100);
    UpdatePreview();
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
}

void CPaneloDlg::OnFullScreen() {
  if (!fullScreen_) {
    EnterFullScreen();
  } else {
    LeaveFullScreen();
    readyTicks_.Reset();
  }
}

void CPaneloDlg::ShowControls(bool visible) {
  ShowWindowIf(Item(IDC_PREVIEW_NORMAL), visible);
  ShowWindowIf(Item(IDC_PREVIEW_APPLIED), visible);
  ShowWindowIf(slider_.hwnd(), visible);
  for (const auto& [id, control] : skinControls_) ShowWindowIf(control, visible);
  ::SetUtlFontButtonTooltipActivate("ui_fscr", visible);
  ::SetUtlFontButtonTooltipActivate("ui_browser", visible);
}

void CPaneloDlg::EnterFullScreen() {
  savedPlacement_ = {};
  savedPlacement_.length = sizeof(savedPlacement_);
  ::GetWindowPlacement(hwnd(), &savedPlacement_);
  fullScreenRect_ = FullScreenRectFor(hwnd());
  fullScreen_ = true;
  player_.SetFullScreen(TRUE);
  WINDOWPLACEMENT placement = savedPlacement_;
  placement.showCmd = SW_SHOWNORMAL;
  placement.rcNormalPosition = fullScreenRect_;
  ::SetWindowPlacement(hwnd(), &placement);

  RECT desktop{};
  ::GetWindowRect(::GetDesktopWindow(), &desktop);
  const Rect outline = FullScreenOutline({desktop.left, desktop.top, desktop.right, desktop.bottom});
  ::SetWindowRgn(hwnd(), ::CreateRectRgn(outline.left, outline.top, outline.right, outline.bottom), TRUE);
  shapeTab_.reset();
  ShowControls(false);
  ShowWindowIf(Item(IDC_FULLSCREEN_VIDEO), true);
  // A still picture is drawn in its full-screen layout now, not with the next change.
  UpdatePreview();
}

void CPaneloDlg::LeaveFullScreen() {
  fullScreen_ = false;
  player_.SetFullScreen(FALSE);
  ::SetWindowPlacement(hwnd(), &savedPlacement_);
  ShowWindowIf(Item(IDC_FULLSCREEN_VIDEO), false);
  ShowControls(true);
  SelectTab(CurrentTab());
}

void CPaneloDlg::OnDefault() {
  parameters_ = kDefaultParameters;
  slider_.SetPosition(SliderPositionFor(parameters_.strength, slider_.maximum()));
  UpdatePreview();
}

void CPaneloDlg::OnLaunch() {
  if (!movieLoaded_) return;
  const std::wstring player = MediaPlayerPath(ReadMediaPlayerFolder(), ReadProgramFilesFolder());
  if (!win32::CanOpenForReading(player)) {
    ::MessageBoxW(hwnd(), L"Cannot find the program wmplayer.exe", L"Message", MB_OK);
    return;
  }
  launchRequested_ = true;
  playerPath_ = player;
  playerCommandLine_ = QuotedCommandLine(player, mediaFile_);
  OnApply();
}

void CPaneloDlg::StartMediaPlayer() {
  ::Sleep(100);
  DWORD error = 0;
  if (!win32::StartShown(playerPath_, playerCommandLine_, &error)) {
    const std::wstring text = StartFailureText(ClassicStartResult(error));
    ::MessageBoxW(hwnd(), text.c_str(), L"Error", MB_OK);
  }
  ::Sleep(100);
}

}  // namespace tl::panel
