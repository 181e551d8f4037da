// Audevop.dll registered and used as its clients use it, against the bench's PulseAudio server
// through Wine's PulseAudio driver: enumeration, defaults, volume and mute, events, bad input,
// a device that goes away, and a script client through cscript.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <fstream>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>
#include <tuple>

#include "audio_operator/tests/operator_client.h"
#include "audio_operator/tests/sound_server.h"
#include "common/testing/wine_testing.h"
#include "common/win32/automation.h"
#include "common/win32/com.h"
#include "common/win32/process.h"
#include "common/win32/text.h"

namespace tl::audio_operator::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using win32::ComPtr;

struct Device {
  std::wstring id;
  LONG flow = -1;
  LONG state = -1;
};

using win32::Bstr;

// An argument for a call.
Bstr Arg(const std::wstring& text) { return Bstr(std::wstring_view(text)); }

std::vector<std::wstring> Strings(VARIANT& array) {
  std::vector<std::wstring> texts;
  if (V_VT(&array) != (VT_ARRAY | VT_VARIANT)) return texts;
  LONG low = 0, high = -1;
  ::SafeArrayGetLBound(V_ARRAY(&array), 1, &low);
  ::SafeArrayGetUBound(V_ARRAY(&array), 1, &high);
  for (LONG i = low; i <= high; ++i) {
    VARIANT element;
    ::VariantInit(&element);
    if (SUCCEEDED(::SafeArrayGetElement(V_ARRAY(&array), &i, &element)) && V_VT(&element) == VT_BSTR)
      texts.emplace_back(V_BSTR(&element), ::SysStringLen(V_BSTR(&element)));
    ::VariantClear(&element);
  }
  ::VariantClear(&array);
  return texts;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class SoundServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registration = new Registration(); }
  static void TearDownTestSuite() {
    delete registration;
    registration = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(HaveSoundServer()) << "run with TL_BENCH_PULSE=1: the bench then starts its sound server";
    ASSERT_TRUE(registration->ok());
    ASSERT_TRUE(apartment.ok());
    CLSID classId{};
    ASSERT_EQ(::CLSIDFromProgID(L"Audevop.AudioDeviceOperator", &classId), S_OK);
    ASSERT_EQ(::CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&op)), S_OK);
  }

  // Every device with the given name, by flow and state.
  std::map<std::wstring, Device> DevicesByName(LONG flow = adoAllFlows, LONG states = adoActive) {
    VARIANT ids;
    ::VariantInit(&ids);
    EXPECT_EQ(op->Devices(static_cast<AudioFlow>(flow), states, &ids), S_OK);
    std::map<std::wstring, Device> devices;
    for (const std::wstring& id : Strings(ids)) {
      Device device{id};
      AudioFlow deviceFlow = adoAllFlows;
      Bstr name;
      EXPECT_EQ(op->DeviceName(Arg(id).get(), name.put()), S_OK);
      EXPECT_EQ(op->DeviceFlow(Arg(id).get(), &deviceFlow), S_OK);
      EXPECT_EQ(op->DeviceState(Arg(id).get(), &device.state), S_OK);
      device.flow = deviceFlow;
      devices[std::wstring(name.view())] = device;
    }
    return devices;
  }

  std::wstring Speakers() {
    const auto devices = DevicesByName(adoRender);
    const auto found = devices.find(kBenchSinkName);
    return found == devices.end() ? std::wstring() : found->second.id;
  }

  std::wstring Default(AudioFlow flow, AudioRole role) {
    Bstr id;
    EXPECT_EQ(op->DefaultDevice(flow, role, id.put()), S_OK) << win32::Narrow(LastErrorDescription());
    return std::wstring(id.view());
  }

  // Runs the script client with cscript; its output, kept for a person to read.
  std::string RunScript(const std::wstring& arguments, const std::wstring& artifact) {
    const std::wstring script = tl::testing::SourceDir() + L"audio_operator\\tests\\scripts\\audevop_client.js";
    const std::wstring output = tl::testing::ArtifactDir() + artifact;
    const std::wstring command = L"/c cscript.exe //nologo " + win32::QuoteArgument(script) + L" " + arguments +
                                 L" > " + win32::QuoteArgument(output) + L" 2>&1";
    EXPECT_EQ(tl::testing::RunProgram(L"cmd.exe", command), 0u) << win32::Narrow(command);
    std::ifstream file(std::filesystem::path(output), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  static Registration* registration;
  win32::ComApartment apartment;
  ComPtr<IAudioDeviceOperator> op;
};

Registration* SoundServer::registration = nullptr;

TEST_F(SoundServer, EnumerationFindsTheServersSinksAndSourcesByName) {
  const auto devices = DevicesByName(adoAllFlows, adoAllStates);
  ASSERT_TRUE(devices.count(kBenchSinkName));
  EXPECT_EQ(devices.at(kBenchSinkName).flow, adoRender);
  EXPECT_EQ(devices.at(kBenchSinkName).state, adoActive);
  ASSERT_TRUE(devices.count(kBenchSourceName));
  EXPECT_EQ(devices.at(kBenchSourceName).flow, adoCapture);
  EXPECT_EQ(devices.at(kBenchSourceName).state, adoActive);

  // Every sink and source the server describes is an active device of its flow.
  const auto render = DevicesByName(adoRender);
  const auto capture = DevicesByName(adoCapture);
  for (const auto& [list, devicesOfFlow, flow] :
       {std::tuple{"sinks", &render, adoRender}, std::tuple{"sources", &capture, adoCapture}}) {
    const auto described = Pactl(std::string("list ") + list);
    ASSERT_TRUE(described);
    int count = 0;
    for (const std::string& line : Lines(*described)) {
      const size_t at = line.find("Description: ");
      if (at == std::string::npos) continue;
      ++count;
      const std::wstring name = win32::Widen(line.substr(at + 13), CP_UTF8);
      ASSERT_TRUE(devicesOfFlow->count(name)) << line;
      EXPECT_EQ(devicesOfFlow->at(name).flow, flow);
    }
    EXPECT_GE(count, 1) << list;
  }
}

TEST_F(SoundServer, DefaultsAreActiveDevicesOfTheirFlowAndTheApplicationDefaultIsTheCommunicationsOne) {
  for (const AudioFlow flow : {adoRender, adoCapture}) {
    const auto active = DevicesByName(flow);
    for (const AudioRole role : {adoConsole, adoMultimedia, adoCommunications}) {
      const std::wstring id = Default(flow, role);
      bool listed = false;
      for (const auto& [name, device] : active) listed = listed || device.id == id;
      EXPECT_TRUE(listed) << win32::Narrow(id);
    }
    Bstr application;
    ASSERT_EQ(op->ApplicationDefaultDevice(flow, application.put()), S_OK);
    EXPECT_EQ(application.view(), Default(flow, adoCommunications));
  }
}

TEST_F(SoundServer, VolumeAndMuteSucceedOnlyWhenTheServerHasThem) {
  const std::wstring speakers = Speakers();
  ASSERT_FALSE(speakers.empty());
  ASSERT_EQ(SinkVolumePercent(kBenchSink), 100);
  ASSERT_EQ(SinkMuted(kBenchSink), false);

  // Wine 8.0 keeps endpoint volume and mute inside each control object and never passes them
  // to the server; the operator reads its writes back and must then fail rather than pretend.
  const HRESULT volume = op->SetVolume(Arg(speakers).get(), 0.5);
  if (SUCCEEDED(volume)) {
    EXPECT_NEAR(*SinkVolumePercent(kBenchSink), 50, 2);
  } else {
    EXPECT_THAT(win32::Narrow(LastErrorDescription()), HasSubstr("'Bench Speakers'"));
    EXPECT_EQ(SinkVolumePercent(kBenchSink), 100);
  }
  const HRESULT decibels = op->SetVolumeDecibels(Arg(speakers).get(), -12);
  if (SUCCEEDED(decibels)) {
    EXPECT_LT(*SinkVolumePercent(kBenchSink), 100);
  } else {
    EXPECT_EQ(decibels, AUDEVOP_E_NOT_APPLIED);
    EXPECT_THAT(win32::Narrow(LastErrorDescription()), HasSubstr("did not apply it"));
    EXPECT_EQ(SinkVolumePercent(kBenchSink), 100);
  }
  const HRESULT mute = op->SetMute(Arg(speakers).get(), VARIANT_TRUE);
  if (SUCCEEDED(mute)) {
    EXPECT_EQ(SinkMuted(kBenchSink), true);
  } else {
    EXPECT_EQ(mute, AUDEVOP_E_NOT_APPLIED);
    EXPECT_EQ(LastErrorDescription(),
              L"The audio system accepted muting 'Bench Speakers' but did not apply it: the device is still unmuted.");
    EXPECT_EQ(SinkMuted(kBenchSink), false);
  }
  RecordProperty("SetVolume", static_cast<int>(volume));
  RecordProperty("SetVolumeDecibels", static_cast<int>(decibels));
  RecordProperty("SetMute", static_cast<int>(mute));
}

TEST_F(SoundServer, VolumeChangedWithPactlReachesTheClient) {
  const std::wstring speakers = Speakers();
  ASSERT_FALSE(speakers.empty());
  auto* recorder = new EventRecorder();
  const ComPtr<IDispatch> sink(recorder);
  EventConnection connection(op.Get(), sink.Get());
  ASSERT_EQ(connection.result(), S_OK);

  ASSERT_TRUE(Pactl(std::string("set-sink-volume ") + kBenchSink + " 40%"));
  ASSERT_TRUE(Pactl(std::string("set-sink-mute ") + kBenchSink + " 1"));
  const auto heard = [&] {
    for (const ReceivedEvent& event : recorder->events)
      if (event.id == 5 && event.deviceId == speakers && event.muted) return true;
    return false;
  };
  double level = -1;
  if (!PumpMessagesUntil(heard, 3000) && SUCCEEDED(op->GetVolume(Arg(speakers).get(), &level)) && std::fabs(level - 0.4) > 0.02)
    GTEST_SKIP() << "the audio system does not see the server's volume (it reports " << level
                 << "): Wine 8.0 keeps the endpoint volume of its own and sends no volume notifications";
  ASSERT_TRUE(heard());
  const ReceivedEvent& event = recorder->events.back();
  EXPECT_NEAR(event.volume, 0.4, 0.02);
  EXPECT_FALSE(event.byThisObject);
}

TEST_F(SoundServer, DefaultSinkChangedWithPactlReachesTheClient) {
  auto* recorder = new EventRecorder();
  const ComPtr<IDispatch> sink(recorder);
  EventConnection connection(op.Get(), sink.Get());
  ASSERT_EQ(connection.result(), S_OK);
  ExtraNullSink second("bench_second", "Bench Second");
  ASSERT_TRUE(second.loaded());
  ASSERT_TRUE(Pactl("set-default-sink bench_second"));
  const auto heard = [&] {
    for (const ReceivedEvent& event : recorder->events)
      if (event.id == 1 && event.flow == adoRender) return true;
    return false;
  };
  const bool notified = PumpMessagesUntil(heard, 3000);
  Pactl(std::string("set-default-sink ") + kBenchSink);
  if (!notified)
    GTEST_SKIP() << "no default-device notification: Wine 8.0's default render device follows the server's "
                    "default sink without telling Core Audio clients, and it sees sinks only as they were when "
                    "the process first asked";
  EXPECT_THAT(win32::Narrow(recorder->events.back().deviceId), ::testing::Not(::testing::IsEmpty()));
}

TEST_F(SoundServer, ADefaultDeviceChosenInWinesAudioSettingsReachesEveryConnectedClient) {
  const std::wstring speakers = Speakers();
  ASSERT_FALSE(speakers.empty());
  const std::wstring before = Default(adoRender, adoConsole);
  ASSERT_NE(before, speakers) << "the bench's default is Wine's device that follows the server";

  auto* first = new EventRecorder();
  auto* second = new EventRecorder();
  const ComPtr<IDispatch> firstSink(first), secondSink(second);
  EventConnection firstConnection(op.Get(), firstSink.Get());
  ASSERT_EQ(firstConnection.result(), S_OK);
  auto secondConnection = std::make_unique<EventConnection>(op.Get(), secondSink.Get());
  ASSERT_EQ(secondConnection->result(), S_OK);
  EXPECT_NE(firstConnection.cookie(), secondConnection->cookie());

  const auto heardFor = [](EventRecorder* recorder, const std::wstring& id) {
    return [recorder, id] {
      for (const ReceivedEvent& event : recorder->events)
        if (event.id == 1 && event.flow == adoRender && event.role == adoConsole && event.deviceId == id) return true;
      return false;
    };
  };
  {
    WineDefaultDeviceChoice choice(L"DefaultOutput");
    ASSERT_TRUE(choice.Choose(speakers));
    ASSERT_TRUE(PumpMessagesUntil(heardFor(first, speakers), 5000)) << "no DefaultDeviceChanged event";
    ASSERT_TRUE(PumpMessagesUntil(heardFor(second, speakers), 1000));
    EXPECT_EQ(Default(adoRender, adoConsole), speakers);
    EXPECT_EQ(Default(adoRender, adoMultimedia), speakers);

    // A disconnected sink hears no more.
    secondConnection.reset();
    const size_t secondHeard = second->events.size();
    ASSERT_TRUE(choice.Choose(before));
    ASSERT_TRUE(PumpMessagesUntil(heardFor(first, before), 5000));
    EXPECT_EQ(second->events.size(), secondHeard);
  }
  EXPECT_EQ(Default(adoRender, adoConsole), before);

  // The application default is the communications role's.
  WineDefaultDeviceChoice voice(L"DefaultVoiceOutput");
  ASSERT_TRUE(voice.Choose(speakers));
  Bstr application;
  ASSERT_TRUE(PumpMessagesUntil(
      [&] { return SUCCEEDED(op->ApplicationDefaultDevice(adoRender, application.put())) && application.view() == speakers; },
      5000));
}

// The operator's own checks are unit-tested natively; here they reach a C++ client through
// HRESULTs and IErrorInfo, with what only the platform knows (the device's range).
TEST_F(SoundServer, BadInputFailsWithADescriptionAndNeverCrashes) {
  const std::wstring speakers = Speakers();
  ASSERT_FALSE(speakers.empty());
  const auto expectFailure = [](HRESULT hr, HRESULT expected, const char* fragment) {
    EXPECT_EQ(hr, expected) << fragment;
    EXPECT_THAT(win32::Narrow(LastErrorDescription()), HasSubstr(fragment));
  };
  double level = 0;
  Bstr text;
  expectFailure(op->GetVolume(Arg(L"{0.0.0.00000000}.{DEADBEEF-0000-0000-0000-000000000000}").get(), &level),
                AUDEVOP_E_UNKNOWN_DEVICE, "No audio device has the id");
  expectFailure(op->DeviceName(nullptr, text.put()), E_INVALIDARG, "No device id was given.");
  expectFailure(op->GetVolume(Arg(speakers).get(), nullptr), E_POINTER, "The pointer for the result is null.");
  expectFailure(op->SetVolume(Arg(speakers).get(), std::numeric_limits<double>::quiet_NaN()), E_INVALIDARG,
                "not a number");
  expectFailure(op->SetVolumeDecibels(Arg(speakers).get(), 20), E_INVALIDARG,
                "20 dB is outside the volume range of 'Bench Speakers' (-100 dB to 0 dB).");

  const std::wstring current = Default(adoRender, adoConsole);
  ASSERT_NE(current, speakers);
  expectFailure(op->SetDefaultDevice(Arg(speakers).get(), adoConsole), AUDEVOP_E_DEFAULT_NOT_SETTABLE,
                "Programs cannot make 'Bench Speakers' the default render device for the console role");
  expectFailure(op->SetApplicationDefaultDevice(Arg(speakers).get()), AUDEVOP_E_DEFAULT_NOT_SETTABLE, "communications role");
  EXPECT_EQ(op->SetDefaultDevice(Arg(current).get(), adoConsole), S_OK) << "it already is the default";
  ComPtr<IErrorInfo> stale;
  EXPECT_EQ(::GetErrorInfo(0, &stale), S_FALSE) << "a successful call leaves no error information";
}

TEST_F(SoundServer, AScriptClientDrivesTheObjectThroughCscript) {
  const std::vector<std::string> report = Lines(RunScript(L"report", L"audevop_client_report.txt"));
  const std::string speakers = win32::Narrow(Speakers(), CP_UTF8);
  EXPECT_THAT(report, Contains("device|render|1|" + speakers + "|Bench Speakers"));
  EXPECT_THAT(report, Contains(::testing::MatchesRegex("device\\|capture\\|1\\|.*\\|Bench Microphone")));
  const std::string defaultRender = win32::Narrow(Default(adoRender, adoConsole), CP_UTF8);
  EXPECT_THAT(report, Contains("default|render|console|" + defaultRender));
  EXPECT_THAT(report, Contains(::testing::MatchesRegex("application-default\\|capture\\|\\{.*\\}")));
  EXPECT_THAT(report, Contains(::testing::StartsWith("volume|" + speakers + "|")));

  const std::vector<std::string> refusals = Lines(RunScript(L"refusals", L"audevop_client_refusals.txt"));
  EXPECT_THAT(refusals, Contains("error|SetVolume 1.5|0x80070057|The volume 1.5 is outside 0 to 1."));
  EXPECT_THAT(refusals, Contains(::testing::StartsWith("error|GetVolume unknown|0x80040201|No audio device has the id")));
  EXPECT_THAT(refusals, Contains(::testing::StartsWith("error|SetDefaultDevice Bench Speakers|0x80040204|")));
  EXPECT_THAT(refusals, Contains("ok|SetDefaultDevice current"));
}

TEST_F(SoundServer, ADeviceThatWentAwayIsReportedNotPresent) {
  ExtraNullSink headset("bench_headset", "Bench Headset");
  ASSERT_TRUE(headset.loaded());
  // Each script run is a new process, which sees the server's devices as they are then.
  const std::vector<std::string> present = Lines(RunScript(L"device \"Bench Headset\"", L"audevop_client_headset.txt"));
  ASSERT_THAT(present, Contains(::testing::MatchesRegex("state\\|\\{.*\\}\\|1")));
  EXPECT_THAT(present, Contains(::testing::StartsWith("ok|GetVolume|")));

  headset.Unload();
  const std::vector<std::string> gone = Lines(RunScript(L"device \"Bench Headset\"", L"audevop_client_headset_gone.txt"));
  EXPECT_THAT(gone, Contains(::testing::MatchesRegex("state\\|\\{.*\\}\\|4")));
  EXPECT_THAT(gone, Contains("error|GetVolume|0x80040202|The audio device 'Bench Headset' is not present."));
}

}  // namespace
}  // namespace tl::audio_operator::testing
