#include "control_panel/tests/panel_session.h"

#include <tlhelp32.h>

#include <vector>

#include "common/win32/process.h"

namespace tl::panel::testing {
namespace {

constexpr DWORD kPollMs = 10;
constexpr UINT kSendTimeoutMs = 10000;
// What the program writes to the debugger output when commands count.
constexpr char kCommandsTaken[] = "TavoLumara: commands are taken";
// Three timer ticks after start-up for a program attached to, with room for a busy machine.
constexpr DWORD kAttachedReadyWaitMs = 2000;

struct WindowSearch {
  DWORD processId;
  const wchar_t* title;
  const wchar_t* className;  // null: any class
  HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  if (std::wstring(text) != search->title) return TRUE;
  if (search->className) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (std::wstring(name) != search->className) return TRUE;
  }
  search->found = window;
  return FALSE;
}

HWND FindTopLevel(DWORD processId, const wchar_t* title, const wchar_t* className) {
  WindowSearch search{processId, title, className};
  ::EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct ControlSearch {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK MatchVisibleControl(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<ControlSearch*>(context);
  if (::GetDlgCtrlID(child) != search->id || !::IsWindowVisible(child)) return TRUE;
  search->found = child;
  return FALSE;
}

bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result) != 0;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const std::wstring& caption) {
  return FindTopLevel(processId, caption.c_str(), nullptr);
}

PanelProcess::PanelProcess(const std::wstring& folder) : output_(std::make_unique<tl::testing::DebugOutputListener>()) {
  const std::wstring program = folder + L"TavoLumara.exe";
  std::wstring commandLine = win32::QuoteArgument(program);
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                       &info)) {
    ::CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    startedHere_ = true;
  }
}

PanelProcess PanelProcess::Attach(DWORD timeoutMs) {
  PanelProcess program;
  for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
    if (HWND window = ::FindWindowW(nullptr, kPanelTitle)) {
      DWORD processId = 0;
      ::GetWindowThreadProcessId(window, &processId);
      program.process_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId));
      if (program.process_) {
        program.processId_ = processId;
        program.window_ = window;
        return program;
      }
    }
    ::Sleep(kPollMs);
  }
  return program;
}

PanelProcess::~PanelProcess() {
  if (!startedHere_ || !Running()) return;
  // A test that stopped half-way ends the program the way a user would, then by force.
  if (window_ && ::IsWindow(window_)) ::PostMessageW(window_, WM_CLOSE, 0, 0);
  if (!WaitForExit(5000)) ::TerminateProcess(process_.get(), 1);
}

bool PanelProcess::Kill() {
  if (!process_) return false;
  ::TerminateProcess(process_.get(), 9);
  if (!WaitForExit(10000)) return false;
  // Under Wine a program being started (the registration tool) when its parent is killed can stay
  // in its start-up for good, and it holds the test runner's output: each gets a while to end by
  // itself, then is ended.
  std::vector<DWORD> children;
  win32::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (snapshot && ::Process32FirstW(snapshot.get(), &entry)) {
    do {
      if (entry.th32ParentProcessID == processId_) children.push_back(entry.th32ProcessID);
    } while (::Process32NextW(snapshot.get(), &entry));
  }
  for (const DWORD id : children) {
    win32::UniqueHandle child(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
    if (child && ::WaitForSingleObject(child.get(), 5000) == WAIT_TIMEOUT) ::TerminateProcess(child.get(), 9);
  }
  return true;
}

bool PanelProcess::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

HWND PanelProcess::FindWindowEarly(DWORD timeoutMs) {
  for (DWORD waited = 0; process_ && waited < timeoutMs; waited += kPollMs) {
    window_ = FindTopLevel(processId_, kPanelTitle, nullptr);
    if (window_) return window_;
    if (!Running()) return nullptr;
    ::Sleep(kPollMs);
  }
  return nullptr;
}

HWND PanelProcess::WaitUntilReady(DWORD timeoutMs) {
  if (!FindWindowEarly(timeoutMs)) return nullptr;
  // The dialog is shown when its start-up is over (input-idle alone does not tell: the preview
  // player's graph building pumps messages in the middle of the start-up).
  DWORD waited = 0;
  while (!::IsWindowVisible(window_)) {
    if (!Running() || waited >= timeoutMs) return nullptr;
    ::Sleep(kPollMs);
    waited += kPollMs;
  }
  return WaitUntilCommandsCount(timeoutMs) ? window_ : nullptr;
}

bool PanelProcess::WaitUntilCommandsCount(DWORD timeoutMs) {
  if (output_ && output_->ok()) return output_->WaitFor(kCommandsTaken, timeoutMs);
  if (::WaitForInputIdle(process_.get(), timeoutMs) != 0) return false;
  ::Sleep(kAttachedReadyWaitMs);
  return Running();
}

HWND PanelProcess::WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs, std::wstring* text) const {
  for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
    if (HWND box = FindTopLevel(processId_, caption.c_str(), L"#32770")) {
      if (text) {
        wchar_t buffer[1024] = {};
        // The message text is the static with id 0xFFFF.
        ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
        *text = buffer;
      }
      return box;
    }
    if (!Running()) return nullptr;
    ::Sleep(kPollMs);
  }
  return nullptr;
}

void PanelProcess::Dismiss(HWND box) { ::PostMessageW(box, WM_COMMAND, IDOK, 0); }

bool PanelProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!process_ || ::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) ::GetExitCodeProcess(process_.get(), exitCode);
  return true;
}

HWND PanelProcess::Control(int id) const {
  ControlSearch search{id};
  ::EnumChildWindows(window_, &MatchVisibleControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool PanelProcess::Click(int id) const {
  HWND control = Control(id);
  if (!control) return false;
  RECT client{};
  ::GetClientRect(control, &client);
  const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
  if (!SendWithin(control, WM_MOUSEMOVE, 0, at, kSendTimeoutMs)) return false;
  if (!SendWithin(control, WM_LBUTTONDOWN, MK_LBUTTON, at, kSendTimeoutMs)) return false;
  // The click's command may open a modal window, which holds this message until it closes.
  SendWithin(control, WM_LBUTTONUP, 0, at, 1000);
  return true;
}

bool PanelProcess::DragSliderTo(int x) const {
  HWND slider = Control(kSlider);
  if (!slider) return false;
  RECT client{};
  ::GetClientRect(slider, &client);
  const LPARAM at = MAKELPARAM(x, client.bottom / 2);
  return SendWithin(slider, WM_LBUTTONDOWN, MK_LBUTTON, at, kSendTimeoutMs) &&
         SendWithin(slider, WM_MOUSEMOVE, MK_LBUTTON, at, kSendTimeoutMs) &&
         SendWithin(slider, WM_LBUTTONUP, 0, at, kSendTimeoutMs);
}

bool PanelProcess::Key(int id, WPARAM virtualKey) const {
  HWND control = Control(id);
  return control && SendWithin(control, WM_KEYDOWN, virtualKey, 1, kSendTimeoutMs) &&
         SendWithin(control, WM_KEYUP, virtualKey, 0xC0000001, kSendTimeoutMs);
}

void PanelProcess::PostCommand(int id) const {
  HWND control = Control(id);
  if (!control) control = ::GetDlgItem(window_, id);  // still hidden during start-up
  ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

bool PanelProcess::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendWithin(window_, message, wParam, lParam, kSendTimeoutMs);
}

win32::UniqueGdiObject PanelProcess::Outline() const {
  win32::UniqueGdiObject region(::CreateRectRgn(0, 0, 0, 0));
  if (!region || ::GetWindowRgn(window_, static_cast<HRGN>(region.get())) == ERROR) return {};
  return region;
}

}  // namespace tl::panel::testing
