// The plug-in strength dialog's behaviour without its windows: the strength, the switches and
// the panel's visibility, and what each event asks the window layer to do.
#pragma once

#include <cstdint>
#include <optional>

namespace tl::shared {

// Window messages to the plug-in's video window; both parameters 0.
inline constexpr uint32_t kStrengthChangedMessage = 0x8002;  // re-read GetAdjustmentEx
inline constexpr uint32_t kDemoModeChangedMessage = 0x8003;  // re-read GetDemoMode
inline constexpr uint32_t kMethodChangedMessage = 0x8004;    // re-read GetMethod

inline constexpr int kDefaultStrength = 50;
inline constexpr int kStrengthMin = 0;
inline constexpr int kStrengthMax = 100;

// Mouse messages the notification icon reports (the platform's values).
inline constexpr uint32_t kIconLeftButtonDown = 0x0201;
inline constexpr uint32_t kIconLeftDoubleClick = 0x0203;

// What one event asks for. The window layer carries the parts out in the order of the fields.
struct PanelActions {
  bool layOut = false;                 // first opening: place the window, create the controls
  std::optional<bool> show;            // show (true) or hide (false) the panel
  std::optional<int> sliderPosition;   // move the slider without a notification
  bool markChanged = false;            // SetChanged 1
  std::optional<int> adjustment;       // SetAdjustment with this strength
  std::optional<bool> methodSwitch;    // SetMethod and the "ui_setmethod" select flag
  std::optional<bool> demoSwitch;      // SetDemoMode and the "ui_demo" select flag
  std::optional<uint32_t> notify;      // message to the video window
};

class StrengthPanel {
 public:
  // The start-up strength, clamped to 0..100.
  explicit StrengthPanel(int strength);

  // The icon's mouse message. A press toggles the panel; a double click (the second press of
  // one) opens it and never closes it, so that double-clicking the icon leaves the panel shown.
  PanelActions OnIconMouse(uint32_t mouseMessage);
  PanelActions OnApply();
  PanelActions OnCancel();
  PanelActions OnDefault();
  PanelActions OnToggleMethod();
  PanelActions OnToggleDemo();
  // The slider reports a position (nothing happens when it equals the strength).
  PanelActions OnSlider(int position);
  // The window is asked to close: the panel is hidden, the program keeps running.
  PanelActions OnClose();

  int strength() const { return strength_; }
  int savedStrength() const { return savedStrength_; }
  bool visible() const { return visible_; }
  bool laidOut() const { return laidOut_; }
  bool methodSwitch() const { return method_; }
  bool demoSwitch() const { return demo_; }

 private:
  PanelActions SetVisible(bool visible);
  PanelActions ChangeStrength(int strength, bool moveSlider);

  int strength_;
  int savedStrength_ = kDefaultStrength;
  bool laidOut_ = false;
  bool visible_ = false;
  bool method_ = false;
  bool demo_ = false;
};

}  // namespace tl::shared
