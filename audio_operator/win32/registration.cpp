#include "audio_operator/win32/registration.h"

#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "audevop.h"
#include "audio_operator/win32/device_operator_object.h"
#include "common/win32/com.h"
#include "common/win32/com_server.h"
#include "common/win32/handles.h"
#include "common/win32/module_path.h"
#include "common/win32/registry.h"

namespace tl::audio_operator {
namespace {

using win32::GuidText;

std::wstring ClassKey() { return L"CLSID\\" + GuidText(CLSID_AudioDeviceOperator); }

constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

bool WriteProgId(const wchar_t* progId, const std::wstring& classId, const wchar_t* currentVersion) {
  const std::wstring classKey = std::wstring(progId) + L"\\CLSID";
  if (!win32::WriteRegString(HKEY_CLASSES_ROOT, progId, nullptr, kClassName) ||
      !win32::WriteRegString(HKEY_CLASSES_ROOT, classKey.c_str(), nullptr, classId))
    return false;
  if (!currentVersion) return true;
  const std::wstring versionKey = std::wstring(progId) + L"\\CurVer";
  return win32::WriteRegString(HKEY_CLASSES_ROOT, versionKey.c_str(), nullptr, currentVersion);
}

bool WriteClassKeys(const std::wstring& path) {
  const std::wstring classId = GuidText(CLSID_AudioDeviceOperator);
  const std::wstring key = ClassKey();
  const std::wstring server = key + L"\\InprocServer32";
  return win32::WriteRegString(HKEY_CLASSES_ROOT, key.c_str(), nullptr, kClassName) &&
         win32::WriteRegString(HKEY_CLASSES_ROOT, server.c_str(), nullptr, path) &&
         win32::WriteRegString(HKEY_CLASSES_ROOT, server.c_str(), L"ThreadingModel", L"Apartment") &&
         win32::WriteRegString(HKEY_CLASSES_ROOT, (key + L"\\ProgID").c_str(), nullptr, kVersionedProgId) &&
         win32::WriteRegString(HKEY_CLASSES_ROOT, (key + L"\\VersionIndependentProgID").c_str(), nullptr, kProgId) &&
         win32::WriteRegString(HKEY_CLASSES_ROOT, (key + L"\\TypeLib").c_str(), nullptr,
                               GuidText(LIBID_AudevopLib)) &&
         win32::WriteRegString(HKEY_CLASSES_ROOT, (key + L"\\Version").c_str(), nullptr, L"1.0") &&
         WriteProgId(kVersionedProgId, classId, nullptr) && WriteProgId(kProgId, classId, kVersionedProgId);
}

// Deletes a key with its subkeys; a missing key is no failure.
bool DeleteTree(const std::wstring& key) {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool KeyExists(const std::wstring& key) {
  win32::UniqueHKey opened;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

bool DeleteOurProgId(const wchar_t* progId) {
  const auto classId = win32::ReadRegString(HKEY_CLASSES_ROOT, (std::wstring(progId) + L"\\CLSID").c_str(), nullptr);
  if (!classId || _wcsicmp(classId->c_str(), GuidText(CLSID_AudioDeviceOperator).c_str()) != 0) return true;
  return DeleteTree(progId);
}

}  // namespace

HRESULT RegisterServer(HMODULE module) {
  const std::wstring path = win32::ModulePath(module);
  if (path.empty()) return SELFREG_E_CLASS;
  if (!WriteClassKeys(path)) {
    UnregisterServer();
    return SELFREG_E_CLASS;
  }
  win32::ComPtr<ITypeLib> library;
  HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  std::wstring registeredPath = path;  // the toolchain declares the path writable
  if (SUCCEEDED(hr)) hr = ::RegisterTypeLib(library.Get(), registeredPath.data(), nullptr);
  if (FAILED(hr)) {
    UnregisterServer();
    return SELFREG_E_TYPELIB;
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  // Also removes the interfaces' keys. Its answer for a library that was not registered differs
  // between systems, so what counts is whether the library's key is gone.
  ::UnRegisterTypeLib(LIBID_AudevopLib, 1, 0, LANG_NEUTRAL, kSysKind);
  const bool keysGone = DeleteTree(ClassKey()) && DeleteOurProgId(kProgId) && DeleteOurProgId(kVersionedProgId);
  if (!keysGone) return SELFREG_E_CLASS;
  // The other word size's build may keep its own registration beside this one.
  const wchar_t* platform = kSysKind == SYS_WIN64 ? L"\\0\\win64" : L"\\0\\win32";
  return KeyExists(L"TypeLib\\" + GuidText(LIBID_AudevopLib) + L"\\1.0" + platform) ? SELFREG_E_TYPELIB : S_OK;
}

}  // namespace tl::audio_operator
