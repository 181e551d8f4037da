// The control panel's decisions that need no platform: the colour-tone modes and their buttons,
// what the preview player is sent for a tab, mode and slider position, the wait before commands
// count, the window's geometry (scaled controls, centring, full screen, the cut-out outline) and
// the command lines and messages of the programs it starts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/display_adapter.h"
#include "control_panel/core/settings_rules.h"
#include "skin/core/bmp.h"
#include "skin/core/geometry.h"

namespace tl::panel {

// ---- Modes, tabs and commands -------------------------------------------------------------

enum class Tab : int { kLcd = 0, kVideo = 1 };

inline constexpr int kModeLumara = 1;
inline constexpr int kModeVivid = 2;
inline constexpr int kModeTheater = 3;
inline constexpr int kModeSoft = 4;
inline constexpr int kModeNormal = 5;

struct ModeButton {
  int mode;
  int commandId;
  const char* skinId;    // control name in the skin library
  const char* skinName;  // skin name in the skin library
  const wchar_t* caption;
  const wchar_t* tooltip;  // the English text; the language profile may translate it
};

// In mode order: Lumara, Vivid, Theater, Soft, Normal.
extern const std::array<ModeButton, 5> kModeButtons;

// The mode button of a command id, if it is one.
const ModeButton* ModeButtonForCommand(int commandId);
// The mode button of a mode 1..5, else null.
const ModeButton* ModeButtonForMode(int mode);

// Timer ticks since the dialog became ready; user commands count from the third one.
class ReadyTicks {
 public:
  static constexpr int kNeeded = 3;
  void Tick() {
    if (ticks_ < kNeeded) ++ticks_;
  }
  void Reset() { ticks_ = 0; }
  bool Ready() const { return ticks_ >= kNeeded; }
  int count() const { return ticks_; }

 private:
  int ticks_ = 0;
};

// The dialog's timer period: slower on the adapter class whose driver is slow to present.
int TimerPeriodMs(common::AdapterCode adapter);

// ---- The preview ------------------------------------------------------------------------------

// The start values of PreviewParameters.
inline constexpr PreviewParameters kStartParameters{40, 185, 0.5f, 0.125f};
// The values of the Default command (the next preview update recomputes low, strength, noise).
inline constexpr PreviewParameters kDefaultParameters{30, 185, 0.5f, 0.5f};
inline constexpr int kSliderMaximum = 100;
inline constexpr float kCnfA = 0.5f;
inline constexpr float kCnfB = 1.95f;
inline constexpr int kPreviewMethod = 1;

// What one preview update sends to the player.
struct PreviewUpdate {
  // True on the Video tab with a mode other than Normal: method, ramp, then the tuning. Else the
  // ramp first, then the method, with the video processing off.
  bool videoProcessing = false;
  int low = 0;
  int high = 0;
  float noise = 0.0f;
  float strength = 0.0f;
};

// On the Video tab with a mode other than Normal the slider sets low (40 at 0 down to 20 at 100,
// truncated), strength (position / maximum) and noise (a quarter of the strength) and writes them
// into `parameters`; otherwise the held low and high go out with the processing off.
PreviewUpdate ComputePreviewUpdate(Tab tab, int mode, int sliderPosition, int sliderMaximum,
                                   PreviewParameters& parameters);

// The slider position that shows a strength: truncation of maximum × strength.
int SliderPositionFor(float strength, int sliderMaximum = kSliderMaximum);

// ---- Window geometry --------------------------------------------------------------------------

using skin::Rect;

// A control's rectangle relative to the window, x and width scaled by sx, y and height by sy,
// each truncated. `rect` holds left/top and right/bottom.
Rect ScaleControlRect(const Rect& rect, double sx, double sy);

// Top-left corner that centres a window of the given size on the desktop (integer halves by
// arithmetic shift; never above the desktop's top).
skin::Point CentredOrigin(int desktopWidth, int desktopHeight, int windowWidth, int windowHeight);

// The outline while the preview fills the screen: from the origin, the desktop's width and its
// height plus 25 when the desktop's top is at 0 or below it, else its height.
Rect FullScreenOutline(const Rect& desktop);

// Key colour and tolerance of the window outline: a pixel whose red, green and blue each lie
// between the key's component and that plus the tolerance's (at most 255) is cut out.
inline constexpr uint32_t kOutlineKey = 0xFF00FF;
inline constexpr uint32_t kOutlineTolerance = 0x202020;
bool InKeyRange(uint32_t rgb, uint32_t key, uint32_t tolerance);

// Row by row from the top, every maximal run of pixels outside the key range as a rectangle one
// pixel high: the window's outline as the union of these.
std::vector<Rect> OutlineRuns(const skin::Pixels& body, uint32_t key = kOutlineKey,
                              uint32_t tolerance = kOutlineTolerance);

// ---- Programs the panel starts, and their messages --------------------------------------------

// The media player from its folder as the registry names it: a folder naming "%ProgramFiles%"
// stands for the player's usual place under the program files folder.
std::wstring MediaPlayerPath(std::wstring_view playerFolder, std::wstring_view programFilesFolder);

// program "argument", both quoted, so that paths with blanks reach the program whole.
std::wstring QuotedCommandLine(std::wstring_view program, std::wstring_view argument);

// The help document of a language: the program directory, "help\" and the translated key.
std::wstring HelpDocumentPath(std::wstring_view programDirectory, std::wstring_view documentKey);
inline constexpr wchar_t kHelpDocumentKey[] = L"Eng\\Tavo Lumara.htm";

// Text reported for a program start that failed with a classic result below 32 (0 no memory,
// 2 file not found, 3 path not found, 11 not a program).
std::wstring StartFailureText(int result);
// The classic result of a start that failed with a system error code: 2 and 3 as they are, 11 for
// a file that is not a program, 0 for a lack of memory, any other code as it is.
int ClassicStartResult(unsigned long systemError);

// The picture the preview shows after start and falls back to.
inline constexpr wchar_t kSamplePicture[] = L"samples\\default.jpg";

}  // namespace tl::panel
