// Built, never run: proves that a program linking KvServer resolves every export through the
// library's import library (on i686, decorated stdcall names to the plain exports).
#include "shared_state/win32/kv_server.h"

int wmain() {
  InitKvServer();
  int low = 0, high = 0, percent = 0;
  float noise = 0, strength = 0;
  wchar_t folder[260];
  const bool any = CheckInited() || SetAdjustment(50) || GetAdjustment(&percent) ||
                   GetAdjustmentEx(&low, &high, &noise, &strength) || SetChanged(1) || GetChanged() ||
                   SetMethod(1) || GetMethod() || SetDemoMode(1) || GetDemoMode() || SetWMPluginFlag(1) ||
                   GetWMPluginFlag() || SetVideoWindow(nullptr) || GetVideoWindow() ||
                   GetWorkingDirectory(nullptr, folder) || CreateNorvakDialog() || RemoveNorvakDialog();
  return ReleaseKvServer() + (any ? 1 : 0);
}
