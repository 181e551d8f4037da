// Tintor.dll: the engine's exports (by name and ordinal, see tintor.def), its per-process
// engine record, the record shared by every process, and the roads of ramps to the display.
#include <windows.h>

#include <memory>

#include "common/win32/handles.h"
#include "engine/core/engine_api.h"
#include "engine/win32/display_ramp.h"
#include "engine/win32/tintor_api.h"

namespace {

using tl::engine::RampTable;
using tl::engine::Status;

// Initialised, so that the record is placed in the shared section rather than in .bss; every
// process that loads the library sees the same bytes.
tl::engine::TintorShared g_shared __attribute__((section(".shr"), shared)) = {};

tl::engine::CTintorEngine g_engine;

// The Intel road of this process (null: the device gamma ramp).
std::unique_ptr<tl::engine::CIntelGamma> g_intel;

// A table file opened with read sharing, read at explicit offsets.
class FileSource final : public tl::engine::ByteSource {
 public:
  explicit FileSource(const char* path)
      : file_(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr)) {
    LARGE_INTEGER size{};
    if (file_ && ::GetFileSizeEx(file_.get(), &size) && size.QuadPart >= 0) size_ = size.QuadPart;
  }
  bool ok() const { return static_cast<bool>(file_); }
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, void* out, std::size_t count) override {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN)) return false;
    auto* bytes = static_cast<BYTE*>(out);
    while (count > 0) {
      DWORD got = 0;
      if (!::ReadFile(file_.get(), bytes, static_cast<DWORD>(count), &got, nullptr) || got == 0) return false;
      bytes += got;
      count -= got;
    }
    return true;
  }

 private:
  tl::win32::UniqueHandle file_;
  std::uint64_t size_ = 0;
};

void SendRampByRoad(RampTable& ramp) {
  if (g_intel) {
    tl::engine::ApplyIntelHeadroom(ramp);
    std::uint32_t status = g_shared.intelStatus;
    g_intel->Write(ramp, status);  // driver failures are not reported to callers
    g_shared.intelStatus = status;
  } else {
    tl::engine::SendThroughGdi(ramp);
  }
}

class Win32Platform final : public tl::engine::EnginePlatform {
 public:
  tl::engine::LoadError ReadTable(const char* path, tl::engine::TableKind kind,
                                  tl::engine::TableImage& out) override {
    FileSource file(path);
    if (!file.ok()) return tl::engine::LoadError::kUnreadable;
    return tl::engine::ReadTableFile(file, kind, out);
  }
  void SendRamp(RampTable& ramp) override { SendRampByRoad(ramp); }
};

Win32Platform g_platform;

tl::engine::EngineContext Context() { return {g_engine, g_shared, g_platform}; }

}  // namespace

extern "C" {

Status WINAPI AC_SetPCT(const char* path) { return tl::engine::SetPanelTable(Context(), path); }
Status WINAPI AC_GetPCT(char* out) { return tl::engine::GetPanelTable(Context(), out); }
Status WINAPI AC_SetTRC(const char* path) { return tl::engine::SetToneTable(Context(), path); }
Status WINAPI AC_GetTRC(char* out) { return tl::engine::GetToneTable(Context(), out); }

Status WINAPI AC_SetColorfulness(DWORD r, DWORD g, DWORD b) {
  return tl::engine::SetColourfulness(Context(), r, g, b);
}
Status WINAPI AC_GetColorfulness(WORD* r, WORD* g, WORD* b) {
  return tl::engine::GetColourfulness(Context(), r, g, b);
}
Status WINAPI AC_SetColorTemperature(DWORD kelvin) { return tl::engine::SetColourTemperature(Context(), kelvin); }
Status WINAPI AC_GetColorTemperature(WORD* kelvin) { return tl::engine::GetColourTemperature(Context(), kelvin); }

Status WINAPI AC_ApplyColorEnhance() { return tl::engine::ApplyColourEnhance(Context()); }
Status WINAPI AC_CancelColorEnhance() { return tl::engine::CancelColourEnhance(Context()); }
Status WINAPI AC_PrepareColorEnhance(RampTable* ramp) { return tl::engine::PrepareColourEnhance(Context(), ramp); }
Status WINAPI AC_SetMethod(LONG method) { return tl::engine::SetMethod(Context(), method); }

Status WINAPI AC_GamutColorDifference(double* out) { return tl::engine::GamutColourDifference(Context(), out); }
Status WINAPI AC_SetGamutComputingEnable(LONG value) { return tl::engine::SetGamutComputingEnable(Context(), value); }
Status WINAPI AC_CalGamutSurface(LONG which) { return tl::engine::CalGamutSurface(Context(), which); }
Status WINAPI AC_GetGamutSize(LONG which, LONG* vertices, LONG* triangles) {
  static_assert(sizeof(LONG) == sizeof(std::int32_t));
  return tl::engine::GetGamutSize(Context(), which, reinterpret_cast<std::int32_t*>(vertices),
                                  reinterpret_cast<std::int32_t*>(triangles));
}
Status WINAPI AC_GetGamutSurface(LONG which, double* vertices, LONG* triangles) {
  return tl::engine::GetGamutSurface(Context(), which, vertices, reinterpret_cast<std::int32_t*>(triangles));
}

Status WINAPI AC_SetGammaS(double value) { return tl::engine::SetGammaS(Context(), value); }
Status WINAPI AC_SetGammaV(double value) { return tl::engine::SetGammaV(Context(), value); }
Status WINAPI AC_GetGammaS(double* out) { return tl::engine::GetGammaS(Context(), out); }
Status WINAPI AC_GetGammaV(double* out) { return tl::engine::GetGammaV(Context(), out); }

Status WINAPI AC_IntelGamma_Initialize() {
  if (!g_intel) g_intel = tl::engine::CIntelGamma::Create();
  g_shared.intelActive = g_intel ? 1 : 0;
  return tl::engine::kOk;
}

Status WINAPI AC_IntelGamma_Release() {
  if (g_intel) {
    g_intel.reset();
    g_shared.intelActive = 0;
  }
  return tl::engine::kOk;
}

Status WINAPI AC_IntelGamma_SetRampData(RampTable* ramp) {
  if (ramp) SendRampByRoad(*ramp);
  return tl::engine::kOk;
}

Status WINAPI AC_IntelGamma_GetRampData(RampTable* ramp) {
  if (!ramp) return tl::engine::kOk;
  if (g_intel) {
    std::uint32_t status = g_shared.intelStatus;
    g_intel->Read(*ramp, status);
    g_shared.intelStatus = status;
  } else {
    tl::engine::ReadThroughGdi(*ramp);
  }
  return tl::engine::kOk;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
    // The process is ending: COM may already be gone, so the driver object is left alone.
    (void)g_intel.release();
  }
  return TRUE;
}

}  // extern "C"
