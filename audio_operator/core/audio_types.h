// What the audio device operator knows about audio endpoints, in portable form: flows, roles,
// states, the status words of its results, and the events the platform reports.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tl::audio_operator {

// Status words are the platform's HRESULTs: negative on failure.
using Status = std::int32_t;

constexpr bool Failed(Status status) { return status < 0; }

inline constexpr Status kOk = 0;
inline constexpr Status kNotImplemented = static_cast<Status>(0x80004001u);   // E_NOTIMPL
inline constexpr Status kNullPointer = static_cast<Status>(0x80004003u);      // E_POINTER
inline constexpr Status kUnexpected = static_cast<Status>(0x8000FFFFu);       // E_UNEXPECTED
inline constexpr Status kInvalidArgument = static_cast<Status>(0x80070057u);  // E_INVALIDARG
inline constexpr Status kOutOfMemory = static_cast<Status>(0x8007000Eu);      // E_OUTOFMEMORY
inline constexpr Status kNotFound = static_cast<Status>(0x80070490u);  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)
inline constexpr Status kDeviceInvalidated = static_cast<Status>(0x88890004u);  // AUDCLNT_E_DEVICE_INVALIDATED

// Our own failures (FACILITY_ITF), published in the type library's header as AUDEVOP_E_*.
inline constexpr Status kUnknownDevice = static_cast<Status>(0x80040201u);
inline constexpr Status kDeviceNotActive = static_cast<Status>(0x80040202u);
inline constexpr Status kNotApplied = static_cast<Status>(0x80040203u);
inline constexpr Status kDefaultNotSettable = static_cast<Status>(0x80040204u);
inline constexpr Status kNoDefaultDevice = static_cast<Status>(0x80040205u);

// Values as the platform's EDataFlow and ERole number them.
enum class Flow : int { Render = 0, Capture = 1, All = 2 };
enum class Role : int { Console = 0, Multimedia = 1, Communications = 2 };

// The application default device is the communications role's default: Windows offers no
// documented per-application default, and the communications role is the one that programs
// for calls and voice use besides the console default.
inline constexpr Role kApplicationRole = Role::Communications;

// Device state bits as the platform's DEVICE_STATE_* number them; masks combine them.
inline constexpr std::uint32_t kStateActive = 0x1;
inline constexpr std::uint32_t kStateDisabled = 0x2;
inline constexpr std::uint32_t kStateNotPresent = 0x4;
inline constexpr std::uint32_t kStateUnplugged = 0x8;
inline constexpr std::uint32_t kAllStates = 0xF;

struct DeviceInfo {
  std::wstring id;
  std::wstring name;  // the friendly name; may be empty when the device has none
  Flow flow = Flow::Render;
  std::uint32_t state = 0;
};

// Everything the endpoint's volume control reports, read at one moment.
struct VolumeReading {
  float scalar = 0;    // 0..1
  float decibels = 0;
  bool muted = false;
  float minDecibels = 0;
  float maxDecibels = 0;
  float stepDecibels = 0;
};

// Identifies the writer of a volume change (the platform's event-context GUID), so that an
// operator can tell its own changes from those of others.
using EventContext = std::array<std::uint8_t, 16>;

// One notification from the platform, and the event a client receives for it.
struct AudioEvent {
  enum class Kind { DefaultDeviceChanged, DeviceAdded, DeviceRemoved, DeviceStateChanged, VolumeChanged };
  Kind kind = Kind::DeviceAdded;
  std::wstring deviceId;  // empty in DefaultDeviceChanged when the flow has no default any more
  Flow flow = Flow::Render;              // DefaultDeviceChanged
  Role role = Role::Console;             // DefaultDeviceChanged
  std::uint32_t state = 0;               // DeviceStateChanged
  float volume = 0;                      // VolumeChanged
  bool muted = false;                    // VolumeChanged
  EventContext context{};                // VolumeChanged: who made the change
  bool byThisObject = false;             // VolumeChanged: set when the event is delivered
};

}  // namespace tl::audio_operator
