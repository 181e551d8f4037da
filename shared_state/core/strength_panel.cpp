#include "shared_state/core/strength_panel.h"

#include <algorithm>

namespace tl::shared {
namespace {

int ClampStrength(int strength) { return std::clamp(strength, kStrengthMin, kStrengthMax); }

}  // namespace

StrengthPanel::StrengthPanel(int strength) : strength_(ClampStrength(strength)) {}

PanelActions StrengthPanel::SetVisible(bool visible) {
  PanelActions actions;
  if (visible && !laidOut_) {
    actions.layOut = true;
    laidOut_ = true;
  }
  visible_ = visible;
  actions.show = visible;
  return actions;
}

PanelActions StrengthPanel::ChangeStrength(int strength, bool moveSlider) {
  strength_ = ClampStrength(strength);
  PanelActions actions;
  if (moveSlider) actions.sliderPosition = strength_;
  actions.markChanged = true;
  actions.adjustment = strength_;
  actions.notify = kStrengthChangedMessage;
  return actions;
}

PanelActions StrengthPanel::OnIconMouse(uint32_t mouseMessage) {
  if (mouseMessage == kIconLeftDoubleClick && visible_) return {};
  if (mouseMessage != kIconLeftButtonDown && mouseMessage != kIconLeftDoubleClick) return {};
  PanelActions actions = SetVisible(!visible_);
  savedStrength_ = strength_;
  return actions;
}

PanelActions StrengthPanel::OnApply() { return SetVisible(false); }

PanelActions StrengthPanel::OnCancel() {
  PanelActions actions = ChangeStrength(savedStrength_, true);
  visible_ = false;
  actions.show = false;
  return actions;
}

PanelActions StrengthPanel::OnDefault() { return ChangeStrength(kDefaultStrength, true); }

PanelActions StrengthPanel::OnToggleMethod() {
  method_ = !method_;
  PanelActions actions;
  actions.methodSwitch = method_;
  actions.notify = kMethodChangedMessage;
  return actions;
}

PanelActions StrengthPanel::OnToggleDemo() {
  demo_ = !demo_;
  PanelActions actions;
  actions.demoSwitch = demo_;
  actions.notify = kDemoModeChangedMessage;
  return actions;
}

PanelActions StrengthPanel::OnSlider(int position) {
  const int clamped = ClampStrength(position);
  if (clamped == strength_) return {};
  return ChangeStrength(clamped, false);
}

PanelActions StrengthPanel::OnClose() { return visible_ ? SetVisible(false) : PanelActions{}; }

}  // namespace tl::shared
