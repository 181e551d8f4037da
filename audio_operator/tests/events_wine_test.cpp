// The operator's events through its connection point, over an audio system in memory whose
// notifications come from another thread as Core Audio's do: every event with its arguments on
// the creating thread, its own volume changes marked, watching only while sinks listen, and
// sinks that disconnect or let the operator go while they are called.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>

#include <memory>
#include <thread>

#include "audio_operator/tests/fake_audio_system.h"
#include "audio_operator/tests/operator_client.h"
#include "audio_operator/win32/device_operator_object.h"
#include "common/win32/automation.h"
#include "common/win32/com.h"

namespace tl::audio_operator::testing {
namespace {

using win32::ComPtr;

AudioEvent Event(AudioEvent::Kind kind, const std::wstring& id) {
  AudioEvent event;
  event.kind = kind;
  event.deviceId = id;
  return event;
}

class OperatorEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment.ok());
    auto fake = std::make_unique<FakeAudioSystem>();
    fake->Add(L"{speakers}", L"Speakers", Flow::Render);
    fake->Add(L"{microphone}", L"Microphone", Flow::Capture);
    system = fake.get();
    ASSERT_EQ(CreateDeviceOperatorOn(std::move(fake), IID_PPV_ARGS(&op)), S_OK);
    recorder = new EventRecorder();
    sink = recorder;
  }

  // Posts from a thread of its own, as the platform does.
  void FromAnotherThread(const std::function<void()>& post) { std::thread(post).join(); }

  bool Received(size_t count, DWORD timeoutMs = 3000) {
    return PumpMessagesUntil([&] { return recorder->events.size() >= count; }, timeoutMs);
  }

  win32::ComApartment apartment;
  ComPtr<IAudioDeviceOperator> op;
  FakeAudioSystem* system = nullptr;  // owned by the operator
  EventRecorder* recorder = nullptr;
  ComPtr<IDispatch> sink;
};

TEST_F(OperatorEvents, EveryEventReachesTheSinkOnTheCreatingThreadWithItsArguments) {
  EventConnection connection(op.Get(), sink.Get());
  ASSERT_EQ(connection.result(), S_OK);
  FromAnotherThread([&] {
    system->Notify(Event(AudioEvent::Kind::DeviceAdded, L"{usb}"));
    system->Notify(Event(AudioEvent::Kind::DeviceRemoved, L"{hdmi}"));
    AudioEvent state = Event(AudioEvent::Kind::DeviceStateChanged, L"{microphone}");
    state.state = kStateUnplugged;
    system->Notify(state);
    AudioEvent noDefault = Event(AudioEvent::Kind::DefaultDeviceChanged, L"");
    noDefault.flow = Flow::Capture;
    noDefault.role = Role::Communications;
    system->Notify(noDefault);
    AudioEvent volume = Event(AudioEvent::Kind::VolumeChanged, L"{speakers}");
    volume.volume = 0.3f;
    volume.muted = true;
    system->volumeSinks.at(L"{speakers}")->Post(volume);
  });
  ASSERT_TRUE(Received(5));
  const auto& events = recorder->events;
  ASSERT_EQ(events.size(), 5u);
  for (const ReceivedEvent& event : events) EXPECT_EQ(event.threadId, ::GetCurrentThreadId());
  EXPECT_EQ(events[0].id, 2);
  EXPECT_EQ(events[0].deviceId, L"{usb}");
  EXPECT_EQ(events[1].id, 3);
  EXPECT_EQ(events[1].deviceId, L"{hdmi}");
  EXPECT_EQ(events[2].id, 4);
  EXPECT_EQ(events[2].deviceId, L"{microphone}");
  EXPECT_EQ(events[2].state, adoUnplugged);
  EXPECT_EQ(events[3].id, 1);
  EXPECT_EQ(events[3].flow, adoCapture);
  EXPECT_EQ(events[3].role, adoCommunications);
  EXPECT_EQ(events[3].deviceId, L"") << "no default device any more";
  EXPECT_EQ(events[4].id, 5);
  EXPECT_EQ(events[4].deviceId, L"{speakers}");
  EXPECT_EQ(events[4].volume, 0.3);
  EXPECT_TRUE(events[4].muted);
  EXPECT_FALSE(events[4].byThisObject);
  // The unplugged microphone's volume is no longer watched.
  EXPECT_EQ(system->volumeSinks.count(L"{microphone}"), 0u);
}

TEST_F(OperatorEvents, ChangesThisObjectMadeAreMarkedAsItsOwn) {
  EventConnection connection(op.Get(), sink.Get());
  ASSERT_EQ(connection.result(), S_OK);
  const win32::Bstr speakers(L"{speakers}");
  ASSERT_EQ(op->SetVolume(speakers.get(), 0.25), S_OK);
  ASSERT_TRUE(Received(1));
  EXPECT_TRUE(recorder->events[0].byThisObject);
  EXPECT_EQ(recorder->events[0].volume, 0.25);

  // Another operator's change is not this one's.
  ComPtr<IAudioDeviceOperator> other;
  ASSERT_EQ(CreateDeviceOperatorOn(std::make_unique<FakeAudioSystem>(), IID_PPV_ARGS(&other)), S_OK);
  AudioEvent foreign = Event(AudioEvent::Kind::VolumeChanged, L"{speakers}");
  foreign.volume = 0.75f;
  system->volumeSinks.at(L"{speakers}")->Post(foreign);
  ASSERT_TRUE(Received(2));
  EXPECT_FALSE(recorder->events[1].byThisObject);
}

TEST_F(OperatorEvents, ThePlatformIsWatchedOnlyWhileSinksListen) {
  EXPECT_FALSE(system->sink);
  auto first = std::make_unique<EventConnection>(op.Get(), sink.Get());
  ASSERT_EQ(first->result(), S_OK);
  EXPECT_TRUE(system->sink);
  EXPECT_EQ(system->volumeSinks.size(), 2u);
  auto* otherRecorder = new EventRecorder();
  const ComPtr<IDispatch> otherSink(otherRecorder);
  auto second = std::make_unique<EventConnection>(op.Get(), otherSink.Get());
  ASSERT_EQ(second->result(), S_OK);

  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(op.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID__IAudioDeviceOperatorEvents, &point), S_OK);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  CONNECTDATA data[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  for (ULONG i = 0; i < fetched; ++i) {
    ComPtr<IUnknown> held;
    *held.GetAddressOf() = data[i].pUnk;  // takes over the reference Next handed out
    EXPECT_TRUE(data[i].dwCookie == first->cookie() || data[i].dwCookie == second->cookie());
  }

  first.reset();
  EXPECT_TRUE(system->sink) << "one sink still listens";
  const std::shared_ptr<NotificationSink> stale = system->sink;
  second.reset();
  EXPECT_FALSE(system->sink);
  EXPECT_TRUE(system->volumeSinks.empty());
  // A platform thread that still held the queue posts into a closed one.
  FromAnotherThread([&] { stale->Post(Event(AudioEvent::Kind::DeviceAdded, L"{late}")); });
  EXPECT_FALSE(PumpMessagesUntil([&] { return !recorder->events.empty() || !otherRecorder->events.empty(); }, 300));

  system->watchStatus = E_ACCESSDENIED;
  EventConnection refused(op.Get(), sink.Get());
  EXPECT_EQ(refused.result(), E_ACCESSDENIED) << "Advise says why no events can come";
  DWORD cookie = 1;
  EXPECT_EQ(point->Advise(op.Get(), &cookie), CONNECT_E_CANNOTCONNECT) << "not a sink of the events";
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
}

TEST_F(OperatorEvents, ASinkMayDisconnectItselfWhileItIsCalled) {
  auto connection = std::make_unique<EventConnection>(op.Get(), sink.Get());
  ASSERT_EQ(connection->result(), S_OK);
  recorder->onEvent = [&](const ReceivedEvent&) { connection.reset(); };
  FromAnotherThread([&] {
    system->Notify(Event(AudioEvent::Kind::DeviceAdded, L"{one}"));
    system->Notify(Event(AudioEvent::Kind::DeviceAdded, L"{two}"));
  });
  ASSERT_TRUE(Received(1));
  EXPECT_FALSE(PumpMessagesUntil([&] { return recorder->events.size() > 1; }, 300));
  EXPECT_FALSE(system->sink);
}

TEST_F(OperatorEvents, ASinkMayReleaseTheLastReferenceToTheOperatorWhileItIsCalled) {
  auto connection = std::make_unique<EventConnection>(op.Get(), sink.Get());
  ASSERT_EQ(connection->result(), S_OK);
  recorder->onEvent = [&](const ReceivedEvent&) {
    connection.reset();
    op.Reset();  // the operator ends once the delivery is over
  };
  FromAnotherThread([&] { system->Notify(Event(AudioEvent::Kind::DeviceRemoved, L"{gone}")); });
  ASSERT_TRUE(Received(1));
  EXPECT_FALSE(op);
  // Messages still queued for the ended operator's window find nothing.
  PumpMessagesUntil([] { return false; }, 100);
}

}  // namespace
}  // namespace tl::audio_operator::testing
