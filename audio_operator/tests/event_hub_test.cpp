// Notifications from the platform's threads to the operator's clients: the queue's wake-ups and
// coalescing, and the hub's watched devices.
#include "audio_operator/core/event_hub.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio_operator/core/device_operator.h"
#include "audio_operator/tests/fake_audio_system.h"

namespace tl::audio_operator {
namespace {

using ::testing::ElementsAre;
using testing::FakeAudioSystem;
using Kind = AudioEvent::Kind;

constexpr EventContext kOwnContext{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};

AudioEvent Volume(const std::wstring& id, float level) {
  AudioEvent event;
  event.kind = Kind::VolumeChanged;
  event.deviceId = id;
  event.volume = level;
  return event;
}

AudioEvent Of(Kind kind, const std::wstring& id, std::uint32_t state = 0) {
  AudioEvent event;
  event.kind = kind;
  event.deviceId = id;
  event.state = state;
  return event;
}

std::vector<Kind> Kinds(const std::vector<AudioEvent>& events) {
  std::vector<Kind> kinds;
  for (const AudioEvent& event : events) kinds.push_back(event.kind);
  return kinds;
}

TEST(EventQueue, WakesOncePerBurstAndKeepsOnlyTheLastOfConsecutiveVolumeChanges) {
  int wakes = 0;
  EventQueue queue([&] { ++wakes; });
  queue.Post(Volume(L"a", 0.1f));
  queue.Post(Volume(L"a", 0.2f));
  queue.Post(Volume(L"a", 0.3f));
  queue.Post(Volume(L"b", 0.5f));
  queue.Post(Of(Kind::DeviceRemoved, L"a"));
  queue.Post(Volume(L"a", 0.4f));
  EXPECT_EQ(wakes, 1);

  const std::vector<AudioEvent> events = queue.TakeAll();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].volume, 0.3f);
  EXPECT_EQ(events[1].deviceId, L"b");
  EXPECT_EQ(events[2].kind, Kind::DeviceRemoved) << "order across kinds is kept";
  EXPECT_EQ(events[3].volume, 0.4f);

  queue.Post(Of(Kind::DeviceAdded, L"c"));
  EXPECT_EQ(wakes, 2) << "an emptied queue wakes again";
  queue.Close();
  queue.Post(Of(Kind::DeviceAdded, L"d"));
  EXPECT_EQ(wakes, 2);
  EXPECT_TRUE(queue.TakeAll().empty()) << "a closed queue holds nothing";
}

TEST(EventQueue, NotificationsFromManyThreadsAllArrive) {
  std::atomic<int> wakes{0};
  EventQueue queue([&] { ++wakes; });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&queue, t] {
      for (int i = 0; i < 500; ++i) queue.Post(Of(Kind::DeviceStateChanged, std::to_wstring(t), i));
    });
  size_t received = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (received < 2000 && std::chrono::steady_clock::now() < deadline) received += queue.TakeAll().size();
  for (std::thread& thread : threads) thread.join();
  received += queue.TakeAll().size();
  EXPECT_EQ(received, 2000u);
  EXPECT_GE(wakes.load(), 1);
}

class EventHubTest : public ::testing::Test {
 protected:
  EventHubTest() {
    system.Add(L"{speakers}", L"Speakers", Flow::Render);
    system.Add(L"{microphone}", L"Microphone", Flow::Capture);
    system.Add(L"{headset}", L"Headset", Flow::Render, kStateUnplugged);
  }

  std::vector<std::wstring> Watched() const {
    return {hub.watchedDevices().begin(), hub.watchedDevices().end()};
  }

  FakeAudioSystem system;
  int wakes = 0;
  EventHub hub{system, kOwnContext, [this] { ++wakes; }};
};

TEST_F(EventHubTest, WatchesTheVolumeOfExactlyTheActiveDevices) {
  ASSERT_EQ(hub.Start(), kOk);
  EXPECT_THAT(Watched(), ElementsAre(L"{microphone}", L"{speakers}"));

  system.endpoints[L"{headset}"].info.state = kStateActive;
  system.Notify(Of(Kind::DeviceStateChanged, L"{headset}", kStateActive));
  system.Notify(Of(Kind::DeviceStateChanged, L"{microphone}", kStateDisabled));
  system.Add(L"{usb}", L"USB Audio", Flow::Render);
  system.Notify(Of(Kind::DeviceAdded, L"{usb}"));
  system.Add(L"{hdmi}", L"HDMI", Flow::Render, kStateNotPresent);
  system.Notify(Of(Kind::DeviceAdded, L"{hdmi}"));
  system.Notify(Of(Kind::DeviceRemoved, L"{speakers}"));
  EXPECT_EQ(wakes, 1);

  const auto events = hub.Drain();
  EXPECT_THAT(Kinds(events), ElementsAre(Kind::DeviceStateChanged, Kind::DeviceStateChanged, Kind::DeviceAdded,
                                         Kind::DeviceAdded, Kind::DeviceRemoved));
  EXPECT_THAT(Watched(), ElementsAre(L"{headset}", L"{usb}"));
  EXPECT_EQ(system.volumeSinks.size(), 2u);
}

TEST_F(EventHubTest, TellsItsOwnVolumeChangesFromOthers) {
  ASSERT_EQ(hub.Start(), kOk);
  DeviceOperator op(system, kOwnContext);
  ASSERT_TRUE(op.SetVolume(L"{speakers}", 0.5).ok());
  ASSERT_TRUE(op.SetMute(L"{microphone}", true).ok());
  AudioEvent other = Volume(L"{speakers}", 0.25f);
  other.context = EventContext{};
  system.volumeSinks[L"{speakers}"]->Post(other);

  const auto events = hub.Drain();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(events[0].byThisObject);
  EXPECT_EQ(events[0].volume, 0.5f);
  EXPECT_TRUE(events[1].byThisObject);
  EXPECT_TRUE(events[1].muted);
  EXPECT_FALSE(events[2].byThisObject);
  EXPECT_EQ(events[2].volume, 0.25f);
}

TEST_F(EventHubTest, StopEndsEveryWatchAndLaterNotificationsAreDropped) {
  ASSERT_EQ(hub.Start(), kOk);
  EXPECT_EQ(hub.Start(), kOk) << "a second start changes nothing";
  const std::shared_ptr<NotificationSink> oldSink = system.sink;
  hub.Stop();
  EXPECT_FALSE(hub.running());
  EXPECT_FALSE(system.sink);
  EXPECT_TRUE(system.volumeSinks.empty());
  // A platform thread that still held the sink when watching stopped.
  oldSink->Post(Of(Kind::DeviceAdded, L"{late}"));
  EXPECT_TRUE(hub.Drain().empty());
  EXPECT_EQ(wakes, 0);

  ASSERT_EQ(hub.Start(), kOk) << "watching can start again";
  system.Notify(Of(Kind::DeviceRemoved, L"{speakers}"));
  EXPECT_EQ(hub.Drain().size(), 1u);
}

TEST_F(EventHubTest, AFailedStartLeavesNothingWatched) {
  system.watchStatus = kNotImplemented;
  EXPECT_EQ(hub.Start(), kNotImplemented);
  EXPECT_FALSE(hub.running());
  EXPECT_TRUE(system.volumeSinks.empty());
  EXPECT_TRUE(hub.Drain().empty());
}

TEST_F(EventHubTest, ADeviceThatVanishesBeforeItIsWatchedIsSkipped) {
  ASSERT_EQ(hub.Start(), kOk);
  system.Notify(Of(Kind::DeviceStateChanged, L"{gone}", kStateActive));
  EXPECT_EQ(hub.Drain().size(), 1u) << "the event still reaches the client";
  EXPECT_THAT(Watched(), ElementsAre(L"{microphone}", L"{speakers}"));
}

}  // namespace
}  // namespace tl::audio_operator
