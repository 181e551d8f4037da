#include "engine/win32/display_ramp.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "common/win32/handles.h"

namespace tl::engine {
namespace {

using tl::win32::ComPtr;

bool Usable(const tl::win32::ComApartment& apartment) {
  // A thread already in the multithreaded apartment can still create the object.
  return apartment.ok() || apartment.result() == RPC_E_CHANGED_MODE;
}

HRESULT CreateDevice(ComPtr<IUnknown>& device) {
  CLSID clsid;
  HRESULT hr = ::CLSIDFromProgID(kIntelProgId, &clsid);
  if (FAILED(hr)) return hr;
  return ::CoCreateInstance(clsid, nullptr, kIntelClassContext, kIntelDeviceDataIid,
                            reinterpret_cast<void**>(device.ReleaseAndGetAddressOf()));
}

}  // namespace

bool SendThroughGdi(const RampTable& ramp) {
  tl::win32::WindowDc screen(nullptr);
  if (!screen) {
    ::OutputDebugStringA("Tintor: no screen device context for the gamma ramp\n");
    return false;
  }
  RampTable copy = ramp;  // SetDeviceGammaRamp takes a non-const buffer
  if (!::SetDeviceGammaRamp(screen.get(), copy.data())) {
    ::OutputDebugStringA("Tintor: the display refused the gamma ramp\n");
    return false;
  }
  RampTable back{};
  if (!::GetDeviceGammaRamp(screen.get(), back.data())) {
    ::OutputDebugStringA("Tintor: the display's gamma ramp cannot be read back\n");
    return false;
  }
  for (std::size_t i = 0; i < ramp.size(); ++i) {
    if ((ramp[i] >> 8) != (back[i] >> 8)) {
      char text[128];
      std::snprintf(text, sizeof text, "Tintor: the display did not take the gamma ramp (entry %u: sent %u, shows %u)\n",
                    static_cast<unsigned>(i), static_cast<unsigned>(ramp[i]), static_cast<unsigned>(back[i]));
      ::OutputDebugStringA(text);
      return false;
    }
  }
  return true;
}

bool ReadThroughGdi(RampTable& ramp) {
  tl::win32::WindowDc screen(nullptr);
  return screen && ::GetDeviceGammaRamp(screen.get(), ramp.data());
}

void ApplyIntelHeadroom(RampTable& ramp) {
  std::uint32_t top = 0;
  for (int c = 0; c < kChannels; ++c) top = std::max<std::uint32_t>(top, ramp[c * kLevels + kLevels - 1]);
  if (top < 65281) return;
  // Integer arithmetic, so that the identity lands exactly on i x 256.
  for (std::uint16_t& entry : ramp) entry = static_cast<std::uint16_t>((std::uint64_t{entry} * 65280) / top);
}

std::unique_ptr<CIntelGamma> CIntelGamma::Create() {
  {
    // Probe in a short-lived apartment first, as the driver's own tools do.
    tl::win32::ComApartment probe;
    if (!Usable(probe)) return nullptr;
    ComPtr<IUnknown> device;
    if (FAILED(CreateDevice(device))) return nullptr;
  }
  std::unique_ptr<CIntelGamma> gamma(new CIntelGamma);
  if (!Usable(gamma->apartment_) || FAILED(CreateDevice(gamma->device_)) || !gamma->device_) return nullptr;
  return gamma;
}

HRESULT CIntelGamma::Call(int slot, RampTable& ramp, std::uint32_t& status) {
  using DeviceDataFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, ULONG, ULONG, BYTE*, ULONG*);
  ComPtr<IUnknown> hold = device_;  // an extra reference for the duration of the call
  if (!hold) return E_POINTER;
  auto* table = *reinterpret_cast<void* const* const*>(hold.Get());
  auto method = reinterpret_cast<DeviceDataFn>(table[slot]);
  ULONG word = status;
  const HRESULT hr = method(hold.Get(), kIntelGammaDataId, static_cast<ULONG>(sizeof(RampTable)),
                            reinterpret_cast<BYTE*>(ramp.data()), &word);
  status = word;
  return hr;
}

HRESULT CIntelGamma::Write(RampTable& ramp, std::uint32_t& status) { return Call(kIntelWriteSlot, ramp, status); }
HRESULT CIntelGamma::Read(RampTable& ramp, std::uint32_t& status) { return Call(kIntelReadSlot, ramp, status); }

}  // namespace tl::engine
