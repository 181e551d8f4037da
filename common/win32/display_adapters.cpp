#include "common/win32/display_adapters.h"

#include <windows.h>
// windows.h first: the setup interface's header relies on it.
#include <setupapi.h>

namespace tl::win32 {
namespace {

// The display adapter setup class.
constexpr GUID kDisplayClass = {0x4d36e968, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

struct DeviceList {
  HDEVINFO handle;
  explicit DeviceList(HDEVINFO h) : handle(h) {}
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;
  ~DeviceList() {
    if (handle != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(handle);
  }
};

}  // namespace

std::vector<std::wstring> DisplayAdapterDescriptions() {
  std::vector<std::wstring> descriptions;
  DeviceList devices(::SetupDiGetClassDevsW(&kDisplayClass, nullptr, nullptr, DIGCF_PRESENT));
  if (devices.handle == INVALID_HANDLE_VALUE) return descriptions;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices.handle, index, &device); ++index) {
    DWORD bytes = 0;
    ::SetupDiGetDeviceRegistryPropertyW(devices.handle, &device, SPDRP_DEVICEDESC, nullptr, nullptr, 0, &bytes);
    if (bytes == 0 || bytes > 64 * 1024) continue;
    // One character more than asked for keeps a value without terminator terminated.
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::SetupDiGetDeviceRegistryPropertyW(devices.handle, &device, SPDRP_DEVICEDESC, nullptr,
                                            reinterpret_cast<BYTE*>(text.data()), bytes, nullptr)) {
      descriptions.emplace_back(text.data());
    }
  }
  return descriptions;
}

common::AdapterCode DisplayAdapterCode() { return common::AdapterCodeFrom(DisplayAdapterDescriptions()); }

}  // namespace tl::win32
