// The road of the platform's notifications to the operator's clients: the platform posts them
// on its own threads into a queue; the operator's thread drains the queue, keeps watching the
// volume of exactly the active devices and hands the events on.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "audio_operator/core/audio_system.h"
#include "audio_operator/core/audio_types.h"

namespace tl::audio_operator {

// Thread-safe. `wake` runs when the queue stops being empty, so the owner's thread comes to
// drain it once per burst rather than once per notification. It runs under the queue's lock
// and must only signal (post a message), never call back into the queue.
class EventQueue final : public NotificationSink {
 public:
  explicit EventQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

  // A volume notification that directly follows one of the same device replaces it: a volume
  // slider dragged by a user makes dozens a second and only the last value matters.
  void Post(AudioEvent event) override;
  std::vector<AudioEvent> TakeAll();
  // Later notifications are dropped and wake is not called again once Close returns.
  void Close();

 private:
  std::mutex mutex_;
  std::vector<AudioEvent> pending_;
  bool closed_ = false;
  std::function<void()> wake_;
};

// Lives on the operator's thread.
class EventHub {
 public:
  EventHub(AudioSystem& system, const EventContext& ownContext, std::function<void()> wake)
      : system_(system), ownContext_(ownContext), wake_(std::move(wake)) {}
  ~EventHub() { Stop(); }
  EventHub(const EventHub&) = delete;
  EventHub& operator=(const EventHub&) = delete;

  // Starts the platform's notifications and watches the volume of every active device.
  Status Start();
  void Stop();
  bool running() const { return queue_ != nullptr; }

  // The events that arrived since the last call, in order; adjusts the watched devices to
  // additions, removals and state changes.
  std::vector<AudioEvent> Drain();

  const std::set<std::wstring>& watchedDevices() const { return watched_; }

 private:
  void Watch(const std::wstring& id);
  void Unwatch(const std::wstring& id);

  AudioSystem& system_;
  EventContext ownContext_;
  std::function<void()> wake_;
  std::shared_ptr<EventQueue> queue_;
  std::set<std::wstring> watched_;
};

}  // namespace tl::audio_operator
