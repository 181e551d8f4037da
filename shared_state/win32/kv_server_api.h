// KvServer's exports as its callers see them, and a binder that takes them from a loaded
// KvServer by name (the names are undecorated in every build, so callers bind at run time).
#pragma once

#include <windows.h>

namespace tl::shared {

using InitKvServerFn = void(WINAPI*)();
using ReleaseKvServerFn = int(WINAPI*)();
using GetByteFn = BYTE(WINAPI*)();
using SetByteFn = BYTE(WINAPI*)(int value);
using SetAdjustmentFn = int(WINAPI*)(int percent);
using GetAdjustmentFn = int*(WINAPI*)(int* percent);
using GetAdjustmentExFn = int(WINAPI*)(int* low, int* high, float* noise, float* strength);
using SetVideoWindowFn = HWND(WINAPI*)(HWND window);
using GetVideoWindowFn = HWND(WINAPI*)();
using GetWorkingDirectoryFn = DWORD(WINAPI*)(HMODULE module, wchar_t* folder);
using DialogFn = BOOL(WINAPI*)();

// Buffer size GetWorkingDirectory needs, in characters.
inline constexpr size_t kWorkingDirectoryChars = 260;

struct KvServerApi {
  InitKvServerFn InitKvServer = nullptr;
  ReleaseKvServerFn ReleaseKvServer = nullptr;
  GetByteFn CheckInited = nullptr;
  SetAdjustmentFn SetAdjustment = nullptr;
  GetAdjustmentFn GetAdjustment = nullptr;
  GetAdjustmentExFn GetAdjustmentEx = nullptr;
  SetByteFn SetChanged = nullptr;
  GetByteFn GetChanged = nullptr;
  SetByteFn SetMethod = nullptr;
  GetByteFn GetMethod = nullptr;
  SetByteFn SetDemoMode = nullptr;
  GetByteFn GetDemoMode = nullptr;
  SetByteFn SetWMPluginFlag = nullptr;
  GetByteFn GetWMPluginFlag = nullptr;
  SetVideoWindowFn SetVideoWindow = nullptr;
  GetVideoWindowFn GetVideoWindow = nullptr;
  GetWorkingDirectoryFn GetWorkingDirectory = nullptr;
  DialogFn CreateNorvakDialog = nullptr;
  DialogFn RemoveNorvakDialog = nullptr;

  // True when every export was found.
  bool Bind(HMODULE kvServer);
};

}  // namespace tl::shared
