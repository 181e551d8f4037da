// Drives a real TavoLumara.exe from another process, as its Windows-side tests, its timing
// harness and the main job do: start it from a folder, find its window and message boxes, click
// its controls with mouse messages, read its outline and wait for it to end.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "common/testing/debug_output.h"
#include "common/win32/handles.h"

namespace tl::panel::testing {

inline constexpr wchar_t kPanelTitle[] = L"Norvak TavoLumara Technology";

// The control ids of the dialog, as the program's resource script has them.
enum PanelControl : int {
  kFullScreenVideo = 1001,
  kOpenFile = 1006,
  kHelp = 1007,
  kPreviewNormal = 1015,
  kPreviewApplied = 1016,
  kFullScreen = 1024,
  kLcdTab = 1025,
  kSoft = 1026,
  kVivid = 1027,
  kLumara = 1028,
  kVideoTab = 1029,
  kTheater = 1030,
  kCancel = 1032,
  kApply = 1033,
  kClose = 1034,
  kDefault = 1037,
  kMinimize = 1038,
  kSlider = 1050,
  kNormal = 1053,
  kLaunch = 1058,
};

class PanelProcess {
 public:
  // Starts folder\TavoLumara.exe with that folder as its current directory.
  explicit PanelProcess(const std::wstring& folder);
  // The program some other way started, found by its window; empty (not started()) when there
  // is none within the timeout.
  static PanelProcess Attach(DWORD timeoutMs);
  PanelProcess(PanelProcess&&) = default;
  // Ends the program if it still runs and was started here.
  ~PanelProcess();
  PanelProcess(const PanelProcess&) = delete;
  PanelProcess& operator=(const PanelProcess&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  DWORD id() const { return processId_; }
  HWND window() const { return window_; }

  // The main window as soon as it has its title (during start-up); null after the timeout.
  HWND FindWindowEarly(DWORD timeoutMs = 30000);
  // The main window once start-up is over and commands count (three timer ticks).
  HWND WaitUntilReady(DWORD timeoutMs = 60000);
  // Waits until commands count again (after a return from full screen by double-click). The
  // program says so on the debugger output; a program attached to, not started here, is given
  // a generous while instead.
  bool WaitUntilCommandsCount(DWORD timeoutMs = 60000);
  // A message box of this process with the caption; its text through *text.
  HWND WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs, std::wstring* text = nullptr) const;
  // Presses the box's default button.
  static void Dismiss(HWND box);
  // True when the process ended in time; its exit code through *exitCode.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
  bool Running() const;
  // Ends the process at once, as a crash or the task manager would; true once it is gone. The
  // programs it started that do not end by themselves within a few seconds are ended too.
  bool Kill();

  // The visible child of the main window with this id: the skinned control, or the plain
  // button left in its place.
  HWND Control(int id) const;
  // A left click in the middle of the control, as the mouse gives it. False when it has no
  // visible control or does not answer.
  bool Click(int id) const;
  // A drag of the slider's thumb to the pixel x of its window.
  bool DragSliderTo(int x) const;
  // A key pressed on the control (the slider takes the arrows, page keys, Home and End).
  bool Key(int id, WPARAM virtualKey) const;
  // WM_COMMAND for the id straight to the dialog, as from its visible control (posted: the
  // program may end on it).
  void PostCommand(int id) const;
  // A message to the dialog, waiting for it to be handled.
  bool Send(UINT message, WPARAM wParam, LPARAM lParam) const;

  // The window's outline (its window region); null when it has none.
  win32::UniqueGdiObject Outline() const;

 private:
  PanelProcess() = default;

  win32::UniqueHandle process_;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
  bool startedHere_ = false;
  // Started before the program, so that nothing it writes is missed.
  std::unique_ptr<tl::testing::DebugOutputListener> output_;
};

// Top-level windows of a process with the caption (message boxes, the file dialog).
HWND FindProcessWindow(DWORD processId, const std::wstring& caption);

}  // namespace tl::panel::testing
