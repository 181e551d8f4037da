// The operator's behaviour behind its COM interface: argument checks, device look-up, volume
// writes that are read back, and a description for every failure (what IErrorInfo carries).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio_operator/core/audio_system.h"
#include "audio_operator/core/audio_types.h"

namespace tl::audio_operator {

struct Outcome {
  Status status = kOk;
  std::wstring description;  // empty on success

  bool ok() const { return !Failed(status); }
};

template <typename T>
struct Result : Outcome {
  T value{};
};

struct VolumeRangeDb {
  double minimum = 0;
  double maximum = 0;
  double step = 0;
};

// Ids longer than this are cut in descriptions.
inline constexpr size_t kShownIdLength = 80;

class DeviceOperator {
 public:
  // `context` marks this operator's own volume changes.
  DeviceOperator(AudioSystem& system, const EventContext& context) : system_(system), context_(context) {}

  // Arguments are taken as a caller passes them (plain integers and doubles) and checked here.
  Result<std::vector<std::wstring>> DeviceIds(int flow, std::int64_t stateMask);
  Result<DeviceInfo> Device(std::wstring_view id);
  Result<std::wstring> DefaultDevice(int flow, int role);
  Outcome SetDefaultDevice(std::wstring_view id, int role);

  Result<double> Volume(std::wstring_view id);
  Outcome SetVolume(std::wstring_view id, double level);
  Result<double> VolumeDecibels(std::wstring_view id);
  Outcome SetVolumeDecibels(std::wstring_view id, double decibels);
  Result<VolumeRangeDb> VolumeRange(std::wstring_view id);
  Result<bool> Mute(std::wstring_view id);
  Outcome SetMute(std::wstring_view id, bool muted);

  const EventContext& context() const { return context_; }

 private:
  Result<DeviceInfo> ActiveDevice(std::wstring_view id);
  Result<VolumeReading> ReadVolume(const DeviceInfo& device);
  Result<VolumeReading> ReadActive(std::wstring_view id);

  AudioSystem& system_;
  EventContext context_;
};

// Platform volumes are floats: 0.3 arrives as 0.30000001192... Callers get the shortest decimal
// that reads back as the same float (0.3), as a person would have written it.
double FromEndpointFloat(float value);

}  // namespace tl::audio_operator
