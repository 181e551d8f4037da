// KvSkinAP's exports: C++ functions (this toolchain's decorated names) over the shared code.
#include "skin/win32/kvskinap.h"
#include "skin/win32/language_api.h"
#include "skin/win32/skin_api.h"

namespace api = tl::skin::api;
namespace language = tl::skin::language;

int InitSkin(const wchar_t* imageDirectory) { return api::InitSkin(imageDirectory); }
int ReleaseSkin() { return api::ReleaseSkin(); }
int AttachBitmap(const wchar_t* fileName, const char* bitmapName) {
  return api::AttachBitmap(fileName, bitmapName);
}
int AttachBitmap(const wchar_t* fileName, const char* bitmapName, int x, int y, int width,
                 int height) {
  return api::AttachBitmapRect(fileName, bitmapName, x, y, width, height);
}
int AttachFont(int heightTenthsOfPoint, const wchar_t* faceName, const char* fontName, bool bold) {
  return api::AttachFont(heightTenthsOfPoint, faceName, fontName, bold);
}
int AttachButtonSkin(const char* normal, const char* hover, const char* pushed,
                     const char* disabled, const char* skinName) {
  return api::AttachButtonSkin(normal, hover, pushed, disabled, skinName);
}
int AttachFontButtonSkin(const char* normal, const char* hover, const char* pushed,
                         const char* disabled, const char* fontName, DWORD colour1, DWORD colour2,
                         DWORD colour3, const char* skinName) {
  return api::AttachFontButtonSkin(normal, hover, pushed, disabled, fontName, colour1, colour2,
                                   colour3, skinName);
}
int AttachSliderSkin(const char* channel1, const char* channel2, const char* thumb1,
                     const char* thumb2, const char* skinName) {
  return api::AttachSliderSkin(channel1, channel2, thumb1, thumb2, skinName);
}

HWND CreateButton(HWND parent, const char* controlName, const char* skinName, int id, int x, int y,
                  const wchar_t* tooltip) {
  return api::CreateButton(parent, controlName, skinName, id, x, y, tooltip);
}
HWND CreateFontButton(HWND parent, const wchar_t* text, int labelFlag, const char* controlName,
                      const char* skinName, int id, int x, int y, const wchar_t* tooltip,
                      bool transparent) {
  return api::CreateFontButton(parent, text, labelFlag, controlName, skinName, id, x, y, tooltip,
                               transparent);
}
HWND CreateSlider(HWND parent, const char* controlName, const char* skinName, int id, int position,
                  int minimum, int maximum, int x, int y) {
  return api::CreateSlider(parent, controlName, skinName, id, position, minimum, maximum, x, y);
}
void SetUtlSliderPos(const char* controlName, int position) {
  api::SetSliderPos(controlName, position);
}
void SetUtlButtonEnableFlag(const char* controlName, bool enabled) {
  api::SetButtonEnableFlag(controlName, enabled);
}
void SetUtlFontButtonText(const char* controlName, const wchar_t* text) {
  api::SetFontButtonText(controlName, text);
}
void SetUtlFontButtonSelectFlag(const char* controlName, bool selected) {
  api::SetFontButtonSelectFlag(controlName, selected);
}
void SetUtlFontButtonTooltipActivate(const char* controlName, bool active) {
  api::SetFontButtonTooltipActivate(controlName, active);
}
void SetUtlFontButtonTransparent(const char* controlName, bool transparent) {
  api::SetFontButtonTransparent(controlName, transparent);
}

void UtlInitLanguageManager() { language::Init(); }
void UtlReleaseLanguageManager() { language::Release(); }
int UtlLoadLanguageProfile(const wchar_t* directory) { return language::LoadProfile(directory); }
int UtlLoadStrContainer(int nationId) { return language::LoadStrContainer(nationId); }
void UtlAttachLanguageFile(int nationId, const wchar_t* languageName, const wchar_t* fileName) {
  language::AttachLanguageFile(nationId, languageName, fileName);
}
const wchar_t* UtlLoadString(const wchar_t* key) { return language::LoadString(key); }
int UtlGetNationID() { return language::NationId(); }
int UtlGetNationID_Rev1() { return language::NationIdFromSystemLanguage(); }
int UtlGetCountryCode() { return language::CountryCode(); }
