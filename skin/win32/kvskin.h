// KvSkin: the same named skins and skinned controls as KvSkinAP, as plain undecorated
// stdcall exports (no language manager). The renderer's dialog and the plug-in dialog use it.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

int WINAPI InitSkin(const wchar_t* imageDirectory);
int WINAPI ReleaseSkin(void);
// Destroys the registry and ends the GDI+ session only when `release` is true.
int WINAPI ReleaseSkinEx(BOOL release);
int WINAPI AttachBitmap(const wchar_t* fileName, const char* bitmapName);
int WINAPI AttachBitmapEx(const wchar_t* fileName, const char* bitmapName, int x, int y, int width,
                          int height);
int WINAPI AttachFont(int heightTenthsOfPoint, const wchar_t* faceName, const char* fontName,
                      BOOL bold);
int WINAPI AttachButtonSkin(const char* normal, const char* hover, const char* pushed,
                            const char* disabled, const char* skinName);
int WINAPI AttachFontButtonSkin(const char* normal, const char* hover, const char* pushed,
                                const char* disabled, const char* fontName, DWORD colour1,
                                DWORD colour2, DWORD colour3, const char* skinName);
int WINAPI AttachSliderSkin(const char* channel1, const char* channel2, const char* thumb1,
                            const char* thumb2, const char* skinName);

HWND WINAPI CreateButton(HWND parent, const char* controlName, const char* skinName, int id, int x,
                         int y, const wchar_t* tooltip);
HWND WINAPI CreateFontButton(HWND parent, const wchar_t* text, int labelFlag,
                             const char* controlName, const char* skinName, int id, int x, int y,
                             const wchar_t* tooltip, BOOL transparent);
HWND WINAPI CreateSlider(HWND parent, const char* controlName, const char* skinName, int id,
                         int position, int minimum, int maximum, int x, int y);
void WINAPI SetUtlSliderPos(const char* controlName, int position);
void WINAPI SetUtlButtonEnableFlag(const char* controlName, BOOL enabled);
void WINAPI SetUtlFontButtonText(const char* controlName, const wchar_t* text);
void WINAPI SetUtlFontButtonSelectFlag(const char* controlName, BOOL selected);
void WINAPI SetUtlFontButtonTooltipActivate(const char* controlName, BOOL active);
void WINAPI SetUtlFontButtonTransparent(const char* controlName, BOOL transparent);

#ifdef __cplusplus
}
#endif
