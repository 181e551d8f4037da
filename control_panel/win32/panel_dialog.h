// CPaneloDlg: the control panel's only window. A borderless, bitmap-shaped dialog with the LCD
// tab (colour-tone modes) and the Video tab (strength of the video processing), a split preview
// drawn by the preview player, and the commands that apply, cancel or close.
#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/core/display_adapter.h"
#include "common/core/registration.h"
#include "common/win32/handles.h"
#include "control_panel/core/panel_rules.h"
#include "control_panel/win32/framework/bitmap_slider.h"
#include "control_panel/win32/framework/dialog.h"
#include "control_panel/win32/framework/placeholder_button.h"
#include "control_panel/win32/window_shape.h"
#include "engine/win32/tintor_api.h"
#include "preview_player/win32/player_api.h"

namespace tl::panel {

class CPaneloDlg : public framework::Dialog {
 public:
  explicit CPaneloDlg(HINSTANCE instance);
  ~CPaneloDlg() override;

 protected:
  bool OnInitDialog() override;
  bool PreTranslateMessage(MSG& message) override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend struct CPaneloDlgTables;

  // ---- Start-up (panel_dialog.cpp) ----
  bool AnotherCopyRuns() const;
  bool LoadLibraries();
  void LoadTexts();
  const std::wstring& Text(const wchar_t* key) const;
  void LayOut();
  void StartUnregistering();
  void StartupFailure();
  bool OpenPreview(const std::wstring& file);
  void StartPreview();
  void StopPreview();
  bool ReloadPreview();
  void ReleaseAll();
  void ReleasePlayerKeepingTheDisplay();
  void EndWithoutChoice();
  void FinishStartRegistrations();
  void RunRegistration(common::Registration action, const wchar_t* server);

  // ---- Window messages (panel_dialog.cpp) ----
  std::optional<LRESULT> OnDestroy(WPARAM, LPARAM);
  std::optional<LRESULT> OnPaint(WPARAM, LPARAM);
  std::optional<LRESULT> OnEraseBackground(WPARAM, LPARAM);
  std::optional<LRESULT> OnSwallow(WPARAM, LPARAM);
  std::optional<LRESULT> OnDisplayChange(WPARAM, LPARAM);
  std::optional<LRESULT> OnSessionChange(WPARAM, LPARAM);
  std::optional<LRESULT> OnPowerBroadcast(WPARAM, LPARAM);
  std::optional<LRESULT> OnGraphEvent(WPARAM, LPARAM);
  std::optional<LRESULT> OnTimer(WPARAM, LPARAM);
  std::optional<LRESULT> OnLeftButtonDown(WPARAM, LPARAM);
  std::optional<LRESULT> OnGetMinMaxInfo(WPARAM, LPARAM);
  std::optional<LRESULT> OnSystemClose(WPARAM, LPARAM);
  std::optional<LRESULT> OnPreviewPaint(WPARAM, LPARAM);
  std::optional<LRESULT> OnQueryDragIcon(WPARAM, LPARAM);

  // ---- Commands (panel_commands.cpp) ----
  template <int Mode>
  void OnMode() {
    SelectMode(Mode);
  }
  void OnLcdTab();
  void OnVideoTab();
  void OnApply();
  void OnCancel();
  void OnClose();
  void OnMinimize();
  void OnHelp();
  void OnOpenFile();
  void OnFullScreen();
  void OnDefault();
  void OnLaunch();

  void SelectTab(Tab tab);
  void SelectMode(int mode);
  void UpdatePreview();
  void EnterFullScreen();
  void LeaveFullScreen();
  void ShowControls(bool visible);
  void StartMediaPlayer();
  Tab CurrentTab() const;

  // ---- State ----
  std::wstring programDirectory_;
  HICON icon_ = nullptr;
  std::map<std::wstring, std::wstring> texts_;

  win32::UniqueModule tintorModule_;
  win32::UniqueModule playerModule_;
  engine::api::TintorApi engine_;
  preview::api::PlayerApi player_;

  common::AdapterCode adapter_ = common::kAdapterUnknown;
  UINT timerPeriodMs_ = 100;
  bool filterWasRegistered_ = false;
  std::wstring registrationTool_;
  std::thread unregistering_;
  bool registrationsChanged_ = false;

  engine::api::RampTable savedRamp_{};
  bool rampSaved_ = false;
  bool displayChosen_ = false;
  WORD colourTemperature_ = 0;
  WORD colourfulness_ = 0;

  PreviewParameters parameters_ = kStartParameters;
  int mode_ = kModeLumara;
  ReadyTicks readyTicks_;
  std::optional<int> lastSliderPosition_;
  std::wstring mediaFile_;
  bool movieLoaded_ = false;
  bool launchRequested_ = false;
  std::wstring playerCommandLine_;
  std::wstring playerPath_;
  bool resumePending_ = false;
  bool unlockPending_ = false;
  bool displayChangePending_ = false;
  bool previewRunning_ = false;

  bool fullScreen_ = false;
  WINDOWPLACEMENT savedPlacement_{};
  RECT fullScreenRect_{};

  // What start-up set up, each released at the end by itself.
  bool languageStarted_ = false;
  bool skinStarted_ = false;
  bool playerStarted_ = false;
  bool intelRoadStarted_ = false;
  bool timerStarted_ = false;
  bool sessionNotifications_ = false;
  bool initialised_ = false;

  BodyBitmap bodies_[2];
  win32::UniqueGdiObject outlines_[2];
  std::optional<Tab> shapeTab_;

  std::map<int, framework::CButtonST> buttons_;
  framework::CBitmapSlider slider_;
  std::map<int, HWND> skinControls_;
  std::optional<win32::WindowDc> previewDc_;
};

}  // namespace tl::panel
