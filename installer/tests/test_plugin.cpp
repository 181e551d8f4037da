// Stands in for the media-player plug-in NorvakPlugin.dll: registering it records the module's
// path in the registry, so a test can tell that the registration tool ran on it.
#include <windows.h>

#include "common/win32/module_path.h"
#include "common/win32/registry.h"

namespace {
constexpr wchar_t kMarkKey[] = L"SOFTWARE\\TavoLumaraTests";
constexpr wchar_t kMarkValue[] = L"NorvakPluginRegistered";
}  // namespace

extern "C" {

HRESULT WINAPI DllRegisterServer() {
  const std::wstring path = tl::win32::ModulePath(tl::win32::CurrentModule());
  return tl::win32::WriteRegString(HKEY_LOCAL_MACHINE, kMarkKey, kMarkValue, path) ? S_OK : E_FAIL;
}

HRESULT WINAPI DllUnregisterServer() {
  tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, kMarkKey, kMarkValue);
  return S_OK;
}

}  // extern "C"
