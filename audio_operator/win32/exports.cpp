// The exports of an in-process COM server.
#include <windows.h>
#include <objbase.h>

#include "audevop.h"
#include "audio_operator/win32/com_server.h"
#include "audio_operator/win32/device_operator_object.h"
#include "audio_operator/win32/registration.h"
#include "common/win32/module_path.h"

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
  return tl::audio_operator::GetClassObject(classId, CLSID_AudioDeviceOperator, &tl::audio_operator::CreateDeviceOperator,
                                            iid, out);
}

STDAPI DllCanUnloadNow() { return tl::audio_operator::ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return tl::audio_operator::RegisterServer(tl::win32::CurrentModule()); }

STDAPI DllUnregisterServer() { return tl::audio_operator::UnregisterServer(); }
