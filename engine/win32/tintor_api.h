// The exported interface of Tintor.dll for its callers: ordinals, function types and a loader
// that resolves every export by ordinal, as the suite's programs import them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "engine/core/ramp_table.h"
#include "engine/core/status.h"

namespace tl::engine::api {

using tl::engine::RampTable;
using tl::engine::Status;

enum Ordinal : WORD {
  kSetPct = 2,
  kGetPct = 3,
  kSetTrc = 4,
  kGetTrc = 5,
  kSetColorfulness = 6,
  kGetColorfulness = 7,
  kSetColorTemperature = 8,
  kGetColorTemperature = 9,
  kApplyColorEnhance = 10,
  kCancelColorEnhance = 11,
  kPrepareColorEnhance = 12,
  kSetMethod = 13,
  kGamutColorDifference = 14,
  kSetGamutComputingEnable = 15,
  kCalGamutSurface = 16,
  kGetGamutSize = 17,
  kGetGamutSurface = 18,
  kSetGammaS = 19,
  kSetGammaV = 20,
  kGetGammaS = 21,
  kGetGammaV = 22,
  kIntelGammaInitialize = 23,
  kIntelGammaRelease = 24,
  kIntelGammaSetRampData = 25,
  kIntelGammaGetRampData = 26,
};

// Path buffers handed to the getters must hold this many bytes.
inline constexpr std::size_t kPathBufferSize = 264;
// Paths handed to the setters are shorter than this: the ANSI file functions the engine opens
// them with take no more.
inline constexpr std::size_t kMaxPathBytes = MAX_PATH;

// Levels and kelvin are passed as 32-bit values of which the low 16 bits count.
using SetPathFn = Status(WINAPI*)(const char* path);
using GetPathFn = Status(WINAPI*)(char* out);
using SetColorfulnessFn = Status(WINAPI*)(DWORD r, DWORD g, DWORD b);
using GetColorfulnessFn = Status(WINAPI*)(WORD* r, WORD* g, WORD* b);
using SetColorTemperatureFn = Status(WINAPI*)(DWORD kelvin);
using GetColorTemperatureFn = Status(WINAPI*)(WORD* kelvin);
using ActionFn = Status(WINAPI*)();
using RampFn = Status(WINAPI*)(RampTable* ramp);
using SetIntFn = Status(WINAPI*)(LONG value);
using GetDoubleFn = Status(WINAPI*)(double* out);
using SetDoubleFn = Status(WINAPI*)(double value);
using GetGamutSizeFn = Status(WINAPI*)(LONG which, LONG* vertices, LONG* triangles);
using GetGamutSurfaceFn = Status(WINAPI*)(LONG which, double* vertices, LONG* triangles);

// Every export, resolved by ordinal from a loaded Tintor.dll.
struct TintorApi {
  SetPathFn SetPCT = nullptr;
  GetPathFn GetPCT = nullptr;
  SetPathFn SetTRC = nullptr;
  GetPathFn GetTRC = nullptr;
  SetColorfulnessFn SetColorfulness = nullptr;
  GetColorfulnessFn GetColorfulness = nullptr;
  SetColorTemperatureFn SetColorTemperature = nullptr;
  GetColorTemperatureFn GetColorTemperature = nullptr;
  ActionFn ApplyColorEnhance = nullptr;
  ActionFn CancelColorEnhance = nullptr;
  RampFn PrepareColorEnhance = nullptr;
  SetIntFn SetMethod = nullptr;
  GetDoubleFn GamutColorDifference = nullptr;
  SetIntFn SetGamutComputingEnable = nullptr;
  SetIntFn CalGamutSurface = nullptr;
  GetGamutSizeFn GetGamutSize = nullptr;
  GetGamutSurfaceFn GetGamutSurface = nullptr;
  SetDoubleFn SetGammaS = nullptr;
  SetDoubleFn SetGammaV = nullptr;
  GetDoubleFn GetGammaS = nullptr;
  GetDoubleFn GetGammaV = nullptr;
  ActionFn IntelGammaInitialize = nullptr;
  ActionFn IntelGammaRelease = nullptr;
  RampFn IntelGammaSetRampData = nullptr;
  RampFn IntelGammaGetRampData = nullptr;

  // True when every export was found.
  bool Load(HMODULE tintor) {
    bool all = true;
    auto get = [&](auto& fn, WORD ordinal) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
          reinterpret_cast<void*>(::GetProcAddress(tintor, MAKEINTRESOURCEA(ordinal))));
      all = all && fn != nullptr;
    };
    get(SetPCT, kSetPct);
    get(GetPCT, kGetPct);
    get(SetTRC, kSetTrc);
    get(GetTRC, kGetTrc);
    get(SetColorfulness, kSetColorfulness);
    get(GetColorfulness, kGetColorfulness);
    get(SetColorTemperature, kSetColorTemperature);
    get(GetColorTemperature, kGetColorTemperature);
    get(ApplyColorEnhance, kApplyColorEnhance);
    get(CancelColorEnhance, kCancelColorEnhance);
    get(PrepareColorEnhance, kPrepareColorEnhance);
    get(SetMethod, kSetMethod);
    get(GamutColorDifference, kGamutColorDifference);
    get(SetGamutComputingEnable, kSetGamutComputingEnable);
    get(CalGamutSurface, kCalGamutSurface);
    get(GetGamutSize, kGetGamutSize);
    get(GetGamutSurface, kGetGamutSurface);
    get(SetGammaS, kSetGammaS);
    get(SetGammaV, kSetGammaV);
    get(GetGammaS, kGetGammaS);
    get(GetGammaV, kGetGammaV);
    get(IntelGammaInitialize, kIntelGammaInitialize);
    get(IntelGammaRelease, kIntelGammaRelease);
    get(IntelGammaSetRampData, kIntelGammaSetRampData);
    get(IntelGammaGetRampData, kIntelGammaGetRampData);
    return all;
  }
};

}  // namespace tl::engine::api
