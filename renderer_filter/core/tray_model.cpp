#include "renderer_filter/core/tray_model.h"

#include <cstdio>

namespace tl::renderer {
namespace {

constexpr const char* kColorToneNames[] = {"ui_gamma", "ui_vivid", "ui_theater", "ui_soft", "ui_normal"};
constexpr const char* kDynamicToneNames[] = {"ui_default", "ui_vcr", "ui_outdoor", "ui_dark_movie"};

}  // namespace

int PercentOf(double fraction) { return static_cast<int>(fraction * 100); }

void ApplyStrengthPosition(Tuning& tuning, int position) {
  // The position is read as unsigned: a negative one is a huge position, as the slider would
  // send it; the dialog's slider never goes outside 0..100.
  tuning.strength = static_cast<unsigned>(position) * 0.01;
  tuning.lowPoint = static_cast<int>((1 - tuning.strength + 1) * 20);
}

const char* ColorToneName(int index) { return index >= 1 && index <= 5 ? kColorToneNames[index - 1] : ""; }

const char* DynamicToneName(int index) { return index >= 1 && index <= 4 ? kDynamicToneNames[index - 1] : ""; }

std::optional<int> ColorToneTable(int command) {
  if (command >= kColorToneFirst && command < kColorToneLast) return command - 1024;
  return std::nullopt;
}

Preset DynamicTonePreset(int index, int outdoorLevel) {
  switch (index) {
    case 1:
      return {185, 65, 0.5, 0.5};
    case 2:
      return {250, 80, 0.5, 0.4};
    case 3:
      return {185, 40 - 5 * outdoorLevel, 0.3 - 0.05 * outdoorLevel, 0.9 + 0.25 * outdoorLevel};
    case 4:
    default:
      return {160, 45, 0.5, 0.6};
  }
}

TrayDialogModel::TrayDialogModel(const Tuning& atCreation)
    : restoreLow_(atCreation.lowPoint),
      restoreStrength_(PercentOf(atCreation.strength)),
      colorTone_(atCreation.colorTone),
      movie_(atCreation.movie) {}

void TrayDialogModel::Apply(const Tuning& tuning) {
  restoreLow_ = tuning.lowPoint;
  restoreStrength_ = PercentOf(tuning.strength);
}

int TrayDialogModel::Cancel(Tuning& tuning) const {
  ApplyStrengthPosition(tuning, restoreStrength_);
  return restoreStrength_;
}

int TrayDialogModel::Default(Tuning& tuning) const {
  ApplyStrengthPosition(tuning, 50);
  return 50;
}

void TrayDialogModel::DynamicTone(int index, Tuning& tuning) {
  const Preset preset = DynamicTonePreset(index, outdoorLevel_);
  if (index == 3) outdoorLevel_ = (outdoorLevel_ + 1) % 4;
  tuning.highPoint = preset.highPoint;
  tuning.lowPoint = preset.lowPoint;
  tuning.noise = preset.noise;
  tuning.strength = preset.strength;
  tuning.movie = index;
}

std::vector<ButtonFlag> TrayDialogModel::MarkSelection(int colorTone, int movie) {
  std::vector<ButtonFlag> flags;
  if (colorTone_ >= 1 && colorTone_ <= 5) flags.push_back({ColorToneName(colorTone_), true});
  if (movie_ >= 1 && movie_ <= 4) flags.push_back({DynamicToneName(movie_), true});
  if (colorTone >= 1 && colorTone <= 5) {
    flags.push_back({ColorToneName(colorTone), false});
    colorTone_ = colorTone;
  }
  if (movie >= 1 && movie <= 4) {
    flags.push_back({DynamicToneName(movie), false});
    movie_ = movie;
  }
  return flags;
}

std::wstring CaptureFileName(int year, int month, int day, int hour, int minute, int second) {
  wchar_t name[64];
  std::swprintf(name, 64, L"Capture %04d-%02d-%02d %02d-%02d-%02d.png", year, month, day, hour, minute, second);
  return name;
}

}  // namespace tl::renderer
