// The COM server eLumara.ax: the renderer's and the quality page's class factories and
// self-registration.
#include <windows.h>

#include "common/dshow/win32/server.h"
#include "renderer_filter/win32/filter.h"
#include "renderer_filter/win32/quality_page.h"

namespace {

HINSTANCE g_module = nullptr;
DWORD g_platform = 0;  // the platform id, as GetVersionExW reports it

HRESULT CreateRenderer(REFIID iid, void** out) {
  tl::renderer::CLumaraRenderer* renderer = tl::renderer::CLumaraRenderer::Create(g_module);
  if (!renderer) return E_OUTOFMEMORY;
  const HRESULT hr = renderer->QueryInterface(iid, out);
  renderer->Release();
  return hr;
}

// Any video subtype on one input pin; merit one above the standard renderers'.
const REGPINTYPES kPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_NULL}};
const REGFILTERPINS kPins[] = {{const_cast<LPWSTR>(L"Input"), TRUE, FALSE, FALSE, FALSE, &CLSID_NULL,
                                const_cast<LPWSTR>(L"Output"), 1, kPinTypes}};
const REGFILTER2 kFilterSetup = {1, 0x00800002, {{1, kPins}}};

const tl::dshow::ClassEntry kClasses[] = {
    {tl::renderer::kFilterName, &tl::renderer::CLSID_LumaraRenderer, CreateRenderer, &kFilterSetup},
    {tl::renderer::kPageName, &tl::renderer::CLSID_QualityPropertyPage, tl::renderer::CreateQualityPage, nullptr},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (::GetVersionExW(&version)) g_platform = version.dwPlatformId;
    ::DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
  return tl::dshow::GetClassObject(kClasses, classId, iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return tl::dshow::CanUnloadNow(); }

extern "C" HRESULT WINAPI DllRegisterServer() { return tl::dshow::RegisterServer(g_module, kClasses); }

extern "C" HRESULT WINAPI DllUnregisterServer() { return tl::dshow::UnregisterServer(kClasses); }
