#include "common/dshow/win32/server.h"

#include <olectl.h>

#include <string>

#include "common/dshow/win32/module_count.h"
#include "common/win32/com.h"
#include "common/win32/module_path.h"
#include "common/win32/registry.h"

namespace tl::dshow {
namespace {

using win32::ComPtr;

std::wstring ClassKey(const CLSID& classId) { return L"CLSID\\" + GuidText(classId); }

HRESULT RegisterWithMapper2(const ClassEntry& entry) {
  ComPtr<IFilterMapper2> mapper;
  const HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  // No instance name: the instance key is the class identifier, as players look it up.
  return mapper->RegisterFilter(*entry.classId, entry.name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr,
                                entry.filter);
}

// The older mapper knows only the first form of the pin description.
HRESULT RegisterWithMapper(const ClassEntry& entry) {
  if (entry.filter->dwVersion != 1) return E_NOTIMPL;
  ComPtr<IFilterMapper> mapper;
  HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  hr = mapper->RegisterFilter(*entry.classId, entry.name, entry.filter->dwMerit);
  for (ULONG p = 0; SUCCEEDED(hr) && p < entry.filter->cPins; ++p) {
    const REGFILTERPINS& pin = entry.filter->rgPins[p];
    hr = mapper->RegisterPin(*entry.classId, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                             pin.clsConnectsToFilter ? *pin.clsConnectsToFilter : CLSID_NULL,
                             pin.strConnectsToPin);
    for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t)
      hr = mapper->RegisterPinType(*entry.classId, pin.strName, *pin.lpMediaType[t].clsMajorType,
                                   *pin.lpMediaType[t].clsMinorType);
  }
  return hr;
}

HRESULT UnregisterFromMapper(const ClassEntry& entry) {
  ComPtr<IFilterMapper2> mapper2;
  if (SUCCEEDED(::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper2))))
    return mapper2->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *entry.classId);
  ComPtr<IFilterMapper> mapper;
  const HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  return FAILED(hr) ? hr : mapper->UnregisterFilter(*entry.classId);
}

}  // namespace

HRESULT GetClassObject(std::span<const ClassEntry> classes, REFCLSID classId, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ClassEntry& entry : classes) {
    if (*entry.classId != classId) continue;
    return win32::MakeClassFactory(entry.create, iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return ModuleCanUnload() ? S_OK : S_FALSE; }

HRESULT RegisterServer(HMODULE module, std::span<const ClassEntry> classes) {
  const std::wstring path = win32::ModulePath(module);
  if (path.empty()) return E_FAIL;
  for (const ClassEntry& entry : classes) {
    const std::wstring key = ClassKey(*entry.classId);
    const std::wstring server = key + L"\\InprocServer32";
    if (!win32::WriteRegString(HKEY_CLASSES_ROOT, key.c_str(), nullptr, entry.name) ||
        !win32::WriteRegString(HKEY_CLASSES_ROOT, server.c_str(), nullptr, path) ||
        !win32::WriteRegString(HKEY_CLASSES_ROOT, server.c_str(), L"ThreadingModel", L"Both"))
      return SELFREG_E_CLASS;
  }
  // The mapper creates our classes' keys' neighbours; COM must be up on this thread for it.
  win32::ComApartment apartment;
  for (const ClassEntry& entry : classes) {
    if (!entry.filter) continue;
    HRESULT hr = RegisterWithMapper2(entry);
    if (hr == REGDB_E_CLASSNOTREG || hr == E_NOINTERFACE) hr = RegisterWithMapper(entry);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT UnregisterServer(std::span<const ClassEntry> classes) {
  win32::ComApartment apartment;
  HRESULT result = S_OK;
  for (const ClassEntry& entry : classes) {
    // A filter that was never registered is no failure here.
    if (entry.filter) UnregisterFromMapper(entry);
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(*entry.classId).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = SELFREG_E_CLASS;
  }
  return result;
}

}  // namespace tl::dshow
