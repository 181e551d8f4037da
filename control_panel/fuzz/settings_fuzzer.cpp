// The settings key's clamps and conversions, from any values a caller, a registry or another
// writer can put there: whatever comes in, what is stored and what a reader takes lies in range.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "control_panel/core/settings_rules.h"

namespace {

using namespace tl::panel;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Any bit pattern: NaN, infinities and denormals included.
float AnyFloat(FuzzedDataProvider& in) {
  const std::uint32_t bits = in.ConsumeIntegral<std::uint32_t>();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

template <typename T>
std::optional<T> Maybe(FuzzedDataProvider& in) {
  if (!in.ConsumeBool()) return std::nullopt;
  return in.ConsumeIntegral<T>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);

  // What the control panel writes at Apply.
  PreviewParameters parameters{in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(), AnyFloat(in), AnyFloat(in)};
  const PreviewParameters asked = parameters;
  const StoredVideoSettings stored = ToStored(parameters);
  Check(stored.low >= kLowMin && stored.low <= kLowMax && stored.high >= kHighMin && stored.high <= kHighMax);
  Check(stored.strength <= kFractionScale && stored.noise <= kFractionScale);
  Check(parameters.low == static_cast<int>(stored.low) && parameters.high == static_cast<int>(stored.high));
  Check(parameters.strength >= 0.0f && parameters.strength <= 1.0f && parameters.noise >= 0.0f && parameters.noise <= 1.0f);
  // Values in range pass unchanged.
  if (asked.low >= kLowMin && asked.low <= kLowMax) Check(parameters.low == asked.low);
  if (asked.strength >= 0.0f && asked.strength <= 1.0f) Check(parameters.strength == asked.strength);
  // Clamping twice changes nothing more.
  PreviewParameters again = parameters;
  Check(ToStored(again) == stored);

  const double fraction = in.ConsumeFloatingPoint<double>();
  const std::uint32_t asStored = FractionToStored(fraction);
  Check(asStored <= kFractionScale);
  const double back = StoredToFraction(in.ConsumeIntegral<std::uint32_t>());
  Check(back >= 0.0 && back <= 1.0);
  const int percent = StrengthPercentFromStored(in.ConsumeIntegral<std::uint32_t>());
  Check(percent >= 0 && percent <= 100);
  const int tone = ClampColorTone(in.ConsumeIntegral<int>());
  const int movie = ClampMovie(in.ConsumeIntegral<int>());
  Check(tone >= 1 && tone <= 5 && movie >= 1 && movie <= 4);

  // What a reader finds under the key.
  RawSettings raw;
  raw.keyOpened = in.ConsumeBool();
  raw.low = Maybe<std::uint32_t>(in);
  raw.high = Maybe<std::uint32_t>(in);
  raw.strength = Maybe<std::uint32_t>(in);
  raw.noise = Maybe<std::uint32_t>(in);
  raw.mirror = Maybe<std::uint32_t>(in);
  raw.colorTone = Maybe<std::uint32_t>(in);
  raw.movie = Maybe<std::uint32_t>(in);
  if (in.ConsumeBool()) {
    const std::string bytes = in.ConsumeRandomLengthString(1200);
    raw.path = std::wstring(bytes.begin(), bytes.end());
  }
  const RendererTuning tuning = RendererTuningFrom(raw);
  Check(tuning.lowPoint >= kLowMin && tuning.lowPoint <= kLowMax);
  Check(tuning.highPoint >= kHighMin && tuning.highPoint <= kHighMax);
  Check(tuning.strength >= 0.0 && tuning.strength <= 1.0 && tuning.noise >= 0.0 && tuning.noise <= 1.0);
  Check(tuning.colorTone >= 1 && tuning.colorTone <= 5 && tuning.movie >= 1 && tuning.movie <= 4);
  Check(tuning.installPath.size() < kRegistryStringChars);
  const int dialog = DialogStrengthFrom(raw);
  Check(dialog >= 0 && dialog <= 100);
  const std::wstring logOn = LogOnCommand(tuning.installPath);
  Check(logOn.size() == tuning.installPath.size() + 11);
  return 0;
}
