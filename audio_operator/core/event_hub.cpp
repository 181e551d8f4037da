#include "audio_operator/core/event_hub.h"

namespace tl::audio_operator {

void EventQueue::Post(AudioEvent event) {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  if (event.kind == AudioEvent::Kind::VolumeChanged && !pending_.empty()) {
    AudioEvent& last = pending_.back();
    if (last.kind == AudioEvent::Kind::VolumeChanged && last.deviceId == event.deviceId) {
      last = std::move(event);
      return;
    }
  }
  const bool wasEmpty = pending_.empty();
  pending_.push_back(std::move(event));
  // Under the lock, so that no wake-up can come after Close has returned.
  if (wasEmpty && wake_) wake_();
}

std::vector<AudioEvent> EventQueue::TakeAll() {
  std::lock_guard lock(mutex_);
  std::vector<AudioEvent> taken;
  taken.swap(pending_);
  return taken;
}

void EventQueue::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  pending_.clear();
}

Status EventHub::Start() {
  if (queue_) return kOk;
  auto queue = std::make_shared<EventQueue>(wake_);
  const Status status = system_.StartWatching(queue);
  if (Failed(status)) {
    queue->Close();
    return status;
  }
  queue_ = std::move(queue);
  std::vector<DeviceInfo> active;
  if (!Failed(system_.Devices(Flow::All, kStateActive, active))) {
    for (const DeviceInfo& device : active) Watch(device.id);
  }
  return kOk;
}

void EventHub::Stop() {
  if (!queue_) return;
  for (const std::wstring& id : watched_) system_.UnwatchVolume(id);
  watched_.clear();
  system_.StopWatching();
  queue_->Close();
  queue_.reset();
}

void EventHub::Watch(const std::wstring& id) {
  if (watched_.count(id)) return;
  // A device can go away between its notification and this call; it then has no volume to
  // watch and its removal follows, so the failure needs no report.
  if (!Failed(system_.WatchVolume(id, queue_))) watched_.insert(id);
}

void EventHub::Unwatch(const std::wstring& id) {
  if (watched_.erase(id)) system_.UnwatchVolume(id);
}

std::vector<AudioEvent> EventHub::Drain() {
  if (!queue_) return {};
  std::vector<AudioEvent> events = queue_->TakeAll();
  for (AudioEvent& event : events) {
    switch (event.kind) {
      case AudioEvent::Kind::DeviceAdded: {
        DeviceInfo device;
        if (!Failed(system_.Device(event.deviceId, device)) && device.state == kStateActive) Watch(event.deviceId);
        break;
      }
      case AudioEvent::Kind::DeviceRemoved:
        Unwatch(event.deviceId);
        break;
      case AudioEvent::Kind::DeviceStateChanged:
        if (event.state == kStateActive)
          Watch(event.deviceId);
        else
          Unwatch(event.deviceId);
        break;
      case AudioEvent::Kind::VolumeChanged:
        event.byThisObject = event.context == ownContext_;
        break;
      case AudioEvent::Kind::DefaultDeviceChanged:
        break;
    }
  }
  return events;
}

}  // namespace tl::audio_operator
