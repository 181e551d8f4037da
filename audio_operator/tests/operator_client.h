// What the Windows-side tests of Audevop.dll need as its client: registration with regsvr32, the
// last call's error description, an event sink that records what it receives, and a message
// loop to wait in.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "audevop.h"
#include "common/win32/com.h"

namespace tl::audio_operator::testing {

// The installed DLL, as regsvr32 is given it.
std::wstring InstalledDll();
// Runs regsvr32 silently on the installed DLL (with /u when unregistering); its exit code.
DWORD RunRegsvr32(bool unregister);

// Registers the installed DLL for a test's lifetime.
class Registration {
 public:
  Registration();
  ~Registration();
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

// The description of this thread's error information, empty when there is none.
std::wstring LastErrorDescription();

// Dispatches this thread's messages until done() or the timeout; gives done().
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);

struct ReceivedEvent {
  DISPID id = 0;
  std::wstring deviceId;
  LONG flow = -1;
  LONG role = -1;
  LONG state = -1;
  double volume = -1;
  bool muted = false;
  bool byThisObject = false;
  DWORD threadId = 0;  // the thread the event was delivered on
};

// A sink of _IAudioDeviceOperatorEvents that keeps every event it is given.
class EventRecorder final : public IDispatch {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) override;

  std::vector<ReceivedEvent> events;
  // Called with each event after it is recorded, on the operator's thread.
  std::function<void(const ReceivedEvent&)> onEvent;

 private:
  std::atomic<ULONG> references_{0};
};

// Connects a recorder to an operator's events for the object's lifetime.
class EventConnection {
 public:
  EventConnection(IUnknown* source, IUnknown* sink);
  ~EventConnection();
  EventConnection(const EventConnection&) = delete;
  EventConnection& operator=(const EventConnection&) = delete;
  HRESULT result() const { return result_; }
  DWORD cookie() const { return cookie_; }

 private:
  win32::ComPtr<IConnectionPoint> point_;
  HRESULT result_ = E_FAIL;
  DWORD cookie_ = 0;
};

}  // namespace tl::audio_operator::testing
