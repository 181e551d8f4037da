// KvServer.dll's exports, for programs that link the library (the plug-in dialog) and for the
// library itself. Programs that load it at run time use kv_server_api.h instead.
#pragma once

#include <windows.h>

extern "C" {

void WINAPI InitKvServer();
int WINAPI ReleaseKvServer();
BYTE WINAPI CheckInited();
int WINAPI SetAdjustment(int percent);
int* WINAPI GetAdjustment(int* percent);
int WINAPI GetAdjustmentEx(int* low, int* high, float* noise, float* strength);
BYTE WINAPI SetChanged(int value);
BYTE WINAPI GetChanged();
BYTE WINAPI SetMethod(int value);
BYTE WINAPI GetMethod();
BYTE WINAPI SetDemoMode(int value);
BYTE WINAPI GetDemoMode();
BYTE WINAPI SetWMPluginFlag(int value);
BYTE WINAPI GetWMPluginFlag();
HWND WINAPI SetVideoWindow(HWND window);
HWND WINAPI GetVideoWindow();
DWORD WINAPI GetWorkingDirectory(HMODULE module, wchar_t* folder);
BOOL WINAPI CreateNorvakDialog();
BOOL WINAPI RemoveNorvakDialog();

}  // extern "C"
