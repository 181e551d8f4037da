// An audio system held in memory for the operator's unit tests: devices, defaults and volume
// controls that keep or ignore writes, and the platform's notifications on demand.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio_operator/core/audio_system.h"

namespace tl::audio_operator::testing {

class FakeAudioSystem final : public AudioSystem {
 public:
  struct Endpoint {
    DeviceInfo info;
    VolumeReading volume{1.0f, 0.0f, false, -65.25f, 0.0f, 0.03125f};
  };

  void Add(std::wstring id, std::wstring name, Flow flow, std::uint32_t state = kStateActive) {
    Endpoint endpoint;
    endpoint.info = DeviceInfo{id, std::move(name), flow, state};
    endpoints[id] = std::move(endpoint);
  }

  Status Devices(Flow flow, std::uint32_t stateMask, std::vector<DeviceInfo>& devices) override {
    if (Failed(listStatus)) return listStatus;
    devices.clear();
    for (const auto& [id, endpoint] : endpoints)
      if ((flow == Flow::All || endpoint.info.flow == flow) && (endpoint.info.state & stateMask))
        devices.push_back(endpoint.info);
    return kOk;
  }
  Status Device(const std::wstring& id, DeviceInfo& device) override {
    const auto found = endpoints.find(id);
    if (found == endpoints.end()) return kNotFound;
    device = found->second.info;
    return kOk;
  }
  Status DefaultDevice(Flow flow, Role role, std::wstring& id) override {
    const auto found = defaults.find({flow, role});
    if (found == defaults.end()) return kNotFound;
    id = found->second;
    return kOk;
  }
  Status ReadVolume(const std::wstring& id, VolumeReading& reading) override {
    ++reads;
    if (Failed(readStatus)) return readStatus;
    const auto found = endpoints.find(id);
    if (found == endpoints.end()) return kNotFound;
    reading = found->second.volume;
    return kOk;
  }
  Status WriteVolume(const std::wstring& id, float scalar, const EventContext& context) override {
    return Write(id, context, [&](VolumeReading& v) { v.scalar = scalar; });
  }
  Status WriteVolumeDecibels(const std::wstring& id, float decibels, const EventContext& context) override {
    return Write(id, context, [&](VolumeReading& v) { v.decibels = decibels; });
  }
  Status WriteMute(const std::wstring& id, bool muted, const EventContext& context) override {
    return Write(id, context, [&](VolumeReading& v) { v.muted = muted; });
  }
  Status StartWatching(std::shared_ptr<NotificationSink> newSink) override {
    if (Failed(watchStatus)) return watchStatus;
    sink = std::move(newSink);
    return kOk;
  }
  void StopWatching() override { sink.reset(); }
  Status WatchVolume(const std::wstring& id, std::shared_ptr<NotificationSink> volumeSink) override {
    if (!endpoints.count(id)) return kNotFound;
    volumeSinks[id] = std::move(volumeSink);
    return kOk;
  }
  void UnwatchVolume(const std::wstring& id) override { volumeSinks.erase(id); }

  // What the platform would say; false when nobody watches.
  bool Notify(AudioEvent event) {
    if (!sink) return false;
    sink->Post(std::move(event));
    return true;
  }

  std::map<std::wstring, Endpoint> endpoints;
  std::map<std::pair<Flow, Role>, std::wstring> defaults;
  bool keepsWrites = true;  // false: writes are accepted and forgotten
  // How a keeping endpoint stores a write, e.g. rounded to its steps.
  float (*quantize)(float) = nullptr;
  Status listStatus = kOk;
  Status readStatus = kOk;
  Status writeStatus = kOk;
  Status watchStatus = kOk;
  int reads = 0;
  std::shared_ptr<NotificationSink> sink;
  std::map<std::wstring, std::shared_ptr<NotificationSink>> volumeSinks;

 private:
  template <typename Change>
  Status Write(const std::wstring& id, const EventContext& context, Change change) {
    if (Failed(writeStatus)) return writeStatus;
    const auto found = endpoints.find(id);
    if (found == endpoints.end()) return kNotFound;
    if (!keepsWrites) return kOk;
    VolumeReading& volume = found->second.volume;
    change(volume);
    if (quantize) volume.scalar = quantize(volume.scalar);
    // The platform tells every watcher, the writer included.
    if (const auto watcher = volumeSinks.find(id); watcher != volumeSinks.end()) {
      AudioEvent event;
      event.kind = AudioEvent::Kind::VolumeChanged;
      event.deviceId = id;
      event.volume = volume.scalar;
      event.muted = volume.muted;
      event.context = context;
      watcher->second->Post(std::move(event));
    }
    return kOk;
  }
};

}  // namespace tl::audio_operator::testing
