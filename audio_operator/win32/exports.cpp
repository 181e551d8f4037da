// The exports of an in-process COM server.
#include <windows.h>
#include <objbase.h>

#include "audevop.h"
#include "audio_operator/win32/device_operator_object.h"
#include "audio_operator/win32/registration.h"
#include "common/win32/com_server.h"
#include "common/win32/module_path.h"

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (classId != CLSID_AudioDeviceOperator) return CLASS_E_CLASSNOTAVAILABLE;
  return tl::win32::MakeClassFactory(&tl::audio_operator::CreateDeviceOperator, iid, out);
}

STDAPI DllCanUnloadNow() { return tl::win32::ModuleCanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return tl::audio_operator::RegisterServer(tl::win32::CurrentModule()); }

STDAPI DllUnregisterServer() { return tl::audio_operator::UnregisterServer(); }
