// KvSkin: the same skins and controls through plain undecorated exports.
#include <gtest/gtest.h>

#include "skin/tests/test_window.h"
#include "skin/win32/kvskin.h"

namespace tl::skin::testing {
namespace {

TEST(KvSkinPlainExports, ExportsAreUndecorated) {
  HMODULE module = ::GetModuleHandleW(L"KvSkin.dll");
  ASSERT_NE(module, nullptr);
  for (const char* name :
       {"InitSkin", "ReleaseSkin", "ReleaseSkinEx", "AttachBitmap", "AttachBitmapEx",
        "AttachButtonSkin", "AttachFontButtonSkin", "AttachFont", "AttachSliderSkin",
        "CreateButton", "CreateFontButton", "CreateSlider", "SetUtlSliderPos",
        "SetUtlButtonEnableFlag", "SetUtlFontButtonText", "SetUtlFontButtonSelectFlag",
        "SetUtlFontButtonTooltipActivate", "SetUtlFontButtonTransparent"})
    EXPECT_NE(::GetProcAddress(module, name), nullptr) << name;
  EXPECT_EQ(::GetProcAddress(module, "UtlLoadString"), nullptr) << "no language manager";
}

TEST(KvSkinPlainExports, RendererDialogSetUp) {
  const std::wstring dir = WriteSkinPictures();
  ASSERT_EQ(InitSkin(dir.c_str()), 1);
  ASSERT_EQ(AttachBitmap(L"btn_nor.bmp", "apply_nor"), 1);
  ASSERT_EQ(AttachBitmap(L"btn_down.bmp", "apply_push"), 1);
  ASSERT_EQ(AttachBitmapEx(L"btn_over.bmp", "apply_hover", 0, 0, 60, 24), 1);
  EXPECT_EQ(AttachBitmapEx(L"btn_over.bmp", "too_big", 0, 0, 61, 24), 0);
  ASSERT_EQ(AttachFont(80, L"Arial", "button_font", TRUE), 1);
  AttachFontButtonSkin("apply_nor", "apply_hover", "apply_push", "apply_push", "button_font",
                       0xF0F0F0F0, 0xF0F0F0F0, 0xF0F0F0F0, "apply");
  ASSERT_EQ(AttachBitmap(L"channel.bmp", "slider_channel"), 1);
  ASSERT_EQ(AttachBitmap(L"thumb.bmp", "B_btn"), 1);
  AttachSliderSkin("slider_channel", "slider_channel", "B_btn", "B_btn", "slider_strength");

  {
    TestWindow window(250, 130);
    HWND apply = CreateFontButton(window.hwnd(), L"Apply", 0, "ui_apply", "apply", 513, 129, 96,
                                  nullptr, FALSE);
    HWND slider = CreateSlider(window.hwnd(), "ui_slider_strength", "slider_strength", 525, 40, 0,
                               100, 14, 62);
    ASSERT_NE(apply, nullptr);
    ASSERT_NE(slider, nullptr);
    Send(apply, WM_LBUTTONDOWN, 30, 10);
    Send(apply, WM_LBUTTONUP, 30, 10);
    ASSERT_EQ(window.received.size(), 2u);
    EXPECT_EQ(window.received[1].lParam, 0);

    // The marked dynamic-tone button of the renderer's dialog is a text button.
    SetUtlButtonEnableFlag("ui_apply", FALSE);
    PumpMessages();
    EXPECT_EQ(ScreenPixel(apply, 58, 20), kPushedColour);

    // A release that keeps the registry: the controls still answer.
    EXPECT_EQ(ReleaseSkinEx(FALSE), 1);
    SetUtlSliderPos("ui_slider_strength", 70);
    EXPECT_EQ(::SendMessageW(slider, 0x400 /* TBM_GETPOS */, 0, 0), 70);
    // InitSkin again keeps the registry and only changes the directory.
    EXPECT_EQ(InitSkin(L"C:\\nowhere\\"), 1);
    SetUtlSliderPos("ui_slider_strength", 10);
    EXPECT_EQ(::SendMessageW(slider, 0x400, 0, 0), 10);
    EXPECT_EQ(AttachBitmap(L"btn_nor.bmp", "x"), 0) << "the directory changed";
    EXPECT_EQ(ReleaseSkinEx(TRUE), 1);
    EXPECT_FALSE(::IsWindow(slider)) << "released controls lose their windows";
    SetUtlSliderPos("ui_slider_strength", 10);
  }
  EXPECT_EQ(AttachBitmap(L"btn_nor.bmp", "x"), 0) << "no registry after the release";
  EXPECT_EQ(AttachFont(80, L"Arial", "f", FALSE), 0);
  EXPECT_EQ(AttachButtonSkin("a", "b", "c", "d", "s"), 0);
  EXPECT_EQ(CreateSlider(nullptr, "s", "s", 1, 0, 0, 100, 0, 0), nullptr);

  // A directory far longer than a path may be: the bitmap fails to load, nothing else happens.
  const std::wstring longDir = L"C:\\" + std::wstring(300, L'd') + L"\\";
  ASSERT_EQ(InitSkin(longDir.c_str()), 1);
  EXPECT_EQ(AttachBitmap(L"btn_nor.bmp", "x"), 0);
  EXPECT_EQ(ReleaseSkin(), 1);
}

}  // namespace
}  // namespace tl::skin::testing
