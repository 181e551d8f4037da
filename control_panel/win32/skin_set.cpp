#include "control_panel/win32/skin_set.h"

#include <array>
#include <set>
#include <string>
#include <vector>

#include "control_panel/core/panel_rules.h"
#include "control_panel/win32/resource.h"
#include "skin/win32/kvskinap.h"

namespace tl::panel {
namespace {

enum class Kind { kImageButton, kFontButton, kLabel };

struct SkinControl {
  const char* controlName;
  int id;
  const char* skinName;
  std::array<const wchar_t*, 3> files;  // normal, over, down
  std::array<const char*, 3> keys;      // normal, hover, pushed
  Kind kind;
  const wchar_t* caption = nullptr;
  const char* fontKey = nullptr;
  int fontSize = 0;  // tenths of a point
  DWORD colour = 0;
  int style = 0;
  const wchar_t* tooltip = nullptr;  // English; translated when the control is made
};

constexpr std::array<const wchar_t*, 3> kButtonFiles{L"button_norm.bmp", L"button_over.bmp", L"button_down.bmp"};
constexpr std::array<const char*, 3> kButtonKeys{"button_nor", "button_hover", "button_push"};
constexpr std::array<const wchar_t*, 3> kModeFiles{L"LCD_item_norm.bmp", L"LCD_item_highlight.bmp",
                                                   L"LCD_item_highlight.bmp"};
constexpr std::array<const char*, 3> kModeKeys{"LCD_button_nor", "LCD_button_hover", "LCD_button_push"};
constexpr DWORD kLightText = 0xFFF0F0F0;
constexpr DWORD kDarkText = 0x7F0F0F4F;
constexpr DWORD kLabelText = 0x8F0F0F4F;

SkinControl ModeControl(const ModeButton& mode) {
  return {mode.skinId, mode.commandId, mode.skinName, kModeFiles, kModeKeys, Kind::kFontButton,
          mode.caption, "button_font", 70, kDarkText, 0, mode.tooltip};
}

// In the order of creation.
std::vector<SkinControl> SkinTable() {
  const ModeButton& normal = *ModeButtonForMode(kModeNormal);
  return {
      {"ui_close", IDC_CLOSE, "close", {L"close_norm.bmp", L"close_over.bmp", L"close_down.bmp"},
       {"close_nor", "close_hover", "close_push"}, Kind::kImageButton},
      {"ui_min", IDC_MINIMIZE, "min", {L"minimize_norm.bmp", L"minimize_over.bmp", L"minimize_down.bmp"},
       {"min_nor", "min_hover", "min_push"}, Kind::kImageButton},
      {"ui_help", IDC_HELP_BUTTON, "help", {L"help_norm.bmp", L"help_over.bmp", L"help_down.bmp"},
       {"help_nor", "help_hover", "help_push"}, Kind::kImageButton},
      {"ui_launch", IDC_LAUNCH, "launch", {L"launch_norm.bmp", L"launch_over.bmp", L"launch_down.bmp"},
       {"launch_nor", "launch_hover", "launch_push"}, Kind::kImageButton},
      {"ui_browser", IDC_OPEN_FILE, "Browser",
       {L"image_change_norm.bmp", L"image_change_over.bmp", L"image_change_down.bmp"},
       {"browser_nor", "browser_hover", "browser_push"}, Kind::kFontButton, L"Open File", "button_font", 80,
       kLightText, 2, L"Open File"},
      {"ui_fscr", IDC_FULL_SCREEN, "FullScreen",
       {L"full_screen_norm.bmp", L"full_screen_over.bmp", L"full_screen_down.bmp"},
       {"fscr_nor", "fscr_hover", "fscr_push"}, Kind::kFontButton, L"Full Screen", "button_font", 80, kLightText, 2,
       L"Full Screen"},
      {"ui_apply", IDC_APPLY, "Apply", kButtonFiles, kButtonKeys, Kind::kFontButton, L"Apply", "button_font", 80,
       kLightText, 0, L"Apply"},
      {"ui_cancel", IDC_CANCEL, "Cancel", kButtonFiles, kButtonKeys, Kind::kFontButton, L"Cancel", "button_font",
       80, kLightText, 0, L"Cancel"},
      {"ui_LCDTab", IDC_LCD_TAB, "LCDTab", {L"LCD_button_down.bmp", L"LCD_button_down.bmp", L"LCD_button_down.bmp"},
       {"LCD_Tab_nor", "LCD_Tab_hover", "LCD_Tab_push"}, Kind::kFontButton, L"LCD Lumara", "button_font", 80,
       kDarkText, 2},
      {"ui_VideoTab", IDC_VIDEO_TAB, "VideoTab",
       {L"Video_button_down.bmp", L"Video_button_down.bmp", L"Video_button_down.bmp"},
       {"Video_Tab_nor", "Video_Tab_hover", "Video_Tab_push"}, Kind::kFontButton, L"Video Lumara", "button_font",
       80, kDarkText, 2},
      ModeControl(*ModeButtonForMode(kModeLumara)),
      ModeControl(*ModeButtonForMode(kModeVivid)),
      ModeControl(*ModeButtonForMode(kModeTheater)),
      ModeControl(*ModeButtonForMode(kModeSoft)),
      {"ui_default", IDC_DEFAULT, "Default", kModeFiles, kModeKeys, Kind::kFontButton, L"Default", "button_font",
       70, kDarkText, 0},
      ModeControl(normal),
      {"ui_STLabel", IDC_CONTRAST_LABEL, "STLabel", {L"button_norm.bmp", L"button_norm.bmp", L"button_norm.bmp"},
       {"bottom_nor", "bottom_hover", "bottom_push"}, Kind::kLabel, L"Contrast", "label_font", 70, kLabelText, 1},
      {"ui_NOLabel", IDC_NORMAL_LABEL, "NOLabel", {L"topbg.bmp", L"topbg.bmp", L"topbg.bmp"},
       {"top_nor", "top_hover", "top_push"}, Kind::kLabel, L"Normal Frame", "Frame_font", 80, kLabelText, 1},
      {"ui_APLabel", IDC_APPLIED_LABEL, "APLabel", {L"topbg.bmp", L"topbg.bmp", L"topbg.bmp"},
       {"top_nor", "top_hover", "top_push"}, Kind::kLabel, L"Applied Frame", "Frame_font", 80, kLabelText, 1},
  };
}

// A control whose pictures were missing has no size: it shows nothing and takes no clicks.
bool Usable(HWND control) {
  RECT rect{};
  return control && ::GetWindowRect(control, &rect) && rect.right > rect.left && rect.bottom > rect.top;
}

}  // namespace

std::map<int, HWND> CreateSkinSet(HWND dialog, const std::wstring& imageDirectory,
                                  std::map<int, framework::CButtonST>& placeholders, const Translate& translate) {
  ::InitSkin(imageDirectory.c_str());
  // The skin library finds the first item of a name, so a name registered again would never be
  // used: each bitmap and font name is registered once (several controls share them).
  std::set<std::string> registered;
  const auto firstTime = [&registered](const char* name) { return registered.insert(name).second; };
  std::map<int, HWND> shown;
  for (const SkinControl& control : SkinTable()) {
    for (size_t state = 0; state < control.files.size(); ++state) {
      if (firstTime(control.keys[state])) ::AttachBitmap(control.files[state], control.keys[state]);
    }
    if (control.kind == Kind::kImageButton) {
      ::AttachButtonSkin(control.keys[0], control.keys[1], control.keys[2], control.keys[1], control.skinName);
    } else {
      if (firstTime(control.fontKey)) ::AttachFont(control.fontSize, L"Verdana", control.fontKey, false);
      ::AttachFontButtonSkin(control.keys[0], control.keys[1], control.keys[2], control.keys[2], control.fontKey,
                             control.colour, control.colour, control.colour, control.skinName);
    }

    framework::CButtonST& placeholder = placeholders[control.id];
    const RECT at = placeholder.RectInParent();
    HWND made = nullptr;
    if (control.kind == Kind::kImageButton) {
      made = ::CreateButton(dialog, control.controlName, control.skinName, control.id, at.left, at.top, nullptr);
    } else {
      const std::wstring tooltip = control.tooltip ? translate(control.tooltip) : std::wstring();
      made = ::CreateFontButton(dialog, control.caption, control.style, control.controlName, control.skinName,
                                control.id, at.left, at.top, control.tooltip ? tooltip.c_str() : nullptr,
                                control.kind == Kind::kLabel);
    }
    if (Usable(made)) {
      placeholder.Show(false);
      shown[control.id] = made;
    } else {
      if (made) ::ShowWindow(made, SW_HIDE);
      placeholder.Show(true);
      shown[control.id] = placeholder.hwnd();
    }
  }
  return shown;
}

}  // namespace tl::panel
