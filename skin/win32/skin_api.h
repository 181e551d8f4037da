// The implementation behind both export sets (KvSkinAP's C++ functions and KvSkin's plain ones).
#pragma once

#include <windows.h>

namespace tl::skin::api {

int InitSkin(const wchar_t* imageDirectory);
int ReleaseSkin();
int AttachBitmap(const wchar_t* fileName, const char* bitmapName);
int AttachBitmapRect(const wchar_t* fileName, const char* bitmapName, int x, int y, int width,
                     int height);
int AttachFont(int heightTenthsOfPoint, const wchar_t* faceName, const char* fontName, bool bold);
int AttachButtonSkin(const char* normal, const char* hover, const char* pushed,
                     const char* disabled, const char* skinName);
int AttachFontButtonSkin(const char* normal, const char* hover, const char* pushed,
                         const char* disabled, const char* fontName, DWORD colour1, DWORD colour2,
                         DWORD colour3, const char* skinName);
int AttachSliderSkin(const char* channel1, const char* channel2, const char* thumb1,
                     const char* thumb2, const char* skinName);
HWND CreateButton(HWND parent, const char* controlName, const char* skinName, int id, int x, int y,
                  const wchar_t* tooltip);
HWND CreateFontButton(HWND parent, const wchar_t* text, int labelFlag, const char* controlName,
                      const char* skinName, int id, int x, int y, const wchar_t* tooltip,
                      bool transparent);
HWND CreateSlider(HWND parent, const char* controlName, const char* skinName, int id, int position,
                  int minimum, int maximum, int x, int y);
void SetSliderPos(const char* controlName, int position);
void SetButtonEnableFlag(const char* controlName, bool enabled);
void SetFontButtonText(const char* controlName, const wchar_t* text);
void SetFontButtonSelectFlag(const char* controlName, bool selected);
void SetFontButtonTooltipActivate(const char* controlName, bool active);
void SetFontButtonTransparent(const char* controlName, bool transparent);

}  // namespace tl::skin::api
