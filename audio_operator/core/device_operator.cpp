#include "audio_operator/core/device_operator.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace tl::audio_operator {
namespace {

// A volume counts as applied when the endpoint reports the requested value within this
// distance, or when the reading moved at all (an endpoint may round to its own steps).
constexpr double kScalarTolerance = 0.005;
constexpr double kDecibelTolerance = 0.01;
constexpr double kMovement = 1e-6;

std::wstring Number(double value) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%g", value);
  return text;
}

std::wstring Hex(Status status) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(status));
  return text;
}

std::wstring Quoted(std::wstring_view text) {
  if (text.size() > kShownIdLength) return L"'" + std::wstring(text.substr(0, kShownIdLength)) + L"...'";
  return L"'" + std::wstring(text) + L"'";
}

std::wstring Label(const DeviceInfo& device) { return Quoted(device.name.empty() ? device.id : device.name); }

const wchar_t* FlowWord(Flow flow) { return flow == Flow::Capture ? L"capture" : L"render"; }

const wchar_t* RoleWord(Role role) {
  switch (role) {
    case Role::Console: return L"console";
    case Role::Multimedia: return L"multimedia";
    case Role::Communications: return L"communications";
  }
  return L"";
}

const wchar_t* StateWords(std::uint32_t state) {
  switch (state) {
    case kStateActive: return L"active";
    case kStateDisabled: return L"disabled";
    case kStateNotPresent: return L"not present";
    case kStateUnplugged: return L"unplugged";
  }
  return L"in an unknown state";
}

Outcome Failure(Status status, std::wstring description) { return Outcome{status, std::move(description)}; }

template <typename T>
Result<T> Failure(const Outcome& outcome) {
  Result<T> result;
  static_cast<Outcome&>(result) = outcome;
  return result;
}

template <typename T>
Result<T> Success(T value) {
  Result<T> result;
  result.value = std::move(value);
  return result;
}

// `action` names what was being done, e.g. "setting the volume of 'Speakers'".
Outcome PlatformFailure(Status status, const std::wstring& action) {
  if (status == kNotFound || status == kDeviceInvalidated)
    return Failure(kDeviceNotActive, L"The audio device went away while " + action + L".");
  if (status == kNotImplemented)
    return Failure(kNotImplemented, L"The audio system does not implement " + action + L".");
  if (status == kOutOfMemory) return Failure(kOutOfMemory, L"Out of memory while " + action + L".");
  return Failure(status, L"The audio system failed while " + action + L" (" + Hex(status) + L").");
}

std::optional<Flow> FlowFrom(int value, bool allowAll) {
  if (value == static_cast<int>(Flow::Render) || value == static_cast<int>(Flow::Capture) ||
      (allowAll && value == static_cast<int>(Flow::All)))
    return static_cast<Flow>(value);
  return std::nullopt;
}

std::optional<Role> RoleFrom(int value) {
  if (value >= static_cast<int>(Role::Console) && value <= static_cast<int>(Role::Communications))
    return static_cast<Role>(value);
  return std::nullopt;
}

Outcome BadRole(int role) {
  return Failure(kInvalidArgument, L"The role " + std::to_wstring(role) +
                                       L" is not one of console (0), multimedia (1) or communications (2).");
}

bool Taken(double before, double after, double requested, double tolerance) {
  return std::fabs(after - requested) <= tolerance || std::fabs(after - before) > kMovement;
}

}  // namespace

double FromEndpointFloat(float value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double result = value;
  if (written.ec == std::errc()) std::from_chars(text, written.ptr, result);
  return result;
}

Result<std::vector<std::wstring>> DeviceOperator::DeviceIds(int flow, std::int64_t stateMask) {
  const std::optional<Flow> parsedFlow = FlowFrom(flow, true);
  if (!parsedFlow)
    return Failure<std::vector<std::wstring>>(Failure(
        kInvalidArgument, L"The flow " + std::to_wstring(flow) + L" is not one of render (0), capture (1) or all (2)."));
  if (stateMask <= 0 || stateMask > kAllStates)
    return Failure<std::vector<std::wstring>>(
        Failure(kInvalidArgument, L"The state mask " + std::to_wstring(stateMask) +
                                      L" is not a combination of active (1), disabled (2), not present (4) and "
                                      L"unplugged (8)."));
  std::vector<DeviceInfo> devices;
  const Status status = system_.Devices(*parsedFlow, static_cast<std::uint32_t>(stateMask), devices);
  if (Failed(status)) return Failure<std::vector<std::wstring>>(PlatformFailure(status, L"listing the audio devices"));
  std::vector<std::wstring> ids;
  ids.reserve(devices.size());
  for (DeviceInfo& device : devices) ids.push_back(std::move(device.id));
  return Success(std::move(ids));
}

Result<DeviceInfo> DeviceOperator::Device(std::wstring_view id) {
  if (id.empty()) return Failure<DeviceInfo>(Failure(kInvalidArgument, L"No device id was given."));
  // The platform reads ids up to the first null character; no id holds one.
  if (id.find(L'\0') != std::wstring_view::npos)
    return Failure<DeviceInfo>(Failure(kUnknownDevice, L"No audio device has an id with a null character."));
  DeviceInfo device;
  const Status status = system_.Device(std::wstring(id), device);
  if (status == kNotFound)
    return Failure<DeviceInfo>(Failure(kUnknownDevice, L"No audio device has the id " + Quoted(id) + L"."));
  if (Failed(status))
    return Failure<DeviceInfo>(PlatformFailure(status, L"looking up the audio device " + Quoted(id)));
  return Success(std::move(device));
}

Result<DeviceInfo> DeviceOperator::ActiveDevice(std::wstring_view id) {
  Result<DeviceInfo> device = Device(id);
  if (device.ok() && device.value.state != kStateActive)
    return Failure<DeviceInfo>(Failure(
        kDeviceNotActive, L"The audio device " + Label(device.value) + L" is " + StateWords(device.value.state) + L"."));
  return device;
}

Result<std::wstring> DeviceOperator::DefaultDevice(int flow, int role) {
  const std::optional<Flow> parsedFlow = FlowFrom(flow, false);
  if (!parsedFlow)
    return Failure<std::wstring>(Failure(kInvalidArgument, L"The flow " + std::to_wstring(flow) +
                                                               L" has no default device; use render (0) or capture (1)."));
  const std::optional<Role> parsedRole = RoleFrom(role);
  if (!parsedRole) return Failure<std::wstring>(BadRole(role));
  std::wstring id;
  const Status status = system_.DefaultDevice(*parsedFlow, *parsedRole, id);
  if (status == kNotFound)
    return Failure<std::wstring>(Failure(kNoDefaultDevice, std::wstring(L"There is no default ") + FlowWord(*parsedFlow) +
                                                               L" device for the " + RoleWord(*parsedRole) + L" role."));
  if (Failed(status))
    return Failure<std::wstring>(PlatformFailure(
        status, std::wstring(L"reading the default ") + FlowWord(*parsedFlow) + L" device"));
  return Success(std::move(id));
}

Outcome DeviceOperator::SetDefaultDevice(std::wstring_view id, int role) {
  const std::optional<Role> parsedRole = RoleFrom(role);
  if (!parsedRole) return BadRole(role);
  const Result<DeviceInfo> device = ActiveDevice(id);
  if (!device.ok()) return device;
  std::wstring current;
  if (!Failed(system_.DefaultDevice(device.value.flow, *parsedRole, current)) && current == device.value.id)
    return {};  // already the default: nothing to change
  return Failure(kDefaultNotSettable,
                 L"Programs cannot make " + Label(device.value) + L" the default " + FlowWord(device.value.flow) +
                     L" device for the " + RoleWord(*parsedRole) +
                     L" role: Windows offers no documented interface for it. Choose it in the Sound control panel.");
}

Result<VolumeReading> DeviceOperator::ReadVolume(const DeviceInfo& device) {
  VolumeReading reading;
  const Status status = system_.ReadVolume(device.id, reading);
  if (Failed(status)) return Failure<VolumeReading>(PlatformFailure(status, L"reading the volume of " + Label(device)));
  return Success(reading);
}

Result<VolumeReading> DeviceOperator::ReadActive(std::wstring_view id) {
  const Result<DeviceInfo> device = ActiveDevice(id);
  if (!device.ok()) return Failure<VolumeReading>(device);
  return ReadVolume(device.value);
}

Result<double> DeviceOperator::Volume(std::wstring_view id) {
  const Result<VolumeReading> reading = ReadActive(id);
  if (!reading.ok()) return Failure<double>(reading);
  return Success(FromEndpointFloat(reading.value.scalar));
}

Outcome DeviceOperator::SetVolume(std::wstring_view id, double level) {
  if (std::isnan(level)) return Failure(kInvalidArgument, L"The volume is not a number; give a value from 0 to 1.");
  if (level < 0 || level > 1)
    return Failure(kInvalidArgument, L"The volume " + Number(level) + L" is outside 0 to 1.");
  const Result<DeviceInfo> device = ActiveDevice(id);
  if (!device.ok()) return device;
  const Result<VolumeReading> before = ReadVolume(device.value);
  if (!before.ok()) return before;
  const Status status = system_.WriteVolume(device.value.id, static_cast<float>(level), context_);
  if (Failed(status)) return PlatformFailure(status, L"setting the volume of " + Label(device.value));
  const Result<VolumeReading> after = ReadVolume(device.value);
  if (!after.ok()) return after;
  if (Taken(before.value.scalar, after.value.scalar, level, kScalarTolerance)) return {};
  return Failure(kNotApplied, L"The audio system accepted the volume " + Number(level) + L" for " +
                                  Label(device.value) + L" but did not apply it: the device still reports " +
                                  Number(FromEndpointFloat(after.value.scalar)) + L".");
}

Result<double> DeviceOperator::VolumeDecibels(std::wstring_view id) {
  const Result<VolumeReading> reading = ReadActive(id);
  if (!reading.ok()) return Failure<double>(reading);
  return Success(FromEndpointFloat(reading.value.decibels));
}

Outcome DeviceOperator::SetVolumeDecibels(std::wstring_view id, double decibels) {
  if (std::isnan(decibels)) return Failure(kInvalidArgument, L"The volume in decibels is not a number.");
  const Result<DeviceInfo> device = ActiveDevice(id);
  if (!device.ok()) return device;
  const Result<VolumeReading> before = ReadVolume(device.value);
  if (!before.ok()) return before;
  const double minimum = FromEndpointFloat(before.value.minDecibels);
  const double maximum = FromEndpointFloat(before.value.maxDecibels);
  if (decibels < minimum || decibels > maximum)
    return Failure(kInvalidArgument, Number(decibels) + L" dB is outside the volume range of " + Label(device.value) +
                                         L" (" + Number(minimum) + L" dB to " + Number(maximum) + L" dB).");
  // The range was rounded for the check; the platform gets a value inside its own floats.
  const float request = std::fmin(std::fmax(static_cast<float>(decibels), before.value.minDecibels),
                                  before.value.maxDecibels);
  const Status status = system_.WriteVolumeDecibels(device.value.id, request, context_);
  if (Failed(status)) return PlatformFailure(status, L"setting the volume of " + Label(device.value));
  const Result<VolumeReading> after = ReadVolume(device.value);
  if (!after.ok()) return after;
  const double tolerance = kDecibelTolerance + std::fabs(before.value.stepDecibels) / 2;
  if (Taken(before.value.decibels, after.value.decibels, decibels, tolerance)) return {};
  return Failure(kNotApplied, L"The audio system accepted the volume " + Number(decibels) + L" dB for " +
                                  Label(device.value) + L" but did not apply it: the device still reports " +
                                  Number(FromEndpointFloat(after.value.decibels)) + L" dB.");
}

Result<VolumeRangeDb> DeviceOperator::VolumeRange(std::wstring_view id) {
  const Result<VolumeReading> reading = ReadActive(id);
  if (!reading.ok()) return Failure<VolumeRangeDb>(reading);
  return Success(VolumeRangeDb{FromEndpointFloat(reading.value.minDecibels),
                               FromEndpointFloat(reading.value.maxDecibels),
                               FromEndpointFloat(reading.value.stepDecibels)});
}

Result<bool> DeviceOperator::Mute(std::wstring_view id) {
  const Result<VolumeReading> reading = ReadActive(id);
  if (!reading.ok()) return Failure<bool>(reading);
  return Success(reading.value.muted);
}

Outcome DeviceOperator::SetMute(std::wstring_view id, bool muted) {
  const Result<DeviceInfo> device = ActiveDevice(id);
  if (!device.ok()) return device;
  const Status status = system_.WriteMute(device.value.id, muted, context_);
  const std::wstring action = (muted ? L"muting " : L"unmuting ") + Label(device.value);
  if (Failed(status)) return PlatformFailure(status, action);
  const Result<VolumeReading> after = ReadVolume(device.value);
  if (!after.ok()) return after;
  if (after.value.muted == muted) return {};
  return Failure(kNotApplied, L"The audio system accepted " + action + L" but did not apply it: the device is still " +
                                  (after.value.muted ? L"muted." : L"unmuted."));
}

}  // namespace tl::audio_operator
