// The operator's checks, device look-up, read-back of writes and failure descriptions, over an
// audio system in memory.
#include "audio_operator/core/device_operator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "audio_operator/tests/fake_audio_system.h"

namespace tl::audio_operator {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::FakeAudioSystem;

constexpr EventContext kOwnContext{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class DeviceOperatorTest : public ::testing::Test {
 protected:
  DeviceOperatorTest() {
    system.Add(L"{speakers}", L"Speakers", Flow::Render);
    system.Add(L"{headset}", L"Headset", Flow::Render, kStateUnplugged);
    system.Add(L"{microphone}", L"Microphone", Flow::Capture);
    system.Add(L"{line-in}", L"Line In", Flow::Capture, kStateDisabled);
    system.defaults[{Flow::Render, Role::Console}] = L"{speakers}";
    system.defaults[{Flow::Capture, Role::Communications}] = L"{microphone}";
  }

  FakeAudioSystem system;
  DeviceOperator op{system, kOwnContext};
};

TEST_F(DeviceOperatorTest, ListsDevicesByFlowAndStateMask) {
  EXPECT_THAT(op.DeviceIds(0, kStateActive).value, ElementsAre(L"{speakers}"));
  EXPECT_THAT(op.DeviceIds(1, kAllStates).value, ElementsAre(L"{line-in}", L"{microphone}"));
  EXPECT_THAT(op.DeviceIds(2, kStateUnplugged | kStateDisabled).value, ElementsAre(L"{headset}", L"{line-in}"));

  for (const int flow : {-1, 3, 1000}) {
    const auto result = op.DeviceIds(flow, kStateActive);
    EXPECT_EQ(result.status, kInvalidArgument) << flow;
    EXPECT_THAT(Narrow(result.description), HasSubstr("render (0), capture (1) or all (2)"));
  }
  for (const std::int64_t mask : {0LL, -1LL, 16LL, 0x100000001LL})
    EXPECT_EQ(op.DeviceIds(0, mask).status, kInvalidArgument) << mask;

  system.listStatus = kNotImplemented;
  EXPECT_EQ(op.DeviceIds(0, kStateActive).status, kNotImplemented);
}

TEST_F(DeviceOperatorTest, UnknownEmptyAndMalformedIdsAreRefusedWithTheirOwnStatus) {
  const auto unknown = op.Device(L"{no-such-device}");
  EXPECT_EQ(unknown.status, kUnknownDevice);
  EXPECT_EQ(unknown.description, L"No audio device has the id '{no-such-device}'.");

  EXPECT_EQ(op.Device(L"").status, kInvalidArgument);
  // The platform would read "{speakers}" and find the wrong device.
  EXPECT_EQ(op.Device(std::wstring(L"{speakers}\0trailing", 19)).status, kUnknownDevice);

  const std::wstring longId(5000, L'x');
  const auto tooLong = op.SetVolume(longId, 0.5);
  EXPECT_EQ(tooLong.status, kUnknownDevice);
  EXPECT_LT(tooLong.description.size(), kShownIdLength + 64) << "long ids are cut in descriptions";

  system.endpoints[L"{headset}"].info.name.clear();
  EXPECT_EQ(op.Volume(L"{headset}").description, L"The audio device '{headset}' is unplugged.")
      << "a device without a name is shown by its id";
}

TEST_F(DeviceOperatorTest, VolumeCallsOnDevicesThatAreNotActiveSayWhy) {
  const auto unplugged = op.Volume(L"{headset}");
  EXPECT_EQ(unplugged.status, kDeviceNotActive);
  EXPECT_EQ(unplugged.description, L"The audio device 'Headset' is unplugged.");
  EXPECT_EQ(op.SetMute(L"{line-in}", true).description, L"The audio device 'Line In' is disabled.");
  system.endpoints[L"{speakers}"].info.state = kStateNotPresent;
  EXPECT_EQ(op.SetVolume(L"{speakers}", 0.5).description, L"The audio device 'Speakers' is not present.");
  // Name, flow and state stay readable whatever the state.
  EXPECT_TRUE(op.Device(L"{headset}").ok());
}

TEST_F(DeviceOperatorTest, PlatformFailuresAreDescribed) {
  system.readStatus = kDeviceInvalidated;
  auto gone = op.Volume(L"{speakers}");
  EXPECT_EQ(gone.status, kDeviceNotActive);
  EXPECT_EQ(gone.description, L"The audio device went away while reading the volume of 'Speakers'.");

  system.readStatus = kOk;
  system.writeStatus = kNotImplemented;
  const auto notImplemented = op.SetVolume(L"{speakers}", 0.5);
  EXPECT_EQ(notImplemented.status, kNotImplemented);
  EXPECT_EQ(notImplemented.description, L"The audio system does not implement setting the volume of 'Speakers'.");

  system.writeStatus = static_cast<Status>(0x80070005u);
  const auto denied = op.SetMute(L"{speakers}", true);
  EXPECT_EQ(denied.status, static_cast<Status>(0x80070005u));
  EXPECT_EQ(denied.description, L"The audio system failed while muting 'Speakers' (0x80070005).");
}

TEST_F(DeviceOperatorTest, DefaultDevicesPerRoleAndTheApplicationDefault) {
  EXPECT_EQ(op.DefaultDevice(0, 0).value, L"{speakers}");
  EXPECT_EQ(op.DefaultDevice(1, static_cast<int>(kApplicationRole)).value, L"{microphone}");

  const auto none = op.DefaultDevice(0, 2);
  EXPECT_EQ(none.status, kNoDefaultDevice);
  EXPECT_EQ(none.description, L"There is no default render device for the communications role.");
  EXPECT_EQ(op.DefaultDevice(2, 0).status, kInvalidArgument) << "all flows have no single default";
  EXPECT_EQ(op.DefaultDevice(0, 3).status, kInvalidArgument);
  EXPECT_EQ(op.DefaultDevice(0, -1).status, kInvalidArgument);
}

TEST_F(DeviceOperatorTest, SettingTheDefaultDeviceIsRefusedUnlessItAlreadyIsTheDefault) {
  EXPECT_TRUE(op.SetDefaultDevice(L"{speakers}", 0).ok()) << "nothing to change";

  const auto refused = op.SetDefaultDevice(L"{speakers}", 1);
  EXPECT_EQ(refused.status, kDefaultNotSettable);
  EXPECT_THAT(Narrow(refused.description), HasSubstr("'Speakers' the default render device for the multimedia role"));
  EXPECT_THAT(Narrow(refused.description), HasSubstr("Sound control panel"));

  EXPECT_EQ(op.SetDefaultDevice(L"{headset}", 0).status, kDeviceNotActive);
  EXPECT_EQ(op.SetDefaultDevice(L"{nothing}", 0).status, kUnknownDevice);
  EXPECT_EQ(op.SetDefaultDevice(L"{speakers}", 9).status, kInvalidArgument);
}

TEST_F(DeviceOperatorTest, VolumeAndMuteRoundTripThroughTheEndpoint) {
  ASSERT_TRUE(op.SetVolume(L"{speakers}", 0.3).ok());
  EXPECT_EQ(op.Volume(L"{speakers}").value, 0.3) << "floats come back rounded to what was asked";
  ASSERT_TRUE(op.SetVolumeDecibels(L"{speakers}", -12.5).ok());
  EXPECT_EQ(op.VolumeDecibels(L"{speakers}").value, -12.5);
  ASSERT_TRUE(op.SetMute(L"{microphone}", true).ok());
  EXPECT_TRUE(op.Mute(L"{microphone}").value);
  const auto range = op.VolumeRange(L"{speakers}").value;
  EXPECT_EQ(range.minimum, -65.25);
  EXPECT_EQ(range.maximum, 0);
  EXPECT_EQ(range.step, 0.03125);

  EXPECT_TRUE(op.SetVolume(L"{speakers}", 0).ok());
  EXPECT_TRUE(op.SetVolume(L"{speakers}", 1).ok());
  EXPECT_TRUE(op.SetVolumeDecibels(L"{speakers}", -65.25).ok()) << "both ends of the range";
}

TEST_F(DeviceOperatorTest, OutOfRangeVolumesAreRefusedBeforeTheEndpointIsTouched) {
  for (const double level : {-0.01, 1.0000001, 2.0, -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()}) {
    const int readsBefore = system.reads;
    const auto result = op.SetVolume(L"{speakers}", level);
    EXPECT_EQ(result.status, kInvalidArgument) << level;
    EXPECT_EQ(system.reads, readsBefore);
  }
  EXPECT_EQ(op.SetVolume(L"{speakers}", 1.5).description, L"The volume 1.5 is outside 0 to 1.");

  const auto tooLow = op.SetVolumeDecibels(L"{speakers}", -70);
  EXPECT_EQ(tooLow.status, kInvalidArgument);
  EXPECT_EQ(tooLow.description, L"-70 dB is outside the volume range of 'Speakers' (-65.25 dB to 0 dB).");
  EXPECT_EQ(op.SetVolumeDecibels(L"{speakers}", 0.5).status, kInvalidArgument);
  EXPECT_EQ(op.SetVolumeDecibels(L"{speakers}", std::nan("")).status, kInvalidArgument);
  EXPECT_EQ(op.Volume(L"{speakers}").value, 1.0) << "nothing was written";
}

TEST_F(DeviceOperatorTest, WritesTheEndpointAcceptsButDoesNotKeepAreReportedNotApplied) {
  system.keepsWrites = false;
  const auto volume = op.SetVolume(L"{speakers}", 0.25);
  EXPECT_EQ(volume.status, kNotApplied);
  EXPECT_EQ(volume.description,
            L"The audio system accepted the volume 0.25 for 'Speakers' but did not apply it: the device still "
            L"reports 1.");
  EXPECT_EQ(op.SetVolumeDecibels(L"{speakers}", -6).status, kNotApplied);
  const auto mute = op.SetMute(L"{speakers}", true);
  EXPECT_EQ(mute.status, kNotApplied);
  EXPECT_EQ(mute.description,
            L"The audio system accepted muting 'Speakers' but did not apply it: the device is still unmuted.");

  // Asking for what the endpoint already reports is no failure, kept or not.
  EXPECT_TRUE(op.SetVolume(L"{speakers}", 1.0).ok());
  EXPECT_TRUE(op.SetMute(L"{speakers}", false).ok());
}

TEST_F(DeviceOperatorTest, AnEndpointThatRoundsToItsOwnStepsHasAppliedTheWrite) {
  system.quantize = [](float v) { return std::round(v * 16) / 16; };
  EXPECT_TRUE(op.SetVolume(L"{speakers}", 0.3).ok());
  EXPECT_EQ(op.Volume(L"{speakers}").value, 0.3125);
}

TEST(FromEndpointFloat, GivesTheDecimalThatWasAskedFor) {
  for (const double value : {0.0, 0.3, 0.123456, 1.0, -23.88, -96.0})
    EXPECT_EQ(FromEndpointFloat(static_cast<float>(value)), value);
}

}  // namespace
}  // namespace tl::audio_operator
