#include "audio_operator/tests/operator_client.h"

#include "common/testing/wine_testing.h"
#include "common/win32/automation.h"
#include "common/win32/process.h"

namespace tl::audio_operator::testing {

std::wstring InstalledDll() { return tl::testing::InstallDir() + L"Audevop.dll"; }

DWORD RunRegsvr32(bool unregister) {
  const std::wstring arguments = std::wstring(unregister ? L"/u " : L"") + L"/s " + win32::QuoteArgument(InstalledDll());
  return tl::testing::RunProgram(L"regsvr32.exe", arguments).value_or(~DWORD{0});
}

Registration::Registration() : ok_(RunRegsvr32(false) == 0) {}
Registration::~Registration() { RunRegsvr32(true); }

std::wstring LastErrorDescription() {
  win32::ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, &info) != S_OK || !info) return {};
  win32::Bstr text;
  if (FAILED(info->GetDescription(text.put()))) return {};
  return std::wstring(text.view());
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return true;
}

STDMETHODIMP EventRecorder::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID__IAudioDeviceOperatorEvents) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventRecorder::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP EventRecorder::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}
STDMETHODIMP EventRecorder::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP EventRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP EventRecorder::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                   UINT*) {
  // Arguments arrive last first; each is checked for the type the event interface declares.
  const UINT count = parameters->cArgs;
  auto argument = [&](UINT position, VARTYPE type) -> const VARIANT* {
    if (position >= count) return nullptr;
    const VARIANT* value = &parameters->rgvarg[count - 1 - position];
    return V_VT(value) == type ? value : nullptr;
  };
  ReceivedEvent event;
  event.id = id;
  event.threadId = ::GetCurrentThreadId();
  if (const VARIANT* text = argument(id == 1 ? 2 : 0, VT_BSTR)) event.deviceId = V_BSTR(text);
  switch (id) {
    case 1:
      if (const VARIANT* v = argument(0, VT_I4)) event.flow = V_I4(v);
      if (const VARIANT* v = argument(1, VT_I4)) event.role = V_I4(v);
      break;
    case 4:
      if (const VARIANT* v = argument(1, VT_I4)) event.state = V_I4(v);
      break;
    case 5:
      if (const VARIANT* v = argument(1, VT_R8)) event.volume = V_R8(v);
      if (const VARIANT* v = argument(2, VT_BOOL)) event.muted = V_BOOL(v) != VARIANT_FALSE;
      if (const VARIANT* v = argument(3, VT_BOOL)) event.byThisObject = V_BOOL(v) != VARIANT_FALSE;
      break;
  }
  events.push_back(event);
  if (onEvent) onEvent(event);
  return S_OK;
}

EventConnection::EventConnection(IUnknown* source, IUnknown* sink) {
  win32::ComPtr<IConnectionPointContainer> container;
  result_ = source->QueryInterface(IID_PPV_ARGS(&container));
  if (SUCCEEDED(result_)) result_ = container->FindConnectionPoint(DIID__IAudioDeviceOperatorEvents, &point_);
  if (SUCCEEDED(result_)) result_ = point_->Advise(sink, &cookie_);
}

EventConnection::~EventConnection() {
  if (SUCCEEDED(result_)) point_->Unadvise(cookie_);
}

}  // namespace tl::audio_operator::testing
