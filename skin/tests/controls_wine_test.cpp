// KvSkinAP's skins and controls as real windows under Wine, driven with mouse messages.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/wine_testing.h"
#include "skin/tests/test_window.h"
#include "skin/win32/kvskinap.h"

namespace tl::skin::testing {
namespace {

constexpr int kButtonId = 1034;
constexpr int kFontButtonId = 1033;
constexpr int kSliderId = 525;

struct TooltipSearch {
  HWND tool;
  HWND tooltip;
};

BOOL CALLBACK FindTooltip(HWND w, LPARAM p) {
  auto* search = reinterpret_cast<TooltipSearch*>(p);
  wchar_t cls[64];
  ::GetClassNameW(w, cls, 64);
  if (std::wstring(cls) != TOOLTIPS_CLASSW) return TRUE;
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  if (::SendMessageW(w, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)) &&
      info.uId == reinterpret_cast<UINT_PTR>(search->tool))
    search->tooltip = w;
  return TRUE;
}

// The tooltip window whose tool is `control`.
HWND TooltipOf(HWND control) {
  TooltipSearch search{control, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindTooltip, reinterpret_cast<LPARAM>(&search));
  return search.tooltip;
}

class SkinControls : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = WriteSkinPictures();
    ASSERT_EQ(InitSkin(dir_.c_str()), 1);
    ASSERT_EQ(AttachBitmap(L"btn_nor.bmp", "b_nor"), 1);
    ASSERT_EQ(AttachBitmap(L"btn_over.bmp", "b_hover"), 1);
    ASSERT_EQ(AttachBitmap(L"btn_down.bmp", "b_push"), 1);
    ASSERT_EQ(AttachBitmap(L"btn_dis.bmp", "b_dis"), 1);
    ASSERT_EQ(AttachBitmap(L"channel.bmp", "channel"), 1);
    ASSERT_EQ(AttachBitmap(L"thumb.bmp", "thumb"), 1);
    ASSERT_EQ(AttachFont(90, L"Arial", "button_font", true), 1);
    ASSERT_EQ(AttachButtonSkin("b_nor", "b_hover", "b_push", "b_dis", "close"), 1);
    ASSERT_EQ(AttachFontButtonSkin("b_nor", "b_hover", "b_push", "b_push", "button_font",
                                   0xFFF0F0F0, 0xFFFFFF00, 0xFF000000, "apply"),
              1);
    ASSERT_EQ(AttachSliderSkin("channel", "channel", "thumb", "thumb", "slider_strength"), 1);
  }
  void TearDown() override {
    window_.reset();
    EXPECT_EQ(ReleaseSkin(), 1);
  }

  TestWindow& Window() {
    if (!window_) window_ = std::make_unique<TestWindow>();
    return *window_;
  }
  std::vector<Notification> Commands() const {
    std::vector<Notification> out;
    for (const auto& n : window_->received)
      if (n.message == WM_COMMAND) out.push_back(n);
    return out;
  }

  std::wstring dir_;
  std::unique_ptr<TestWindow> window_;
};

TEST_F(SkinControls, ButtonClickNeedsTheReleaseOnTheButton) {
  HWND button = CreateButton(Window().hwnd(), "ui_close", "close", kButtonId, 10, 10, nullptr);
  ASSERT_NE(button, nullptr);
  RECT r{};
  ::GetWindowRect(button, &r);
  EXPECT_EQ(r.right - r.left, 60);
  EXPECT_EQ(r.bottom - r.top, 24);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(button, GWL_STYLE)) & 0xFFFF0000u, 0x56000000u);

  // Press, drag off, release: nothing.
  Send(button, WM_LBUTTONDOWN, 20, 10);
  EXPECT_EQ(::GetCapture(), button);
  Send(button, WM_MOUSEMOVE, 200, 10);
  Send(button, WM_LBUTTONUP, 200, 10);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_TRUE(Commands().empty());

  // Press, drag off, back on, release: one click.
  Send(button, WM_LBUTTONDOWN, 20, 10);
  Send(button, WM_MOUSEMOVE, -30, 10);
  Send(button, WM_MOUSEMOVE, 25, 12);
  Send(button, WM_LBUTTONUP, 25, 12);
  const auto commands = Commands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(LOWORD(commands[0].wParam), kButtonId);
  EXPECT_EQ(HIWORD(commands[0].wParam), BN_CLICKED);
  EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(button));

  // A right press goes to the parent as it came.
  Send(button, WM_RBUTTONDOWN, 3, 4);
  ASSERT_EQ(Window().received.back().message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(Window().received.back().lParam, MAKELPARAM(3, 4));
}

TEST_F(SkinControls, FontButtonClickGivesTwoCommands) {
  HWND button = CreateFontButton(Window().hwnd(), L"Apply", 0, "ui_apply", "apply",
                                 kFontButtonId, 10, 50, L"Apply", false);
  ASSERT_NE(button, nullptr);
  Send(button, WM_LBUTTONDOWN, 30, 10);
  Send(button, WM_LBUTTONUP, 30, 10);
  auto commands = Commands();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(kFontButtonId, BN_CLICKED));
  EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(commands[1].wParam, MAKEWPARAM(kFontButtonId, 0));
  EXPECT_EQ(commands[1].lParam, 0);

  // A press cancelled by dragging off still ends with the second message only.
  Window().received.clear();
  Send(button, WM_LBUTTONDOWN, 30, 10);
  Send(button, WM_MOUSEMOVE, 300, 10);
  Send(button, WM_LBUTTONUP, 300, 10);
  commands = Commands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].lParam, 0);

  // With the enabled look off the window still reports the click, without the second message.
  Window().received.clear();
  SetUtlButtonEnableFlag("ui_apply", false);
  Send(button, WM_LBUTTONDOWN, 30, 10);
  Send(button, WM_LBUTTONUP, 30, 10);
  EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(SkinControls, WindowRegionCutsOutTheKeyColour) {
  HWND button = CreateButton(Window().hwnd(), "ui_close", "close", kButtonId, 10, 10, nullptr);
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(button, region), ERROR);
  EXPECT_FALSE(::PtInRegion(region, 0, 5)) << "magenta column";
  EXPECT_FALSE(::PtInRegion(region, 1, 23));
  EXPECT_FALSE(::PtInRegion(region, 58, 1)) << "magenta corner";
  EXPECT_TRUE(::PtInRegion(region, 2, 5));
  EXPECT_TRUE(::PtInRegion(region, 58, 10));
  ::DeleteObject(region);

  PumpMessages();
  EXPECT_EQ(ScreenPixel(button, 10, 10), kNormalColour) << "the normal state is drawn";
  EXPECT_EQ(ScreenPixel(Window().hwnd(), 10, 15), 0x285AA0u) << "the parent shows through";
}

TEST_F(SkinControls, StateImagesFollowTheMouseAndTheLooks) {
  HWND button = CreateButton(Window().hwnd(), "ui_close", "close", kButtonId, 10, 10, nullptr);
  PumpMessages();
  Send(button, WM_MOUSEMOVE, 20, 10);
  EXPECT_EQ(ScreenPixel(button, 20, 10), kHoverColour);
  Send(button, WM_LBUTTONDOWN, 20, 10);
  EXPECT_EQ(ScreenPixel(button, 20, 10), kPushedColour);
  Send(button, WM_LBUTTONUP, 20, 10);
  ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(ScreenPixel(button, 20, 10), kNormalColour);

  PaintCounter paints(button);
  SetUtlButtonEnableFlag("ui_close", true);
  EXPECT_EQ(paints.count(), 0) << "same flag: no repaint";
  SetUtlButtonEnableFlag("ui_close", false);
  EXPECT_GE(paints.count(), 1);
  EXPECT_EQ(ScreenPixel(button, 20, 10), kDisabledColour);
  EXPECT_TRUE(::IsWindowEnabled(button)) << "only the look changes";
  SetUtlButtonEnableFlag("ui_close", true);
  ::SendMessageW(button, WM_APP + 5, 1, 0);
  EXPECT_EQ(ScreenPixel(button, 20, 10), kDisabledColour);
  ::SendMessageW(button, WM_APP + 5, 2, 0);
  EXPECT_EQ(ScreenPixel(button, 20, 10), kNormalColour);
}

TEST_F(SkinControls, FontButtonSettersRepaintOnlyOnChange) {
  HWND plain = CreateFontButton(Window().hwnd(), L"Vivid", 0, "ui_vivid", "apply", 1027, 10, 50,
                                nullptr, false);
  HWND tipped = CreateFontButton(Window().hwnd(), L"Soft", 0, "ui_soft", "apply", 1026, 80, 50,
                                 L"Color Tone: Soft Mode", false);
  ASSERT_NE(plain, nullptr);
  PumpMessages();
  PaintCounter paints(plain);
  SetUtlFontButtonSelectFlag("ui_vivid", false);
  EXPECT_EQ(paints.count(), 0);
  SetUtlFontButtonSelectFlag("ui_vivid", true);
  EXPECT_EQ(paints.count(), 1);
  EXPECT_EQ(ScreenPixel(plain, 58, 20), kPushedColour) << "selected shows the fourth bitmap";
  SetUtlFontButtonSelectFlag("ui_vivid", true);
  EXPECT_EQ(paints.count(), 1);

  paints.reset();
  SetUtlFontButtonTooltipActivate("ui_vivid", true);
  SetUtlFontButtonTooltipActivate("ui_vivid", false);
  EXPECT_EQ(paints.count(), 0) << "no tooltip text: nothing happens";

  SetUtlFontButtonTransparent("ui_vivid", false);
  EXPECT_EQ(paints.count(), 0);
  SetUtlFontButtonTransparent("ui_vivid", true);
  EXPECT_EQ(paints.count(), 1);
  EXPECT_EQ(ScreenPixel(plain, 58, 20), 0x285AA0u) << "the parent's background, no skin";

  paints.reset();
  SetUtlFontButtonText("ui_vivid", L"Lebhaft");
  EXPECT_EQ(paints.count(), 1);

  // The tooltip: one tool, activated; deactivation hides it.
  HWND tooltip = TooltipOf(tipped);
  ASSERT_NE(tooltip, nullptr);
  EXPECT_EQ(::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
  PaintCounter tippedPaints(tipped);
  SetUtlFontButtonTooltipActivate("ui_soft", false);
  EXPECT_FALSE(::IsWindowVisible(tooltip));
  EXPECT_EQ(tippedPaints.count(), 1);

  // Unknown names are ignored.
  SetUtlFontButtonText("ui_missing", L"x");
  SetUtlFontButtonSelectFlag("ui_missing", true);
  SetUtlSliderPos("ui_missing", 3);
  SetUtlButtonEnableFlag("ui_missing", false);
}

TEST_F(SkinControls, TextIsDrawnInTheColourOfTheState) {
  HWND button = CreateFontButton(Window().hwnd(), L"MMMM", 0, "ui_apply", "apply", kFontButtonId,
                                 10, 50, nullptr, false);
  PumpMessages();
  auto countColour = [&](uint32_t colour) {
    const auto pixels = CaptureClient(button);
    return std::count(pixels.begin(), pixels.end(), colour);
  };
  EXPECT_GT(countColour(0xF0F0F0), 0) << "first colour at rest";
  Send(button, WM_MOUSEMOVE, 30, 10);
  EXPECT_GT(countColour(0xFFFF00), 0) << "second colour under the mouse";
  EXPECT_EQ(countColour(0xF0F0F0), 0);
}

TEST_F(SkinControls, SliderDragsReportPositions) {
  HWND slider = CreateSlider(Window().hwnd(), "ui_slider_strength", "slider_strength", kSliderId,
                             50, 0, 100, 10, 100);
  ASSERT_NE(slider, nullptr);
  RECT r{};
  ::GetWindowRect(slider, &r);
  EXPECT_EQ(r.right - r.left, 110);
  EXPECT_EQ(r.bottom - r.top, 18);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 50);

  // Press beside the thumb: it jumps under the pointer (centre 5 + position).
  Send(slider, WM_LBUTTONDOWN, 25, 9);
  ASSERT_EQ(Window().received.size(), 1u);
  EXPECT_EQ(Window().received[0].message, static_cast<UINT>(WM_HSCROLL));
  EXPECT_EQ(Window().received[0].wParam, 20u);
  EXPECT_EQ(Window().received[0].lParam, kSliderId);
  Send(slider, WM_MOUSEMOVE, 40, 9);
  Send(slider, WM_MOUSEMOVE, 40, 12);  // same pixel: nothing
  Send(slider, WM_MOUSEMOVE, 500, 9);  // limited to the end
  Send(slider, WM_LBUTTONUP, 500, 9);
  ASSERT_EQ(Window().received.size(), 3u);
  EXPECT_EQ(Window().received[1].wParam, 35u);
  EXPECT_EQ(Window().received[2].wParam, 100u);
  EXPECT_EQ(::GetCapture(), nullptr);

  // Press on the thumb keeps the grab offset: the thumb does not jump.
  Window().received.clear();
  SetUtlSliderPos("ui_slider_strength", 50);
  EXPECT_TRUE(Window().received.empty()) << "setting the position does not notify";
  Send(slider, WM_LBUTTONDOWN, 57, 9);
  EXPECT_TRUE(Window().received.empty());
  Send(slider, WM_MOUSEMOVE, 67, 9);
  ASSERT_EQ(Window().received.size(), 1u);
  EXPECT_EQ(Window().received[0].wParam, 60u);
  Send(slider, WM_LBUTTONUP, 67, 9);

  SetUtlSliderPos("ui_slider_strength", 1000);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 100);
  ::SendMessageW(slider, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 100) << "keys are swallowed";

  PumpMessages();
  EXPECT_EQ(ScreenPixel(slider, 105, 9), 0xF0C000u) << "the thumb at the end";
  EXPECT_EQ(ScreenPixel(slider, 30, 8), 0xE0E0E0u) << "the channel";
}

TEST_F(SkinControls, LookupsFallBackToTheFirstItem) {
  EXPECT_EQ(AttachBitmap(L"missing.bmp", "missing"), 0);
  EXPECT_EQ(AttachBitmap(L"broken.bmp", "broken"), 0);
  EXPECT_EQ(AttachBitmap(L"btn_nor.bmp", "part", 50, 0, 20, 10), 0) << "outside the picture";
  // A skin of unknown bitmaps is drawn with the first registered bitmap (btn_nor).
  AttachButtonSkin("nope", "nope", "nope", "nope", "ghost");
  HWND ghost = CreateButton(Window().hwnd(), "ui_ghost", "ghost", 1, 10, 10, nullptr);
  RECT r{};
  ::GetWindowRect(ghost, &r);
  EXPECT_EQ(r.right - r.left, 60);
  PumpMessages();
  EXPECT_EQ(ScreenPixel(ghost, 20, 10), kNormalColour);

  // Same name twice: the first is found. The rectangle (0, 0, w, h) is the whole picture;
  // the core header gives the same size.
  ASSERT_EQ(AttachBitmap(L"btn_dis.bmp", "twice", 2, 2, 30, 12), 1);
  ASSERT_EQ(AttachBitmap(L"btn_nor.bmp", "twice"), 1);
  ASSERT_EQ(AttachBitmap(L"btn_nor.bmp", "whole", 0, 0, 60, 24), 1);
  ASSERT_EQ(AttachBitmap(L"core.bmp", "core"), 1);
  AttachButtonSkin("twice", "twice", "twice", "twice", "s_twice");
  AttachButtonSkin("whole", "whole", "whole", "whole", "s_whole");
  AttachButtonSkin("core", "core", "core", "core", "s_core");
  HWND twice = CreateButton(Window().hwnd(), "a", "s_twice", 2, 100, 10, nullptr);
  HWND whole = CreateButton(Window().hwnd(), "b", "s_whole", 3, 200, 10, nullptr);
  HWND core = CreateButton(Window().hwnd(), "c", "s_core", 4, 300, 10, nullptr);
  ::GetWindowRect(twice, &r);
  EXPECT_EQ(r.right - r.left, 30);
  EXPECT_EQ(r.bottom - r.top, 12);
  PumpMessages();
  EXPECT_EQ(ScreenPixel(twice, 5, 5), kDisabledColour);
  for (HWND h : {whole, core}) {
    ::GetWindowRect(h, &r);
    EXPECT_EQ(r.right - r.left, 60);
    EXPECT_EQ(r.bottom - r.top, 24);
    EXPECT_EQ(ScreenPixel(h, 30, 12), kNormalColour);
  }
}

TEST_F(SkinControls, ReleasingTheSkinsInsideAClickIsSafe) {
  HWND button = CreateFontButton(Window().hwnd(), L"Apply", 0, "ui_apply", "apply",
                                 kFontButtonId, 10, 50, L"Apply", false);
  int commands = 0;
  Window().onCommand = [&](WPARAM, LPARAM) {
    if (++commands == 1) {
      // As the control panel's Apply does: the window goes, and the skins with it.
      ::DestroyWindow(Window().hwnd());
      ReleaseSkin();
    }
  };
  Send(button, WM_LBUTTONDOWN, 30, 10);
  Send(button, WM_LBUTTONUP, 30, 10);
  EXPECT_EQ(commands, 1);
  EXPECT_FALSE(::IsWindow(button));
  InitSkin(dir_.c_str());
}

TEST_F(SkinControls, ParentDestroyedByTheClickGetsNoSecondCommand) {
  HWND button = CreateFontButton(Window().hwnd(), L"Cancel", 0, "ui_cancel", "apply", 1032, 10,
                                 50, nullptr, false);
  int commands = 0;
  Window().onCommand = [&](WPARAM, LPARAM) {
    ++commands;
    ::DestroyWindow(Window().hwnd());
  };
  Send(button, WM_LBUTTONDOWN, 30, 10);
  Send(button, WM_LBUTTONUP, 30, 10);
  EXPECT_EQ(commands, 1);
  EXPECT_FALSE(::IsWindow(button));
  SetUtlFontButtonText("ui_cancel", L"gone");  // a control without a window is left alone
}

TEST_F(SkinControls, ScreenshotOfAllThreeControls) {
  TestWindow& w = Window();
  CreateButton(w.hwnd(), "ui_close", "close", kButtonId, 340, 10, nullptr);
  CreateFontButton(w.hwnd(), L"Apply", 0, "ui_apply", "apply", kFontButtonId, 340, 160, L"Apply", false);
  CreateFontButton(w.hwnd(), L"Cancel", 0, "ui_cancel", "apply", 1032, 270, 160, L"Cancel", false);
  CreateFontButton(w.hwnd(), L"Vivid", 0, "ui_vivid", "apply", 1027, 20, 60, nullptr, false);
  CreateFontButton(w.hwnd(), L"Contrast", 1, "ui_label", "apply", 1065, 20, 100, nullptr, true);
  CreateSlider(w.hwnd(), "ui_slider_strength", "slider_strength", kSliderId, 30, 0, 100, 120, 104);
  SetUtlFontButtonSelectFlag("ui_vivid", true);
  ::RedrawWindow(w.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
  const std::wstring path = tl::testing::ArtifactDir() + L"skin_controls.png";
  ASSERT_TRUE(SaveWindowPng(w.hwnd(), path));
  EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace tl::skin::testing
