#include "audio_operator/win32/device_operator_object.h"

#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <cstring>
#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "audevop.h"
#include "audio_operator/core/device_operator.h"
#include "audio_operator/core/event_hub.h"
#include "audio_operator/win32/automation.h"
#include "common/win32/com_server.h"
#include "audio_operator/win32/core_audio_system.h"
#include "audio_operator/win32/snapshot_enumerator.h"
#include "audio_operator/win32/wake_window.h"
#include "common/win32/automation.h"
#include "common/win32/com.h"
#include "common/win32/module_path.h"

namespace tl::audio_operator {
namespace {

using win32::ComPtr;
using win32::MakeCom;
using win32::Offer;
using win32::RefCounted;

static_assert(AUDEVOP_E_UNKNOWN_DEVICE == kUnknownDevice && AUDEVOP_E_DEVICE_NOT_ACTIVE == kDeviceNotActive &&
              AUDEVOP_E_NOT_APPLIED == kNotApplied && AUDEVOP_E_DEFAULT_NOT_SETTABLE == kDefaultNotSettable &&
              AUDEVOP_E_NO_DEFAULT_DEVICE == kNoDefaultDevice);
static_assert(adoRender == static_cast<int>(Flow::Render) && adoCapture == static_cast<int>(Flow::Capture) &&
              adoAllFlows == static_cast<int>(Flow::All));
static_assert(adoConsole == static_cast<int>(Role::Console) && adoMultimedia == static_cast<int>(Role::Multimedia) &&
              adoCommunications == static_cast<int>(Role::Communications));
static_assert(adoActive == kStateActive && adoDisabled == kStateDisabled && adoNotPresent == kStateNotPresent &&
              adoUnplugged == kStateUnplugged && adoAllStates == kAllStates);

// Dispatch ids of the event interface, as the type library numbers them.
enum EventDispatchId : DISPID {
  kDefaultDeviceChanged = 1,
  kDeviceAdded = 2,
  kDeviceRemoved = 3,
  kDeviceStateChanged = 4,
  kVolumeChanged = 5,
};

class CAudioDeviceOperator;

// The operator's one connection point. It lives inside the operator and shares its lifetime.
class EventConnectionPoint final : public IConnectionPoint {
 public:
  EventConnectionPoint(CAudioDeviceOperator& owner, EventHub& hub) : owner_(owner), hub_(hub) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

  void Fire(const AudioEvent& event);

 private:
  CAudioDeviceOperator& owner_;
  EventHub& hub_;
  std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
  DWORD lastCookie_ = 0;
};

class CAudioDeviceOperator final
    : public RefCounted<CAudioDeviceOperator, IAudioDeviceOperator, ISupportErrorInfo, IConnectionPointContainer,
                        IProvideClassInfo2> {
 public:
  explicit CAudioDeviceOperator(std::unique_ptr<AudioSystem> system)
      : system_(std::move(system)),
        operator_(*system_, NewContext()),
        window_([this] { DeliverEvents(); }),
        hub_(*system_, operator_.context(), [this] { window_.Wake(); }),
        point_(*this, hub_) {}

  HRESULT Initialize() {
    if (!window_.ok()) return HRESULT_FROM_WIN32(::GetLastError());
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(win32::ModulePath(win32::CurrentModule()).c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = library->GetTypeInfoOfGuid(IID_IAudioDeviceOperator, &typeInfo_))) return hr;
    return library->GetTypeInfoOfGuid(CLSID_AudioDeviceOperator, &classInfo_);
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (Offer<IAudioDeviceOperator>(this, iid, IID_IUnknown, out) ||
        Offer<IAudioDeviceOperator>(this, iid, IID_IDispatch, out) ||
        Offer<IAudioDeviceOperator>(this, iid, IID_IAudioDeviceOperator, out) ||
        Offer<ISupportErrorInfo>(this, iid, IID_ISupportErrorInfo, out) ||
        Offer<IConnectionPointContainer>(this, iid, IID_IConnectionPointContainer, out) ||
        Offer<IProvideClassInfo2>(this, iid, IID_IProvideClassInfo, out) ||
        Offer<IProvideClassInfo2>(this, iid, IID_IProvideClassInfo2, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }

  // IDispatch, answered from the type library.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return typeInfo_.CopyTo(out);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return typeInfo_->GetIDsOfNames(names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                      EXCEPINFO* exception, UINT* badArgument) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return typeInfo_->Invoke(static_cast<IAudioDeviceOperator*>(this), id, flags, parameters, result, exception,
                             badArgument);
  }

  // IAudioDeviceOperator
  STDMETHODIMP Devices(AudioFlow flow, LONG stateMask, VARIANT* ids) override {
    return Call(ids, [&] {
      ::VariantInit(ids);
      const auto result = operator_.DeviceIds(flow, stateMask);
      return result.ok() ? ReturnStrings(result.value, ids) : Report(result);
    });
  }
  STDMETHODIMP DeviceName(BSTR id, BSTR* name) override {
    return Call(name, [&] {
      const auto device = operator_.Device(View(id));
      return device.ok() ? ReturnString(device.value.name, name) : Report(device);
    });
  }
  STDMETHODIMP DeviceFlow(BSTR id, AudioFlow* flow) override {
    return Call(flow, [&] {
      const auto device = operator_.Device(View(id));
      if (device.ok()) *flow = static_cast<AudioFlow>(device.value.flow);
      return Report(device);
    });
  }
  STDMETHODIMP DeviceState(BSTR id, LONG* state) override {
    return Call(state, [&] {
      const auto device = operator_.Device(View(id));
      if (device.ok()) *state = static_cast<LONG>(device.value.state);
      return Report(device);
    });
  }
  STDMETHODIMP DefaultDevice(AudioFlow flow, AudioRole role, BSTR* id) override {
    return Call(id, [&] {
      const auto result = operator_.DefaultDevice(flow, role);
      return result.ok() ? ReturnString(result.value, id) : Report(result);
    });
  }
  STDMETHODIMP SetDefaultDevice(BSTR id, AudioRole role) override {
    return Call([&] { return Report(operator_.SetDefaultDevice(View(id), role)); });
  }
  STDMETHODIMP ApplicationDefaultDevice(AudioFlow flow, BSTR* id) override {
    return DefaultDevice(flow, static_cast<AudioRole>(kApplicationRole), id);
  }
  STDMETHODIMP SetApplicationDefaultDevice(BSTR id) override {
    return SetDefaultDevice(id, static_cast<AudioRole>(kApplicationRole));
  }
  STDMETHODIMP GetVolume(BSTR id, double* level) override {
    return Call(level, [&] { return ReturnNumber(operator_.Volume(View(id)), level); });
  }
  STDMETHODIMP SetVolume(BSTR id, double level) override {
    return Call([&] { return Report(operator_.SetVolume(View(id), level)); });
  }
  STDMETHODIMP GetVolumeDecibels(BSTR id, double* decibels) override {
    return Call(decibels, [&] { return ReturnNumber(operator_.VolumeDecibels(View(id)), decibels); });
  }
  STDMETHODIMP SetVolumeDecibels(BSTR id, double decibels) override {
    return Call([&] { return Report(operator_.SetVolumeDecibels(View(id), decibels)); });
  }
  STDMETHODIMP VolumeRange(BSTR id, VARIANT* range) override {
    return Call(range, [&] {
      ::VariantInit(range);
      const auto result = operator_.VolumeRange(View(id));
      if (!result.ok()) return Report(result);
      return ReturnDoubles({result.value.minimum, result.value.maximum, result.value.step}, range);
    });
  }
  STDMETHODIMP GetMute(BSTR id, VARIANT_BOOL* muted) override {
    return Call(muted, [&] {
      const auto result = operator_.Mute(View(id));
      if (result.ok()) *muted = result.value ? VARIANT_TRUE : VARIANT_FALSE;
      return Report(result);
    });
  }
  STDMETHODIMP SetMute(BSTR id, VARIANT_BOOL muted) override {
    return Call([&] { return Report(operator_.SetMute(View(id), muted != VARIANT_FALSE)); });
  }

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == IID_IAudioDeviceOperator ? S_OK : S_FALSE;
  }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
    try {
      return MakeSnapshotEnumerator<ConnectionPointItems>({ComPtr<IConnectionPoint>(&point_)}, out);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != DIID__IAudioDeviceOperatorEvents) return CONNECT_E_NOCONNECTION;
    *out = &point_;
    point_.AddRef();
    return S_OK;
  }

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return classInfo_.CopyTo(out);
  }
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = DIID__IAudioDeviceOperatorEvents;
    return S_OK;
  }

 private:
  friend class RefCounted<CAudioDeviceOperator, IAudioDeviceOperator, ISupportErrorInfo, IConnectionPointContainer,
                          IProvideClassInfo2>;
  ~CAudioDeviceOperator() = default;

  static EventContext NewContext() {
    GUID guid{};
    // Without a fresh GUID the operator cannot tell its own volume changes apart; GUID_NULL
    // then stands for it, which Windows also uses for changes with no context.
    ::CoCreateGuid(&guid);
    EventContext context;
    std::memcpy(context.data(), &guid, sizeof guid);
    return context;
  }

  static HRESULT Report(const Outcome& outcome) {
    if (outcome.ok()) {
      ClearError();
      return outcome.status;
    }
    return ReportError(outcome.status, outcome.description, IID_IAudioDeviceOperator, kProgId);
  }

  static HRESULT ReturnNumber(const Result<double>& result, double* out) {
    if (result.ok()) *out = result.value;
    return Report(result);
  }

  // Runs a method body at the interface: checks the result pointer, and turns running out of
  // memory into E_OUTOFMEMORY rather than an exception across the interface.
  template <typename Body>
  static HRESULT Call(Body body) {
    try {
      return body();
    } catch (const std::bad_alloc&) {
      return ReportError(E_OUTOFMEMORY, L"Out of memory.", IID_IAudioDeviceOperator, kProgId);
    }
  }
  template <typename Out, typename Body>
  static HRESULT Call(Out* out, Body body) {
    if (!out) return ReportError(E_POINTER, L"The pointer for the result is null.", IID_IAudioDeviceOperator, kProgId);
    return Call(body);
  }

  // Runs on this object's thread when notifications are waiting.
  void DeliverEvents() {
    if (delivering_) return;  // a sink pumped messages while it was called: the outer loop goes on
    const ComPtr<CAudioDeviceOperator> keepAlive(this);  // a sink may release the operator
    delivering_ = true;
    try {
      for (std::vector<AudioEvent> events = hub_.Drain(); !events.empty(); events = hub_.Drain())
        for (const AudioEvent& event : events) point_.Fire(event);
    } catch (const std::bad_alloc&) {
      // Events are dropped when memory runs out; the next notification starts a new delivery.
    }
    delivering_ = false;
  }

  std::unique_ptr<AudioSystem> system_;
  DeviceOperator operator_;
  WakeWindow window_;
  EventHub hub_;
  EventConnectionPoint point_;
  ComPtr<ITypeInfo> typeInfo_;
  ComPtr<ITypeInfo> classInfo_;
  bool delivering_ = false;
};

STDMETHODIMP EventConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (Offer<IConnectionPoint>(this, iid, IID_IUnknown, out) || Offer<IConnectionPoint>(this, iid, IID_IConnectionPoint, out))
    return S_OK;
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventConnectionPoint::AddRef() { return owner_.AddRef(); }
STDMETHODIMP_(ULONG) EventConnectionPoint::Release() { return owner_.Release(); }

STDMETHODIMP EventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID__IAudioDeviceOperatorEvents;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  return owner_.QueryInterface(IID_PPV_ARGS(out));
}

STDMETHODIMP EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  ComPtr<IDispatch> events;
  if (FAILED(sink->QueryInterface(DIID__IAudioDeviceOperatorEvents, reinterpret_cast<void**>(events.GetAddressOf()))) ||
      !events)
    return CONNECT_E_CANNOTCONNECT;
  try {
    if (sinks_.empty()) {
      const HRESULT hr = hub_.Start();
      if (FAILED(hr)) return hr;
    }
    if (++lastCookie_ == 0) ++lastCookie_;  // 0 is no cookie
    sinks_.emplace_back(lastCookie_, std::move(events));
  } catch (const std::bad_alloc&) {
    if (sinks_.empty()) hub_.Stop();
    return E_OUTOFMEMORY;
  }
  *cookie = lastCookie_;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Unadvise(DWORD cookie) {
  for (auto sink = sinks_.begin(); sink != sinks_.end(); ++sink) {
    if (sink->first != cookie) continue;
    sinks_.erase(sink);
    // Nobody listens any more: Core Audio's callbacks go until the next Advise.
    if (sinks_.empty()) hub_.Stop();
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP EventConnectionPoint::EnumConnections(IEnumConnections** out) {
  try {
    std::vector<ConnectionItems::Stored> items;
    for (const auto& [cookie, sink] : sinks_) items.emplace_back(ComPtr<IUnknown>(sink.Get()), cookie);
    return MakeSnapshotEnumerator<ConnectionItems>(std::move(items), out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void EventConnectionPoint::Fire(const AudioEvent& event) {
  // Arguments in reverse order, as DISPPARAMS holds them.
  std::array<win32::Variant, 4> arguments;
  UINT count = 0;
  DISPID id = kDeviceAdded;
  bool ok = true;
  switch (event.kind) {
    case AudioEvent::Kind::DefaultDeviceChanged:
      id = kDefaultDeviceChanged;
      ok = arguments[0].SetString(event.deviceId);
      arguments[1].SetLong(static_cast<LONG>(event.role));
      arguments[2].SetLong(static_cast<LONG>(event.flow));
      count = 3;
      break;
    case AudioEvent::Kind::DeviceAdded:
    case AudioEvent::Kind::DeviceRemoved:
      id = event.kind == AudioEvent::Kind::DeviceAdded ? kDeviceAdded : kDeviceRemoved;
      ok = arguments[0].SetString(event.deviceId);
      count = 1;
      break;
    case AudioEvent::Kind::DeviceStateChanged:
      id = kDeviceStateChanged;
      arguments[0].SetLong(static_cast<LONG>(event.state));
      ok = arguments[1].SetString(event.deviceId);
      count = 2;
      break;
    case AudioEvent::Kind::VolumeChanged:
      id = kVolumeChanged;
      arguments[0].SetBool(event.byThisObject);
      arguments[1].SetBool(event.muted);
      arguments[2].SetDouble(FromEndpointFloat(event.volume));
      ok = arguments[3].SetString(event.deviceId);
      count = 4;
      break;
  }
  if (!ok) throw std::bad_alloc();
  std::array<VARIANT, 4> raw;
  for (UINT i = 0; i < count; ++i) raw[i] = arguments[i].get();  // borrowed: the Variants keep ownership
  DISPPARAMS parameters{raw.data(), nullptr, count, 0};
  // A copy: a sink may unadvise, or advise another, while it is called.
  const auto sinks = sinks_;
  for (const auto& [cookie, sink] : sinks) {
    // One failing sink does not keep the others from the event.
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
  }
}

}  // namespace

HRESULT CreateDeviceOperator(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    return CreateDeviceOperatorOn(std::make_unique<CoreAudioSystem>(), iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CreateDeviceOperatorOn(std::unique_ptr<AudioSystem> system, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!system) return E_POINTER;
  try {
    const ComPtr<CAudioDeviceOperator> object = MakeCom<CAudioDeviceOperator>(std::move(system));
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->Initialize();
    if (FAILED(hr)) return hr;
    return object->QueryInterface(iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace tl::audio_operator
