// KvServer.dll: a few video settings in memory shared by every process that loads the library,
// and the start and stop of the plug-in strength dialog.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "common/win32/module_path.h"
#include "common/win32/process.h"
#include "shared_state/core/kv_record.h"
#include "shared_state/win32/kv_server.h"
#include "shared_state/win32/kv_server_api.h"

namespace {

using tl::shared::KvServerShared;

// Initialised, so that the compiler places it in the shared section rather than in .bss.
KvServerShared g_shared __attribute__((section(".shr"), shared)) = tl::shared::kInitialRecord;

// Per process.
HMODULE g_module = nullptr;
std::mutex g_lock;            // guards the two below
std::wstring g_commandLine;   // formed by InitKvServer, or on demand by CreateNorvakDialog
HWND g_dialog = nullptr;      // the dialog window found by CreateNorvakDialog

// Other processes write the record at any time: every access is one whole, untorn load or store.
template <typename T>
T Load(T& field) {
  static_assert(std::atomic_ref<T>::is_always_lock_free);
  return std::atomic_ref<T>(field).load(std::memory_order_relaxed);
}
template <typename T>
void Store(T& field, T value) {
  std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

HMODULE OwnModule() { return g_module ? g_module : tl::win32::CurrentModule(); }

std::wstring FormCommandLine() {
  return tl::shared::DialogCommandLine(tl::win32::ModuleDirectory(OwnModule()));
}

BYTE SetFlag(uint8_t& field, int value) {
  const auto stored = static_cast<uint8_t>(value & 0xFF);
  Store(field, stored);
  return stored;
}

// Sending to a window of another process must not hang the caller on a stuck dialog.
constexpr UINT kDestroyTimeoutMs = 5000;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH || reason == DLL_THREAD_ATTACH) g_module = instance;
  return TRUE;
}

void WINAPI InitKvServer() {
  if (Load(g_shared.initialised)) return;
  try {
    std::lock_guard lock(g_lock);
    g_commandLine = FormCommandLine();
  } catch (...) {
    return;  // no exception crosses the library's boundary; the flag stays clear
  }
  Store<uint8_t>(g_shared.initialised, 1);
}

int WINAPI ReleaseKvServer() {
  Store<uint8_t>(g_shared.reserved0, 0);
  Store<uint8_t>(g_shared.pluginFlag, 0);
  Store<uint8_t>(g_shared.initialised, 0);
  Store<uint8_t>(g_shared.changed, 0);
  Store<uint8_t>(g_shared.method, 0);
  Store<uint8_t>(g_shared.demoMode, 0);
  Store<uint8_t>(g_shared.reserved6, 0);
  const KvServerShared& initial = tl::shared::kInitialRecord;
  Store(g_shared.adjustment, initial.adjustment);
  Store(g_shared.low, initial.low);
  Store(g_shared.high, initial.high);
  Store(g_shared.noise, initial.noise);
  Store(g_shared.strength, initial.strength);
  Store(g_shared.videoWindow, initial.videoWindow);
  return 0;
}

BYTE WINAPI CheckInited() { return Load(g_shared.initialised); }

int WINAPI SetAdjustment(int percent) {
  const tl::shared::Adjustment a = tl::shared::ComputeAdjustment(percent);
  Store(g_shared.adjustment, a.adjustment);
  Store(g_shared.low, a.low);
  Store(g_shared.high, a.high);
  Store(g_shared.noise, a.noise);
  Store(g_shared.strength, a.strength);
  return a.low;
}

int* WINAPI GetAdjustment(int* percent) {
  if (percent) *percent = Load(g_shared.adjustment);
  return percent;
}

int WINAPI GetAdjustmentEx(int* low, int* high, float* noise, float* strength) {
  const int32_t highValue = Load(g_shared.high);
  if (low) *low = Load(g_shared.low);
  if (high) *high = highValue;
  if (noise) *noise = Load(g_shared.noise);
  if (strength) *strength = Load(g_shared.strength);
  return highValue;
}

BYTE WINAPI SetChanged(int value) { return SetFlag(g_shared.changed, value); }
BYTE WINAPI GetChanged() { return Load(g_shared.changed); }
BYTE WINAPI SetMethod(int value) { return SetFlag(g_shared.method, value); }
BYTE WINAPI GetMethod() { return Load(g_shared.method); }
BYTE WINAPI SetDemoMode(int value) { return SetFlag(g_shared.demoMode, value); }
BYTE WINAPI GetDemoMode() { return Load(g_shared.demoMode); }
BYTE WINAPI SetWMPluginFlag(int value) { return SetFlag(g_shared.pluginFlag, value); }
BYTE WINAPI GetWMPluginFlag() { return Load(g_shared.pluginFlag); }

HWND WINAPI SetVideoWindow(HWND window) {
  Store(g_shared.videoWindow, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
  return window;
}

HWND WINAPI GetVideoWindow() {
  // Window handles are sign-extended from their 32 significant bits.
  const auto value = static_cast<int32_t>(Load(g_shared.videoWindow));
  return reinterpret_cast<HWND>(static_cast<intptr_t>(value));
}

DWORD WINAPI GetWorkingDirectory(HMODULE module, wchar_t* folder) {
  if (!folder) return 0;
  const std::wstring found = tl::shared::FolderOf(tl::win32::ModulePath(module));
  // A folder that does not fit the caller's buffer is refused rather than cut.
  if (found.empty() || found.size() >= tl::shared::kWorkingDirectoryChars) {
    folder[0] = L'\0';
    return 0;
  }
  std::memcpy(folder, found.c_str(), (found.size() + 1) * sizeof(wchar_t));
  return static_cast<DWORD>(found.size() * sizeof(wchar_t));
}

BOOL WINAPI CreateNorvakDialog() try {
  if (!CheckInited()) InitKvServer();
  std::lock_guard lock(g_lock);
  if (HWND window = ::FindWindowW(nullptr, tl::shared::kDialogTitle)) {
    g_dialog = window;
    return TRUE;
  }
  // The flag may have been set by another process, which formed its own command line.
  if (g_commandLine.empty()) g_commandLine = FormCommandLine();
  tl::win32::StartHidden(g_commandLine);
  g_dialog = ::FindWindowW(nullptr, tl::shared::kDialogTitle);
  return g_dialog != nullptr;
} catch (...) {
  return FALSE;
}

BOOL WINAPI RemoveNorvakDialog() try {
  std::lock_guard lock(g_lock);
  if (!g_dialog) return TRUE;
  if (!::IsWindow(g_dialog)) {
    g_dialog = nullptr;  // already gone
    return TRUE;
  }
  ::ShowWindowAsync(g_dialog, SW_HIDE);
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(g_dialog, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, kDestroyTimeoutMs, &answer) ||
      answer != 0) {
    return FALSE;
  }
  g_dialog = nullptr;
  return TRUE;
} catch (...) {
  return FALSE;
}

}  // extern "C"
