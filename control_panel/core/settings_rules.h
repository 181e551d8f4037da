// The rules of the suite's settings key that do not touch the registry: ranges, defaults and
// the conversion of fractions to the stored 0..65535 integers. Shared by every reader and writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tl::panel {

// Video tuning as the control panel holds it: thresholds as integers, fractions 0..1.
struct PreviewParameters {
  int low = 0;
  int high = 0;
  float strength = 0.0f;
  float noise = 0.0f;
};

// The four video values as stored in the registry.
struct StoredVideoSettings {
  uint32_t low = 0;
  uint32_t high = 0;
  uint32_t strength = 0;
  uint32_t noise = 0;
  bool operator==(const StoredVideoSettings&) const = default;
};

inline constexpr int kLowMin = 10;
inline constexpr int kLowMax = 110;
inline constexpr int kHighMin = 115;
inline constexpr int kHighMax = 255;
inline constexpr uint32_t kFractionScale = 65535;

inline constexpr int kColorToneMin = 1;  // Lumara
inline constexpr int kColorToneNormal = 5;
inline constexpr int kMovieDefault = 1;
inline constexpr int kMovieMax = 4;

// What the control panel writes for a value it finds missing.
inline constexpr StoredVideoSettings kPanelVideoDefaults{65, 185, 32767, 32767};
// The first values an installation writes.
inline constexpr PreviewParameters kInstallParameters{30, 185, 0.5f, 0.5f};

// Registry strings are read into buffers of this many characters, terminator included.
inline constexpr size_t kRegistryStringChars = 260;

// Clamps high, then low, then the two fractions, in place.
void ClampPreviewParameters(PreviewParameters& parameters);

// Fraction clamped to 0..1, times 65535, truncated (0.5 gives 32767, 0.125 gives 8191).
uint32_t FractionToStored(double fraction);
// Stored value / 65535, clamped to 0..1 (values above 65535 read as 1).
double StoredToFraction(uint32_t stored);

// Clamps the parameters in place and gives the values to store.
StoredVideoSettings ToStored(PreviewParameters& parameters);

// The plug-in dialog's initial strength: stored × 100 / 65535 rounded half up, clamped to 0..100.
int StrengthPercentFromStored(uint32_t stored);

int ClampColorTone(int mode);
int ClampMovie(int movie);

// What a reader finds under the settings key: nothing when the key cannot be opened, else each
// value that could be read with the right type.
struct RawSettings {
  bool keyOpened = false;
  std::optional<uint32_t> low, high, strength, noise, mirror, colorTone, movie;
  std::optional<std::wstring> path;
};

// The renderer filter's view of the key, every value in its range.
struct RendererTuning {
  int lowPoint = 0;
  int highPoint = 0;
  double strength = 0.0;
  double noise = 0.0;
  bool mirror = false;
  int colorTone = 1;
  int movie = 1;
  std::wstring installPath;  // ends with a backslash when set
};
inline constexpr wchar_t kDefaultInstallPath[] = L"C:\\Program Files\\Norvak\\TavoPC\\eLumara\\";

RendererTuning RendererTuningFrom(const RawSettings& raw);

// The plug-in dialog's initial strength in percent: 50 unless the key holds "VS2_Strength".
int DialogStrengthFrom(const RawSettings& raw);

// The log-on value: the program directory followed by the starter's file name.
std::wstring LogOnCommand(std::wstring_view programDirectory);

// Keeps at most kRegistryStringChars - 1 characters, as the fixed read buffers do.
std::wstring TruncateToRegistryBuffer(std::wstring text);

}  // namespace tl::panel
