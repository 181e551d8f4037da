// KvSkinAP: named skins, skinned controls and the language manager, exported as C++ functions.
// The control panel includes this header and links the KvSkinAP target.
#pragma once

#include <windows.h>

#if defined(TL_KVSKINAP_BUILD)
#define KVSKINAP_API __declspec(dllexport)
#else
#define KVSKINAP_API __declspec(dllimport)
#endif

// Skins (call InitSkin first; names are narrow, texts and paths wide).
KVSKINAP_API int InitSkin(const wchar_t* imageDirectory);
KVSKINAP_API int ReleaseSkin();
KVSKINAP_API int AttachBitmap(const wchar_t* fileName, const char* bitmapName);
KVSKINAP_API int AttachBitmap(const wchar_t* fileName, const char* bitmapName, int x, int y,
                              int width, int height);
KVSKINAP_API int AttachFont(int heightTenthsOfPoint, const wchar_t* faceName, const char* fontName,
                            bool bold);
KVSKINAP_API int AttachButtonSkin(const char* normal, const char* hover, const char* pushed,
                                  const char* disabled, const char* skinName);
KVSKINAP_API int AttachFontButtonSkin(const char* normal, const char* hover, const char* pushed,
                                      const char* disabled, const char* fontName, DWORD colour1,
                                      DWORD colour2, DWORD colour3, const char* skinName);
KVSKINAP_API int AttachSliderSkin(const char* channel1, const char* channel2, const char* thumb1,
                                  const char* thumb2, const char* skinName);

// Controls.
KVSKINAP_API HWND CreateButton(HWND parent, const char* controlName, const char* skinName, int id,
                               int x, int y, const wchar_t* tooltip);
KVSKINAP_API HWND CreateFontButton(HWND parent, const wchar_t* text, int labelFlag,
                                   const char* controlName, const char* skinName, int id, int x,
                                   int y, const wchar_t* tooltip, bool transparent);
KVSKINAP_API HWND CreateSlider(HWND parent, const char* controlName, const char* skinName, int id,
                               int position, int minimum, int maximum, int x, int y);
KVSKINAP_API void SetUtlSliderPos(const char* controlName, int position);
KVSKINAP_API void SetUtlButtonEnableFlag(const char* controlName, bool enabled);
KVSKINAP_API void SetUtlFontButtonText(const char* controlName, const wchar_t* text);
KVSKINAP_API void SetUtlFontButtonSelectFlag(const char* controlName, bool selected);
KVSKINAP_API void SetUtlFontButtonTooltipActivate(const char* controlName, bool active);
KVSKINAP_API void SetUtlFontButtonTransparent(const char* controlName, bool transparent);

// Language manager.
KVSKINAP_API void UtlInitLanguageManager();
KVSKINAP_API void UtlReleaseLanguageManager();
KVSKINAP_API int UtlLoadLanguageProfile(const wchar_t* directory);
KVSKINAP_API int UtlLoadStrContainer(int nationId);
KVSKINAP_API void UtlAttachLanguageFile(int nationId, const wchar_t* languageName,
                                        const wchar_t* fileName);
// The translation, or `key` itself (same pointer) when there is none.
KVSKINAP_API const wchar_t* UtlLoadString(const wchar_t* key);
KVSKINAP_API int UtlGetNationID();
KVSKINAP_API int UtlGetNationID_Rev1();
KVSKINAP_API int UtlGetCountryCode();
