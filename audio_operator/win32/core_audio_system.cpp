#include "audio_operator/win32/core_audio_system.h"

#include <audioclient.h>

#include <cstring>
#include <new>
#include <type_traits>

#include "common/win32/com_server.h"

namespace tl::audio_operator {
namespace {

using win32::ComPtr;
using win32::MakeCom;
using win32::Offer;
using win32::RefCounted;

static_assert(static_cast<int>(Flow::Render) == eRender && static_cast<int>(Flow::Capture) == eCapture &&
              static_cast<int>(Flow::All) == eAll);
static_assert(static_cast<int>(Role::Console) == eConsole && static_cast<int>(Role::Multimedia) == eMultimedia &&
              static_cast<int>(Role::Communications) == eCommunications);
static_assert(kStateActive == DEVICE_STATE_ACTIVE && kStateDisabled == DEVICE_STATE_DISABLED &&
              kStateNotPresent == DEVICE_STATE_NOTPRESENT && kStateUnplugged == DEVICE_STATE_UNPLUGGED);
static_assert(sizeof(GUID) == sizeof(EventContext));
static_assert(kDeviceInvalidated == AUDCLNT_E_DEVICE_INVALIDATED && kNotFound == E_NOTFOUND);

// PKEY_Device_FriendlyName: the toolchain declares it without a definition.
constexpr PROPERTYKEY kFriendlyName = {{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

struct CoTaskMemDeleter {
  void operator()(wchar_t* text) const { ::CoTaskMemFree(text); }
};
using CoTaskMemText = std::unique_ptr<wchar_t, CoTaskMemDeleter>;

class PropVariant {
 public:
  PropVariant() { ::PropVariantInit(&value_); }
  ~PropVariant() { ::PropVariantClear(&value_); }
  PropVariant(const PropVariant&) = delete;
  PropVariant& operator=(const PropVariant&) = delete;
  PROPVARIANT* get() { return &value_; }
  const PROPVARIANT& value() const { return value_; }

 private:
  PROPVARIANT value_;
};

GUID ToGuid(const EventContext& context) {
  GUID guid;
  std::memcpy(&guid, context.data(), sizeof guid);
  return guid;
}

EventContext ToContext(const GUID& guid) {
  EventContext context;
  std::memcpy(context.data(), &guid, sizeof guid);
  return context;
}

HRESULT Describe(IMMDevice* device, DeviceInfo& info) {
  CoTaskMemText id;
  wchar_t* rawId = nullptr;
  HRESULT hr = device->GetId(&rawId);
  id.reset(rawId);
  if (FAILED(hr)) return hr;
  if (!id) return E_UNEXPECTED;
  DWORD state = 0;
  if (FAILED(hr = device->GetState(&state))) return hr;
  ComPtr<IMMEndpoint> endpoint;
  EDataFlow flow = eRender;
  if (FAILED(hr = device->QueryInterface(IID_PPV_ARGS(&endpoint))) || FAILED(hr = endpoint->GetDataFlow(&flow)))
    return hr;
  info.id = id.get();
  info.state = state;
  info.flow = static_cast<Flow>(flow);
  info.name.clear();
  // A device without a readable name is still a device: the operator shows its id instead.
  ComPtr<IPropertyStore> properties;
  if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, &properties))) {
    PropVariant name;
    if (SUCCEEDED(properties->GetValue(kFriendlyName, name.get())) && name.value().vt == VT_LPWSTR &&
        name.value().pwszVal)
      info.name = name.value().pwszVal;
  }
  return S_OK;
}

// Callbacks run on Core Audio's threads; they only copy what they are told into the sink.
class NotificationClient final : public RefCounted<NotificationClient, IMMNotificationClient> {
 public:
  explicit NotificationClient(std::shared_ptr<NotificationSink> sink) : sink_(std::move(sink)) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (Offer<IMMNotificationClient>(this, iid, IID_IUnknown, out) ||
        Offer<IMMNotificationClient>(this, iid, __uuidof(IMMNotificationClient), out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP OnDeviceStateChanged(LPCWSTR id, DWORD state) override {
    return Post(AudioEvent::Kind::DeviceStateChanged, id, [state](AudioEvent& e) { e.state = state; });
  }
  STDMETHODIMP OnDeviceAdded(LPCWSTR id) override { return Post(AudioEvent::Kind::DeviceAdded, id, nullptr); }
  STDMETHODIMP OnDeviceRemoved(LPCWSTR id) override { return Post(AudioEvent::Kind::DeviceRemoved, id, nullptr); }
  STDMETHODIMP OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override {
    return Post(AudioEvent::Kind::DefaultDeviceChanged, id, [flow, role](AudioEvent& e) {
      e.flow = static_cast<Flow>(flow);
      e.role = static_cast<Role>(role);
    });
  }
  // Names are read when a client asks for them.
  STDMETHODIMP OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

 private:
  template <typename Fill>
  HRESULT Post(AudioEvent::Kind kind, LPCWSTR id, Fill fill) {
    try {
      AudioEvent event;
      event.kind = kind;
      if (id) event.deviceId = id;
      if constexpr (!std::is_same_v<Fill, std::nullptr_t>) fill(event);
      sink_->Post(std::move(event));
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  std::shared_ptr<NotificationSink> sink_;
};

class VolumeCallback final : public RefCounted<VolumeCallback, IAudioEndpointVolumeCallback> {
 public:
  VolumeCallback(std::wstring id, std::shared_ptr<NotificationSink> sink) : id_(std::move(id)), sink_(std::move(sink)) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (Offer<IAudioEndpointVolumeCallback>(this, iid, IID_IUnknown, out) ||
        Offer<IAudioEndpointVolumeCallback>(this, iid, __uuidof(IAudioEndpointVolumeCallback), out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA data) override {
    if (!data) return E_POINTER;
    try {
      AudioEvent event;
      event.kind = AudioEvent::Kind::VolumeChanged;
      event.deviceId = id_;
      event.volume = data->fMasterVolume;
      event.muted = data->bMuted != FALSE;
      event.context = ToContext(data->guidEventContext);
      sink_->Post(std::move(event));
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  std::wstring id_;
  std::shared_ptr<NotificationSink> sink_;
};

}  // namespace

CoreAudioSystem::CoreAudioSystem() {
  created_ = ::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&enumerator_));
  if (SUCCEEDED(created_) && !enumerator_) created_ = E_UNEXPECTED;
}

CoreAudioSystem::~CoreAudioSystem() {
  while (!volumeWatches_.empty()) UnwatchVolume(volumeWatches_.begin()->first);
  StopWatching();
}

HRESULT CoreAudioSystem::Open(const std::wstring& id, ComPtr<IMMDevice>& device) {
  if (!enumerator_) return created_;
  const HRESULT hr = enumerator_->GetDevice(id.c_str(), &device);
  // Windows answers E_NOTFOUND for an unknown id, Wine E_INVALIDARG.
  if (hr == E_NOTFOUND || hr == E_INVALIDARG || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return kNotFound;
  return hr;
}

HRESULT CoreAudioSystem::OpenVolume(const std::wstring& id, ComPtr<IAudioEndpointVolume>& control) {
  ComPtr<IMMDevice> device;
  const HRESULT hr = Open(id, device);
  if (FAILED(hr)) return hr;
  return device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                          reinterpret_cast<void**>(control.GetAddressOf()));
}

Status CoreAudioSystem::Devices(Flow flow, std::uint32_t stateMask, std::vector<DeviceInfo>& devices) {
  if (!enumerator_) return created_;
  ComPtr<IMMDeviceCollection> collection;
  HRESULT hr = enumerator_->EnumAudioEndpoints(static_cast<EDataFlow>(flow), stateMask, &collection);
  if (FAILED(hr)) return hr;
  UINT count = 0;
  if (FAILED(hr = collection->GetCount(&count))) return hr;
  devices.clear();
  for (UINT i = 0; i < count; ++i) {
    ComPtr<IMMDevice> device;
    DeviceInfo info;
    // A device that went away while the list was read is left out of it.
    if (SUCCEEDED(collection->Item(i, &device)) && SUCCEEDED(Describe(device.Get(), info)))
      devices.push_back(std::move(info));
  }
  return S_OK;
}

Status CoreAudioSystem::Device(const std::wstring& id, DeviceInfo& info) {
  ComPtr<IMMDevice> device;
  const HRESULT hr = Open(id, device);
  return FAILED(hr) ? hr : Describe(device.Get(), info);
}

Status CoreAudioSystem::DefaultDevice(Flow flow, Role role, std::wstring& id) {
  if (!enumerator_) return created_;
  ComPtr<IMMDevice> device;
  HRESULT hr = enumerator_->GetDefaultAudioEndpoint(static_cast<EDataFlow>(flow), static_cast<ERole>(role), &device);
  if (FAILED(hr)) return hr;
  wchar_t* rawId = nullptr;
  hr = device->GetId(&rawId);
  const CoTaskMemText text(rawId);
  if (FAILED(hr)) return hr;
  if (!text) return E_UNEXPECTED;
  id = text.get();
  return S_OK;
}

Status CoreAudioSystem::ReadVolume(const std::wstring& id, VolumeReading& reading) {
  ComPtr<IAudioEndpointVolume> control;
  HRESULT hr = OpenVolume(id, control);
  if (FAILED(hr)) return hr;
  BOOL muted = FALSE;
  if (FAILED(hr = control->GetMasterVolumeLevelScalar(&reading.scalar)) ||
      FAILED(hr = control->GetMasterVolumeLevel(&reading.decibels)) || FAILED(hr = control->GetMute(&muted)) ||
      FAILED(hr = control->GetVolumeRange(&reading.minDecibels, &reading.maxDecibels, &reading.stepDecibels)))
    return hr;
  reading.muted = muted != FALSE;
  return S_OK;
}

Status CoreAudioSystem::WriteVolume(const std::wstring& id, float scalar, const EventContext& context) {
  ComPtr<IAudioEndpointVolume> control;
  const HRESULT hr = OpenVolume(id, control);
  const GUID guid = ToGuid(context);
  return FAILED(hr) ? hr : control->SetMasterVolumeLevelScalar(scalar, &guid);
}

Status CoreAudioSystem::WriteVolumeDecibels(const std::wstring& id, float decibels, const EventContext& context) {
  ComPtr<IAudioEndpointVolume> control;
  const HRESULT hr = OpenVolume(id, control);
  const GUID guid = ToGuid(context);
  return FAILED(hr) ? hr : control->SetMasterVolumeLevel(decibels, &guid);
}

Status CoreAudioSystem::WriteMute(const std::wstring& id, bool muted, const EventContext& context) {
  ComPtr<IAudioEndpointVolume> control;
  const HRESULT hr = OpenVolume(id, control);
  const GUID guid = ToGuid(context);
  return FAILED(hr) ? hr : control->SetMute(muted ? TRUE : FALSE, &guid);
}

Status CoreAudioSystem::StartWatching(std::shared_ptr<NotificationSink> sink) {
  if (!enumerator_) return created_;
  StopWatching();
  ComPtr<NotificationClient> client = MakeCom<NotificationClient>(std::move(sink));
  if (!client) return E_OUTOFMEMORY;
  const HRESULT hr = enumerator_->RegisterEndpointNotificationCallback(client.Get());
  if (SUCCEEDED(hr)) notificationClient_ = client;
  return hr;
}

void CoreAudioSystem::StopWatching() {
  if (!notificationClient_) return;
  // Core Audio refuses only a client it does not know; nothing is left to undo then.
  enumerator_->UnregisterEndpointNotificationCallback(notificationClient_.Get());
  notificationClient_.Reset();
}

Status CoreAudioSystem::WatchVolume(const std::wstring& id, std::shared_ptr<NotificationSink> sink) {
  UnwatchVolume(id);
  VolumeWatch watch;
  HRESULT hr = OpenVolume(id, watch.control);
  if (FAILED(hr)) return hr;
  watch.callback = MakeCom<VolumeCallback>(id, std::move(sink));
  if (!watch.callback) return E_OUTOFMEMORY;
  if (FAILED(hr = watch.control->RegisterControlChangeNotify(watch.callback.Get()))) return hr;
  volumeWatches_.emplace(id, std::move(watch));
  return S_OK;
}

void CoreAudioSystem::UnwatchVolume(const std::wstring& id) {
  const auto found = volumeWatches_.find(id);
  if (found == volumeWatches_.end()) return;
  // As above: a refusal means the control no longer holds the callback.
  found->second.control->UnregisterControlChangeNotify(found->second.callback.Get());
  volumeWatches_.erase(found);
}

}  // namespace tl::audio_operator
