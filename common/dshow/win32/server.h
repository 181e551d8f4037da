// The in-process COM server around our filters: one class factory per class, DllGetClassObject,
// DllCanUnloadNow and self-registration (COM keys, then the filter mapper).
#pragma once

#include <span>
#include <string>

#include "common/dshow/win32/dshow.h"
#include "common/win32/com_server.h"

namespace tl::dshow {

// Creates a new object and gives the asked interface of it (the creator's reference is dropped).
using win32::CreateFunction;

struct ClassEntry {
  const wchar_t* name;  // default value of the CLSID key, and the filter's name
  const CLSID* classId;
  CreateFunction create;
  // Filter registration in the legacy filter category; null for classes that are no filter.
  const REGFILTER2* filter;
};

// DllGetClassObject: CLASS_E_CLASSNOTAVAILABLE for unknown classes, E_NOINTERFACE for a factory
// interface other than IUnknown/IClassFactory.
HRESULT GetClassObject(std::span<const ClassEntry> classes, REFCLSID classId, REFIID iid, void** out);
HRESULT CanUnloadNow();
// DllRegisterServer / DllUnregisterServer of `module`: the COM keys (ThreadingModel "Both") of
// every class, then each filter through IFilterMapper2 (IFilterMapper when that is missing).
HRESULT RegisterServer(HMODULE module, std::span<const ClassEntry> classes);
HRESULT UnregisterServer(std::span<const ClassEntry> classes);

using win32::GuidText;

}  // namespace tl::dshow
