// The few things the operator asks of the platform's audio endpoints. On Windows this is Core
// Audio (IMMDeviceEnumerator, IMMDevice, IAudioEndpointVolume); the unit tests use a fake.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio_operator/core/audio_types.h"

namespace tl::audio_operator {

// Receives the platform's notifications on the platform's own threads.
class NotificationSink {
 public:
  virtual void Post(AudioEvent event) = 0;

 protected:
  ~NotificationSink() = default;
};

// All methods are called on the operator's thread. Failures are the platform's status words;
// an id that no device has gives kNotFound from every method that takes one.
class AudioSystem {
 public:
  virtual ~AudioSystem() = default;

  virtual Status Devices(Flow flow, std::uint32_t stateMask, std::vector<DeviceInfo>& devices) = 0;
  virtual Status Device(const std::wstring& id, DeviceInfo& device) = 0;
  // kNotFound when the flow has no default device for the role.
  virtual Status DefaultDevice(Flow flow, Role role, std::wstring& id) = 0;

  // Each call reads the endpoint afresh, so a reading after a write shows what the platform
  // kept, not what one control object remembers.
  virtual Status ReadVolume(const std::wstring& id, VolumeReading& reading) = 0;
  virtual Status WriteVolume(const std::wstring& id, float scalar, const EventContext& context) = 0;
  virtual Status WriteVolumeDecibels(const std::wstring& id, float decibels, const EventContext& context) = 0;
  virtual Status WriteMute(const std::wstring& id, bool muted, const EventContext& context) = 0;

  // Device, state and default-device notifications go to `sink` until StopWatching.
  virtual Status StartWatching(std::shared_ptr<NotificationSink> sink) = 0;
  virtual void StopWatching() = 0;
  // Volume and mute notifications of one device go to `sink` until UnwatchVolume.
  virtual Status WatchVolume(const std::wstring& id, std::shared_ptr<NotificationSink> sink) = 0;
  virtual void UnwatchVolume(const std::wstring& id) = 0;
};

}  // namespace tl::audio_operator
