// What the renderer's tray dialog and its commands do to the tuning values, without any window:
// the strength slider's rule, the dynamic-tone presets with the OutDoor levels, Apply, Cancel and
// Default, the colour-tone tables, and which skinned buttons show as marked.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tl::renderer {

// The presenter's tuning values as the dialog reads and writes them.
struct Tuning {
  int lowPoint = 50;
  int highPoint = 115;
  double noise = 0.5;
  double strength = 0.75;
  bool mirror = false;
  int colorTone = 1;  // 1..5
  int movie = 1;      // 1..4
};

// Slider positions: (int)(fraction x 100), truncated toward zero.
int PercentOf(double fraction);

// The strength-to-low rule: strength = p / 100 and lowPoint = (int)((2 - strength) x 20), so
// lowPoint runs from 40 (p = 0) to 20 (p = 100).
void ApplyStrengthPosition(Tuning& tuning, int position);

// Command ids.
enum Command : int {
  kApply = 513,
  kShowSkinned = 514,
  kShowResources = 515,
  kCancel = 516,
  kDefault = 517,
  kMirrorBox = 1002,
  kColorToneFirst = 1025,  // tables 1..4, 1029 off
  kColorToneLast = 1029,
  kDynamicToneFirst = 1281,  // Default, VCR, OutDoor, DarkMovie
  kDynamicToneLast = 1284,
  kCapture = 1285,
};
inline constexpr int kBacklightSlider = 524;
inline constexpr int kStrengthSlider = 525;

// Skinned button names of the colour tones 1..5 and dynamic tones 1..4 (empty outside).
const char* ColorToneName(int index);
const char* DynamicToneName(int index);

// The tone table a colour-tone command loads (1..4), or nothing for 1029 (enhancement off).
std::optional<int> ColorToneTable(int command);

struct Preset {
  int highPoint;
  int lowPoint;
  double noise;
  double strength;
};
// The preset of dynamic tone `index` (1..4); OutDoor (3) at `outdoorLevel` (0..3). OutDoor
// strengths above 1 are passed on as they are.
Preset DynamicTonePreset(int index, int outdoorLevel);

// A SetUtlButtonEnableFlag call: the marked (current) button shows disabled.
struct ButtonFlag {
  std::string name;
  bool enabled;
};

// The dialog's own state, taken when it is created and kept by Apply and the commands.
class TrayDialogModel {
 public:
  explicit TrayDialogModel(const Tuning& atCreation);

  int restoreLowPoint() const { return restoreLow_; }
  int restoreStrengthPercent() const { return restoreStrength_; }
  int outdoorLevel() const { return outdoorLevel_; }
  int colorTone() const { return colorTone_; }
  int movie() const { return movie_; }

  // Apply: the current values become the restore point.
  void Apply(const Tuning& tuning);
  // Cancel: the restore point's strength through the slider rule; gives the slider position.
  int Cancel(Tuning& tuning) const;
  // Default: strength 0.5, lowPoint 30; gives the slider position (50).
  int Default(Tuning& tuning) const;
  // A dynamic-tone command (1..4): the preset (OutDoor at the current level, which then
  // advances 0, 1, 2, 3, 0, ...) and the movie index.
  void DynamicTone(int index, Tuning& tuning);
  // Marks colour tone t and dynamic tone m as the current ones: the previously marked buttons
  // come back, the new ones show as marked. Indexes out of range leave that group alone.
  std::vector<ButtonFlag> MarkSelection(int colorTone, int movie);

 private:
  int restoreLow_;
  int restoreStrength_;
  int outdoorLevel_ = 0;
  int colorTone_;
  int movie_;
};

// The capture's file name for a moment: "Capture 2024-05-01 12-30-45.png". The picture is PNG
// data, so the name says so.
std::wstring CaptureFileName(int year, int month, int day, int hour, int minute, int second);

}  // namespace tl::renderer
