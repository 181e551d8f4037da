// The plug-in dialog's rules: the icon, Apply, Cancel, Default, the slider and the two switches.
#include "shared_state/core/strength_panel.h"

#include <gtest/gtest.h>

namespace {

using tl::shared::PanelActions;
using tl::shared::StrengthPanel;

TEST(StrengthPanel, FirstIconPressLaysOutAndShowsThenToggles) {
  StrengthPanel panel(70);
  EXPECT_EQ(panel.savedStrength(), 50);
  PanelActions a = panel.OnIconMouse(tl::shared::kIconLeftButtonDown);
  EXPECT_TRUE(a.layOut);
  EXPECT_EQ(a.show, true);
  EXPECT_EQ(panel.savedStrength(), 70);
  EXPECT_FALSE(a.notify.has_value());

  a = panel.OnIconMouse(tl::shared::kIconLeftButtonDown);
  EXPECT_FALSE(a.layOut);
  EXPECT_EQ(a.show, false);
  a = panel.OnIconMouse(tl::shared::kIconLeftButtonDown);
  EXPECT_FALSE(a.layOut) << "laid out once only";
  EXPECT_EQ(a.show, true);

  // Other mouse messages (moves, the right button) change nothing.
  a = panel.OnIconMouse(0x0200);
  EXPECT_FALSE(a.show.has_value());
  a = panel.OnIconMouse(0x0205);
  EXPECT_FALSE(a.show.has_value());
  EXPECT_TRUE(panel.visible());
}

TEST(StrengthPanel, DoubleClickLeavesThePanelOpen) {
  StrengthPanel panel(50);
  // A double click arrives as a press and then a double-click message.
  EXPECT_EQ(panel.OnIconMouse(tl::shared::kIconLeftButtonDown).show, true);
  EXPECT_FALSE(panel.OnIconMouse(tl::shared::kIconLeftDoubleClick).show.has_value());
  EXPECT_TRUE(panel.visible());
  // On a shown panel the press closes it and the double click opens it again.
  EXPECT_EQ(panel.OnIconMouse(tl::shared::kIconLeftButtonDown).show, false);
  EXPECT_EQ(panel.OnIconMouse(tl::shared::kIconLeftDoubleClick).show, true);
  EXPECT_TRUE(panel.visible());
}

TEST(StrengthPanel, CancelPutsBackTheStrengthOfTheOpening) {
  StrengthPanel panel(30);
  panel.OnIconMouse(tl::shared::kIconLeftButtonDown);
  PanelActions a = panel.OnSlider(80);
  EXPECT_EQ(panel.strength(), 80);
  EXPECT_TRUE(a.markChanged);
  EXPECT_EQ(a.adjustment, 80);
  EXPECT_EQ(a.notify, tl::shared::kStrengthChangedMessage);
  EXPECT_FALSE(a.sliderPosition.has_value()) << "the slider is where the user put it";

  a = panel.OnCancel();
  EXPECT_EQ(panel.strength(), 30);
  EXPECT_EQ(a.sliderPosition, 30);
  EXPECT_EQ(a.show, false);
  EXPECT_TRUE(a.markChanged);
  EXPECT_EQ(a.adjustment, 30);
  EXPECT_EQ(a.notify, tl::shared::kStrengthChangedMessage);
  EXPECT_FALSE(panel.visible());

  // Apply keeps the strength; the next opening saves it as the point Cancel returns to.
  panel.OnIconMouse(tl::shared::kIconLeftButtonDown);
  panel.OnSlider(90);
  a = panel.OnApply();
  EXPECT_EQ(a.show, false);
  EXPECT_FALSE(a.notify.has_value());
  EXPECT_EQ(panel.strength(), 90);
  panel.OnIconMouse(tl::shared::kIconLeftButtonDown);
  panel.OnSlider(10);
  panel.OnCancel();
  EXPECT_EQ(panel.strength(), 90);
}

TEST(StrengthPanel, DefaultAndTheSliderLimits) {
  StrengthPanel panel(130);
  EXPECT_EQ(panel.strength(), 100) << "clamped at start";
  PanelActions a = panel.OnDefault();
  EXPECT_EQ(panel.strength(), 50);
  EXPECT_EQ(a.sliderPosition, 50);
  EXPECT_EQ(a.adjustment, 50);
  EXPECT_FALSE(a.show.has_value()) << "the panel stays";

  EXPECT_FALSE(panel.OnSlider(50).notify.has_value()) << "same position: nothing";
  EXPECT_EQ(panel.OnSlider(-20).adjustment, 0);
  EXPECT_FALSE(panel.OnSlider(-1).notify.has_value()) << "clamped to the same strength";
  EXPECT_EQ(panel.OnSlider(400).adjustment, 100);
}

TEST(StrengthPanel, SwitchesToggleAndNameTheirMessages) {
  StrengthPanel panel(50);
  PanelActions a = panel.OnToggleMethod();
  EXPECT_EQ(a.methodSwitch, true);
  EXPECT_EQ(a.notify, tl::shared::kMethodChangedMessage);
  EXPECT_EQ(panel.OnToggleMethod().methodSwitch, false);
  a = panel.OnToggleDemo();
  EXPECT_EQ(a.demoSwitch, true);
  EXPECT_EQ(a.notify, tl::shared::kDemoModeChangedMessage);
  EXPECT_FALSE(a.markChanged);
  EXPECT_TRUE(panel.demoSwitch());
  EXPECT_FALSE(panel.methodSwitch());
}

TEST(StrengthPanel, CloseHidesOnly) {
  StrengthPanel panel(50);
  EXPECT_FALSE(panel.OnClose().show.has_value());
  panel.OnIconMouse(tl::shared::kIconLeftButtonDown);
  EXPECT_EQ(panel.OnClose().show, false);
  EXPECT_FALSE(panel.visible());
}

}  // namespace
