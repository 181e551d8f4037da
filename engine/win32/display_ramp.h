// The two roads of a ramp to the display: the screen's device gamma ramp through GDI, and the
// Intel graphics driver's automation object. The Intel road is kept per process: its object is
// valid only in the process that created it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "common/win32/com.h"
#include "engine/core/ramp_table.h"

namespace tl::engine {

// Through SetDeviceGammaRamp on the screen, read back to learn whether the display took it
// (compared at 8 bits, the coarsest precision displays keep). False when it did not; the
// debugger output says why.
bool SendThroughGdi(const RampTable& ramp);
bool ReadThroughGdi(RampTable& ramp);

// Headroom rule of the Intel road: a ramp whose top reaches 65281 is scaled by 65280 / top.
void ApplyIntelHeadroom(RampTable& ramp);

inline constexpr wchar_t kIntelProgId[] = L"IgfxExt.CUIExternal";
inline constexpr IID kIntelDeviceDataIid = {0xF932C038, 0x6484, 0x45CA, {0x8F, 0xA1, 0x7C, 0x8C, 0x27, 0x9F, 0x7A, 0xEE}};
inline constexpr DWORD kIntelClassContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr ULONG kIntelGammaDataId = 0x1000;
// Slots of the read and write methods in the interface's table (IUnknown's three first).
inline constexpr int kIntelReadSlot = 25;
inline constexpr int kIntelWriteSlot = 26;

// Owns the driver object and the COM initialisation that keeps it alive.
class CIntelGamma {
 public:
  // Probes for the driver's class and creates the object; null when any step fails.
  static std::unique_ptr<CIntelGamma> Create();
  CIntelGamma(const CIntelGamma&) = delete;
  CIntelGamma& operator=(const CIntelGamma&) = delete;

  HRESULT Write(RampTable& ramp, std::uint32_t& status);
  HRESULT Read(RampTable& ramp, std::uint32_t& status);

 private:
  CIntelGamma() = default;
  HRESULT Call(int slot, RampTable& ramp, std::uint32_t& status);

  tl::win32::ComApartment apartment_;  // declared first: outlives the interface
  tl::win32::ComPtr<IUnknown> device_;
};

}  // namespace tl::engine
