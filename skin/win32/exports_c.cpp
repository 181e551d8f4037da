// KvSkin's exports: plain undecorated stdcall functions (names fixed by KvSkin.def).
#include "skin/win32/kvskin.h"
#include "skin/win32/skin_api.h"

namespace api = tl::skin::api;


extern "C" {

int WINAPI InitSkin(const wchar_t* imageDirectory) { return api::InitSkin(imageDirectory); }
int WINAPI ReleaseSkin(void) { return api::ReleaseSkin(); }
int WINAPI ReleaseSkinEx(BOOL release) { return release ? api::ReleaseSkin() : 1; }
int WINAPI AttachBitmap(const wchar_t* fileName, const char* bitmapName) {
  return api::AttachBitmap(fileName, bitmapName);
}
int WINAPI AttachBitmapEx(const wchar_t* fileName, const char* bitmapName, int x, int y, int width,
                          int height) {
  return api::AttachBitmapRect(fileName, bitmapName, x, y, width, height);
}
int WINAPI AttachFont(int heightTenthsOfPoint, const wchar_t* faceName, const char* fontName,
                      BOOL bold) {
  return api::AttachFont(heightTenthsOfPoint, faceName, fontName, bold != FALSE);
}
int WINAPI AttachButtonSkin(const char* normal, const char* hover, const char* pushed,
                            const char* disabled, const char* skinName) {
  return api::AttachButtonSkin(normal, hover, pushed, disabled, skinName);
}
int WINAPI AttachFontButtonSkin(const char* normal, const char* hover, const char* pushed,
                                const char* disabled, const char* fontName, DWORD colour1,
                                DWORD colour2, DWORD colour3, const char* skinName) {
  return api::AttachFontButtonSkin(normal, hover, pushed, disabled, fontName, colour1, colour2,
                                   colour3, skinName);
}
int WINAPI AttachSliderSkin(const char* channel1, const char* channel2, const char* thumb1,
                            const char* thumb2, const char* skinName) {
  return api::AttachSliderSkin(channel1, channel2, thumb1, thumb2, skinName);
}
HWND WINAPI CreateButton(HWND parent, const char* controlName, const char* skinName, int id, int x,
                         int y, const wchar_t* tooltip) {
  return api::CreateButton(parent, controlName, skinName, id, x, y, tooltip);
}
HWND WINAPI CreateFontButton(HWND parent, const wchar_t* text, int labelFlag,
                             const char* controlName, const char* skinName, int id, int x, int y,
                             const wchar_t* tooltip, BOOL transparent) {
  return api::CreateFontButton(parent, text, labelFlag, controlName, skinName, id, x, y, tooltip,
                               transparent != FALSE);
}
HWND WINAPI CreateSlider(HWND parent, const char* controlName, const char* skinName, int id,
                         int position, int minimum, int maximum, int x, int y) {
  return api::CreateSlider(parent, controlName, skinName, id, position, minimum, maximum, x, y);
}
void WINAPI SetUtlSliderPos(const char* controlName, int position) {
  api::SetSliderPos(controlName, position);
}
void WINAPI SetUtlButtonEnableFlag(const char* controlName, BOOL enabled) {
  api::SetButtonEnableFlag(controlName, enabled != FALSE);
}
void WINAPI SetUtlFontButtonText(const char* controlName, const wchar_t* text) {
  api::SetFontButtonText(controlName, text);
}
void WINAPI SetUtlFontButtonSelectFlag(const char* controlName, BOOL selected) {
  api::SetFontButtonSelectFlag(controlName, selected != FALSE);
}
void WINAPI SetUtlFontButtonTooltipActivate(const char* controlName, BOOL active) {
  api::SetFontButtonTooltipActivate(controlName, active != FALSE);
}
void WINAPI SetUtlFontButtonTransparent(const char* controlName, BOOL transparent) {
  api::SetFontButtonTransparent(controlName, transparent != FALSE);
}

}  // extern "C"
