// The operator's audio system on Windows: Core Audio's device enumerator, devices and endpoint
// volume controls, with their notification callbacks turned into AudioEvents.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio_operator/core/audio_system.h"
#include "common/win32/com.h"

namespace tl::audio_operator {

class CoreAudioSystem final : public AudioSystem {
 public:
  CoreAudioSystem();
  ~CoreAudioSystem();
  CoreAudioSystem(const CoreAudioSystem&) = delete;
  CoreAudioSystem& operator=(const CoreAudioSystem&) = delete;

  Status Devices(Flow flow, std::uint32_t stateMask, std::vector<DeviceInfo>& devices) override;
  Status Device(const std::wstring& id, DeviceInfo& device) override;
  Status DefaultDevice(Flow flow, Role role, std::wstring& id) override;
  Status ReadVolume(const std::wstring& id, VolumeReading& reading) override;
  Status WriteVolume(const std::wstring& id, float scalar, const EventContext& context) override;
  Status WriteVolumeDecibels(const std::wstring& id, float decibels, const EventContext& context) override;
  Status WriteMute(const std::wstring& id, bool muted, const EventContext& context) override;
  Status StartWatching(std::shared_ptr<NotificationSink> sink) override;
  void StopWatching() override;
  Status WatchVolume(const std::wstring& id, std::shared_ptr<NotificationSink> sink) override;
  void UnwatchVolume(const std::wstring& id) override;

 private:
  struct VolumeWatch {
    win32::ComPtr<IAudioEndpointVolume> control;
    win32::ComPtr<IAudioEndpointVolumeCallback> callback;
  };

  HRESULT Open(const std::wstring& id, win32::ComPtr<IMMDevice>& device);
  HRESULT OpenVolume(const std::wstring& id, win32::ComPtr<IAudioEndpointVolume>& control);

  HRESULT created_ = E_UNEXPECTED;  // why there is no enumerator
  win32::ComPtr<IMMDeviceEnumerator> enumerator_;
  win32::ComPtr<IMMNotificationClient> notificationClient_;
  std::map<std::wstring, VolumeWatch> volumeWatches_;
};

}  // namespace tl::audio_operator
