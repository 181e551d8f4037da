// The bench's PulseAudio server as the Windows-side tests reach it: pactl run on the host
// (Wine starts Unix programs), and the default devices Wine's own audio settings choose.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tl::audio_operator::testing {

// Names the bench's server gives its null sink and source (scripts/pulse-server).
inline constexpr char kBenchSink[] = "bench_speakers";
inline constexpr wchar_t kBenchSinkName[] = L"Bench Speakers";
inline constexpr wchar_t kBenchSourceName[] = L"Bench Microphone";

// True when the test runs with the bench's sound server (TL_BENCH_PULSE=1 gave PULSE_SERVER).
bool HaveSoundServer();

struct HostResult {
  int exitCode = -1;
  std::string output;  // standard output and error together
};

// Runs `command` with the host's /bin/sh. Wine starts Unix programs but gives their caller no
// process handle, so the command's output and exit code come back through files that this
// function waits for. Nothing when the command did not finish in time.
std::optional<HostResult> RunOnHost(const std::string& command, DWORD timeoutMs = 15000);

// pactl against the bench's server; its output, or nothing when it failed (a test failure
// that shows pactl's own message).
std::optional<std::string> Pactl(const std::string& arguments);
// The first channel's volume of a sink in percent, and whether it is muted.
std::optional<int> SinkVolumePercent(const std::string& sink);
std::optional<bool> SinkMuted(const std::string& sink);

// A null sink loaded into the server for a test's lifetime, as hot-plugged hardware would be.
class ExtraNullSink {
 public:
  ExtraNullSink(const std::string& sinkName, const std::string& description);
  ~ExtraNullSink() { Unload(); }
  ExtraNullSink(const ExtraNullSink&) = delete;
  ExtraNullSink& operator=(const ExtraNullSink&) = delete;
  bool loaded() const { return !module_.empty(); }
  void Unload();

 private:
  std::string module_;  // pactl's index of the module
};

// Wine keeps the user's choice of default devices (the Audio tab of its configuration program)
// in HKCU\Software\Wine\Drivers\winepulse.drv, one value per flow and role: "DefaultOutput"
// (render, console and multimedia), "DefaultVoiceOutput" (render, communications), and the
// Input ones for capture. Setting a value is how a user of Wine changes the default device;
// the guard puts back what was there.
class WineDefaultDeviceChoice {
 public:
  explicit WineDefaultDeviceChoice(const wchar_t* value);
  ~WineDefaultDeviceChoice();
  WineDefaultDeviceChoice(const WineDefaultDeviceChoice&) = delete;
  WineDefaultDeviceChoice& operator=(const WineDefaultDeviceChoice&) = delete;
  bool Choose(const std::wstring& deviceId);

 private:
  std::wstring value_;
  std::optional<std::wstring> saved_;
};

}  // namespace tl::audio_operator::testing
