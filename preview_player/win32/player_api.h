// The exported interface of eLumara_Dll.dll for its caller, the control panel: ordinals,
// function types and a loader that resolves every export by ordinal.
#pragma once

#include <windows.h>

#include <type_traits>

namespace tl::preview::api {

enum Ordinal : WORD {
  kInitialize = 1,
  kRelease = 2,
  kCreateCapture = 3,
  kCreateProcess = 4,
  kStartProcess = 5,
  kStopProcess = 6,
  kResetProcess = 7,
  kPauseProcess = 8,
  kOnPaint = 9,
  kOnUpdate = 10,
  kOnHandleGraphEvent = 11,
  kSetMute = 12,
  kSetRamp = 13,
  kSetAvs = 14,
  kSetCnf = 15,
  kSetMethod = 16,
  kSetFullScreen = 17,
  kCaptureScene = 18,
  kSetAppliedFont = 19,
  kSetNormalFont = 20,
  kSetMessage = 21,
  kOnReceiveMessage = 22,
};

// Results: 1 or 0 for the plain exports; 0 or -1 for the two opens.
inline constexpr int kOpenFailed = -1;

// The graph posts this message (no parameters) to the main window; it answers with
// eLumara_OnHandleGraphEvent.
inline constexpr UINT kGraphEventMessage = WM_APP + 1;

// Passing -1 as the colour temperature or a colourfulness level leaves the engine's value.
inline constexpr int kKeepEngineValue = -1;

using InitializeFn = int(WINAPI*)(HWND mainWindow, HWND previewWindow, HDC previewDc,
                                  HWND normalWindow, HWND appliedWindow);
using ActionFn = int(WINAPI*)();
using OpenFileFn = int(WINAPI*)(const wchar_t* path);
using SetFlagFn = int(WINAPI*)(BOOL flag);
using SetRampFn = int(WINAPI*)(const char* panelPath, int mode, int temperature, int red,
                               int green, int blue);
using SetAvsFn = int(WINAPI*)(int low, int high, float k1, float k2);
using SetCnfFn = int(WINAPI*)(float a, float b);
using SetIntFn = int(WINAPI*)(int value);
using SetTextFn = int(WINAPI*)(const wchar_t* text);
using ReceiveMessageFn = int(WINAPI*)(int a, int b, int c);

// Every export, resolved by ordinal from a loaded eLumara_Dll.dll.
struct PlayerApi {
  InitializeFn Initialize = nullptr;
  ActionFn Release = nullptr;
  ActionFn CreateCapture = nullptr;
  OpenFileFn CreateProcess = nullptr;
  ActionFn StartProcess = nullptr;
  ActionFn StopProcess = nullptr;
  ActionFn ResetProcess = nullptr;
  ActionFn PauseProcess = nullptr;
  ActionFn OnPaint = nullptr;
  ActionFn OnUpdate = nullptr;
  ActionFn OnHandleGraphEvent = nullptr;
  SetFlagFn SetMute = nullptr;
  SetRampFn SetRamp = nullptr;
  SetAvsFn SetAVS = nullptr;
  SetCnfFn SetCNF = nullptr;
  SetIntFn SetMethod = nullptr;
  SetFlagFn SetFullScreen = nullptr;
  SetIntFn CaptureScene = nullptr;
  SetTextFn SetAppliedFont = nullptr;
  SetTextFn SetNormalFont = nullptr;
  SetTextFn SetMessage = nullptr;
  ReceiveMessageFn OnReceiveMessage = nullptr;

  // True when every export was found.
  bool Load(HMODULE player) {
    bool all = true;
    auto get = [&](auto& fn, WORD ordinal) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
          reinterpret_cast<void*>(::GetProcAddress(player, MAKEINTRESOURCEA(ordinal))));
      all = all && fn != nullptr;
    };
    get(Initialize, kInitialize);
    get(Release, kRelease);
    get(CreateCapture, kCreateCapture);
    get(CreateProcess, kCreateProcess);
    get(StartProcess, kStartProcess);
    get(StopProcess, kStopProcess);
    get(ResetProcess, kResetProcess);
    get(PauseProcess, kPauseProcess);
    get(OnPaint, kOnPaint);
    get(OnUpdate, kOnUpdate);
    get(OnHandleGraphEvent, kOnHandleGraphEvent);
    get(SetMute, kSetMute);
    get(SetRamp, kSetRamp);
    get(SetAVS, kSetAvs);
    get(SetCNF, kSetCnf);
    get(SetMethod, kSetMethod);
    get(SetFullScreen, kSetFullScreen);
    get(CaptureScene, kCaptureScene);
    get(SetAppliedFont, kSetAppliedFont);
    get(SetNormalFont, kSetNormalFont);
    get(SetMessage, kSetMessage);
    get(OnReceiveMessage, kOnReceiveMessage);
    return all;
  }
};

}  // namespace tl::preview::api
