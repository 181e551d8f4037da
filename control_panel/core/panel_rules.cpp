#include "control_panel/core/panel_rules.h"

#include <algorithm>
#include <cmath>

namespace tl::panel {

const std::array<ModeButton, 5> kModeButtons = {{
    {kModeLumara, 1028, "ui_gamma", "Gamma", L"Lumara", L"Color Tone: Lumara Mode"},
    {kModeVivid, 1027, "ui_vivid", "Vivid", L"Vivid", L"Color Tone: Vivid Mode"},
    {kModeTheater, 1030, "ui_theater", "Theater", L"Theater", L"Color Tone: Theater Mode"},
    {kModeSoft, 1026, "ui_soft", "Soft", L"Soft", L"Color Tone: Soft Mode"},
    {kModeNormal, 1053, "ui_normal", "Normal", L"Normal", L"Disable TavoLumara"},
}};

const ModeButton* ModeButtonForCommand(int commandId) {
  for (const ModeButton& button : kModeButtons) {
    if (button.commandId == commandId) return &button;
  }
  return nullptr;
}

const ModeButton* ModeButtonForMode(int mode) {
  if (mode < kModeLumara || mode > kModeNormal) return nullptr;
  return &kModeButtons[static_cast<size_t>(mode - 1)];
}

int TimerPeriodMs(common::AdapterCode adapter) { return adapter == common::kAdapterIntel500 ? 1250 : 100; }

PreviewUpdate ComputePreviewUpdate(Tab tab, int mode, int sliderPosition, int sliderMaximum,
                                   PreviewParameters& parameters) {
  // Single precision, as the slider's fraction is held.
  const float r = (tab == Tab::kVideo && sliderMaximum != 0)
                      ? static_cast<float>(sliderPosition) / static_cast<float>(sliderMaximum)
                      : 0.0f;
  PreviewUpdate update;
  if (tab == Tab::kVideo && mode != kModeNormal) {
    parameters.high = 185;
    // Evaluated in double from the single-precision fraction, truncated toward zero.
    parameters.low = static_cast<int>((1.0 - static_cast<double>(r)) * 20.0 + 20.0);
    parameters.strength = r;
    parameters.noise = r * 0.25f;
    update.videoProcessing = true;
    update.noise = parameters.noise;
    update.strength = parameters.strength;
  }
  update.low = parameters.low;
  update.high = parameters.high;
  return update;
}

int SliderPositionFor(float strength, int sliderMaximum) {
  const double position = static_cast<double>(sliderMaximum) * static_cast<double>(strength);
  if (!(position > 0.0)) return 0;  // also NaN
  return static_cast<int>(std::min(position, static_cast<double>(sliderMaximum)));
}

Rect ScaleControlRect(const Rect& rect, double sx, double sy) {
  const auto scaled = [](int32_t value, double scale) { return static_cast<int32_t>(value * scale); };
  const int32_t left = scaled(rect.left, sx);
  const int32_t top = scaled(rect.top, sy);
  return {left, top, left + scaled(rect.right - rect.left, sx), top + scaled(rect.bottom - rect.top, sy)};
}

skin::Point CentredOrigin(int desktopWidth, int desktopHeight, int windowWidth, int windowHeight) {
  const int x = (desktopWidth >> 1) - (windowWidth >> 1);
  const int y = (desktopHeight >> 1) - (windowHeight >> 1);
  return {x, std::max(y, 0)};
}

Rect FullScreenOutline(const Rect& desktop) {
  const int32_t width = desktop.right - desktop.left;
  const int32_t height = desktop.bottom - desktop.top;
  return {0, 0, width, desktop.top >= 0 ? height + 25 : height};
}

bool InKeyRange(uint32_t rgb, uint32_t key, uint32_t tolerance) {
  for (int shift : {16, 8, 0}) {
    const uint32_t c = (rgb >> shift) & 0xFF;
    const uint32_t low = (key >> shift) & 0xFF;
    const uint32_t high = std::min<uint32_t>(low + ((tolerance >> shift) & 0xFF), 255);
    if (c < low || c > high) return false;
  }
  return true;
}

std::vector<Rect> OutlineRuns(const skin::Pixels& body, uint32_t key, uint32_t tolerance) {
  std::vector<Rect> runs;
  for (int32_t y = 0; y < body.height; ++y) {
    int32_t x = 0;
    while (x < body.width) {
      if (InKeyRange(body.At(x, y), key, tolerance)) {
        ++x;
        continue;
      }
      const int32_t start = x;
      while (x < body.width && !InKeyRange(body.At(x, y), key, tolerance)) ++x;
      runs.push_back({start, y, x, y + 1});
    }
  }
  return runs;
}

std::wstring MediaPlayerPath(std::wstring_view playerFolder, std::wstring_view programFilesFolder) {
  const bool usual = playerFolder.find(L"%ProgramFiles%") != std::wstring_view::npos;
  std::wstring path(usual ? programFilesFolder : playerFolder);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += usual ? L"Windows Media Player\\wmplayer.exe" : L"wmplayer.exe";
  return path;
}

std::wstring QuotedCommandLine(std::wstring_view program, std::wstring_view argument) {
  std::wstring line = L"\"";
  line += program;
  line += L"\" \"";
  line += argument;
  line += L'"';
  return line;
}

std::wstring HelpDocumentPath(std::wstring_view programDirectory, std::wstring_view documentKey) {
  std::wstring path(programDirectory);
  path += L"help\\";
  path += documentKey;
  return path;
}

std::wstring StartFailureText(int result) {
  switch (result) {
    case 0: return L"The system is out of memory or resources.";
    case 2: return L"The specified file was not found.";
    case 3: return L"The specified path was not found.";
    case 11: return L"The .exe file is invalid.";
    default: return L"Error Code: " + std::to_wstring(result);
  }
}

int ClassicStartResult(unsigned long systemError) {
  switch (systemError) {
    case 8:    // not enough memory
    case 14:   // out of memory
      return 0;
    case 193:  // not a valid program
      return 11;
    default:
      return static_cast<int>(systemError);
  }
}

}  // namespace tl::panel
