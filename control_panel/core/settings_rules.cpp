#include "control_panel/core/settings_rules.h"

#include <algorithm>
#include <cmath>

namespace tl::panel {
namespace {

float ClampFraction(float value) {
  if (std::isnan(value)) return 0.0f;  // a NaN would pass both comparisons untouched
  if (value < 0.0f) return 0.0f;
  if (value > 1.0f) return 1.0f;
  return value;
}

int ClampStoredInt(std::optional<uint32_t> stored, int fallback, int low, int high) {
  if (!stored) return std::clamp(fallback, low, high);
  // Registry integers are unsigned; anything beyond the range is simply too big.
  return *stored > static_cast<uint32_t>(high) ? high : std::max(static_cast<int>(*stored), low);
}

}  // namespace

void ClampPreviewParameters(PreviewParameters& p) {
  if (p.high > kHighMax) p.high = kHighMax;
  if (p.high < kHighMin) p.high = kHighMin;
  if (p.low < kLowMin) p.low = kLowMin;
  if (p.low > kLowMax) p.low = kLowMax;
  p.strength = ClampFraction(p.strength);
  p.noise = ClampFraction(p.noise);
}

uint32_t FractionToStored(double fraction) {
  if (!(fraction > 0.0)) return 0;  // also NaN
  if (fraction >= 1.0) return kFractionScale;
  return static_cast<uint32_t>(fraction * kFractionScale);
}

double StoredToFraction(uint32_t stored) {
  return stored >= kFractionScale ? 1.0 : static_cast<double>(stored) / kFractionScale;
}

StoredVideoSettings ToStored(PreviewParameters& p) {
  ClampPreviewParameters(p);
  return {static_cast<uint32_t>(p.low), static_cast<uint32_t>(p.high), FractionToStored(p.strength),
          FractionToStored(p.noise)};
}

int StrengthPercentFromStored(uint32_t stored) {
  // Half up in integers: floor((200 v + 65535) / 131070).
  const uint64_t rounded = (uint64_t{stored} * 200 + kFractionScale) / (uint64_t{kFractionScale} * 2);
  return static_cast<int>(std::min<uint64_t>(rounded, 100));
}

int ClampColorTone(int mode) { return std::clamp(mode, kColorToneMin, kColorToneNormal); }

int ClampMovie(int movie) { return std::clamp(movie, kMovieDefault, kMovieMax); }

std::wstring LogOnCommand(std::wstring_view programDirectory) {
  std::wstring command(programDirectory);
  command += L"AutoRun.exe";
  return command;
}

std::wstring TruncateToRegistryBuffer(std::wstring text) {
  if (text.size() > kRegistryStringChars - 1) text.resize(kRegistryStringChars - 1);
  return text;
}

RendererTuning RendererTuningFrom(const RawSettings& raw) {
  RendererTuning tuning;
  if (!raw.keyOpened) {
    // The high default of a missing key lies below its range; it is kept in range like every
    // other high threshold.
    tuning.lowPoint = 50;
    tuning.highPoint = kHighMin;
    tuning.strength = 0.75;
    tuning.noise = 0.5;
    return tuning;
  }
  tuning.lowPoint = ClampStoredInt(raw.low, 0, kLowMin, kLowMax);
  tuning.highPoint = ClampStoredInt(raw.high, 0, kHighMin, kHighMax);
  tuning.strength = StoredToFraction(raw.strength.value_or(0));
  tuning.noise = StoredToFraction(raw.noise.value_or(0));
  tuning.mirror = raw.mirror.value_or(0) != 0;
  tuning.colorTone = ClampStoredInt(raw.colorTone, kColorToneMin, kColorToneMin, kColorToneNormal);
  tuning.movie = ClampStoredInt(raw.movie, kMovieDefault, kMovieDefault, kMovieMax);
  tuning.installPath = raw.path ? TruncateToRegistryBuffer(*raw.path) : std::wstring(kDefaultInstallPath);
  return tuning;
}

int DialogStrengthFrom(const RawSettings& raw) {
  if (!raw.keyOpened || !raw.strength) return 50;
  return StrengthPercentFromStored(*raw.strength);
}

}  // namespace tl::panel
