// Status words of the engine's exports: 0 for success, otherwise 0x80000000 with one bit that
// names the failing operation.
#pragma once

#include <cstdint>

namespace tl::engine {

using Status = std::uint32_t;

inline constexpr Status kOk = 0;
inline constexpr Status kPanelTableFailed = 0x80000020;
inline constexpr Status kToneTableFailed = 0x80000040;
inline constexpr Status kColourfulnessFailed = 0x80000100;
inline constexpr Status kColourTemperatureFailed = 0x80000200;
inline constexpr Status kCancelFailed = 0x80001000;
inline constexpr Status kPrepareFailed = 0x80002000;
inline constexpr Status kGamutEnableFailed = 0x80004000;
inline constexpr Status kMethodRefused = 0x80008000;
inline constexpr Status kColourDifferenceFailed = 0x80800000;
inline constexpr Status kGamutSurfaceFailed = 0x81000000;
inline constexpr Status kGamutSizeFailed = 0x82000000;
inline constexpr Status kGamutReadOutFailed = 0x84000000;

}  // namespace tl::engine
