#include "skin/win32/skin_api.h"

#include "skin/win32/skin_manager.h"

namespace tl::skin::api {
namespace {

int AddBitmap(const wchar_t* fileName, const char* bitmapName, bool rectangle, int x, int y,
              int width, int height) {
  SkinManager* m = Manager();
  if (!m || !fileName) return 0;
  auto bitmap =
      SkinBitmap::Load(m->imageDirectory + fileName, rectangle, x, y, width, height);
  if (!bitmap) return 0;
  bitmap->name = NameFromNarrow(bitmapName);
  m->bitmaps.Add(std::move(bitmap));
  return 1;
}

void FillButtonSkin(SkinManager& m, ButtonSkin& skin, const char* normal, const char* hover,
                    const char* pushed, const char* disabled, const char* skinName) {
  skin.name = NameFromNarrow(skinName);
  skin.states[kNormal] = m.bitmaps.FindOrFirst(NameFromNarrow(normal));
  skin.states[kPushed] = m.bitmaps.FindOrFirst(NameFromNarrow(pushed));
  skin.states[kHover] = m.bitmaps.FindOrFirst(NameFromNarrow(hover));
  skin.states[kDisabled] = m.bitmaps.FindOrFirst(NameFromNarrow(disabled));
  skin.colourKey = kDefaultColourKey;
  skin.transparent = true;
  skin.Prepare();
}

template <typename T>
T* FindControl(NamedList<T>& list, const char* controlName) {
  T* control = list.Find(NameFromNarrow(controlName));
  return control && control->hwnd() ? control : nullptr;
}

}  // namespace

int InitSkin(const wchar_t* imageDirectory) {
  InitManager(imageDirectory);
  return 1;
}

int ReleaseSkin() {
  ReleaseManager();
  return 1;
}

int AttachBitmap(const wchar_t* fileName, const char* bitmapName) {
  return AddBitmap(fileName, bitmapName, false, 0, 0, 0, 0);
}

int AttachBitmapRect(const wchar_t* fileName, const char* bitmapName, int x, int y, int width,
                     int height) {
  return AddBitmap(fileName, bitmapName, true, x, y, width, height);
}

int AttachFont(int heightTenthsOfPoint, const wchar_t* faceName, const char* fontName, bool bold) {
  SkinManager* m = Manager();
  if (!m) return 0;
  auto font = SkinFont::Create(heightTenthsOfPoint, faceName, bold);
  font->name = NameFromNarrow(fontName);
  m->fonts.Add(std::move(font));
  return 1;
}

int AttachButtonSkin(const char* normal, const char* hover, const char* pushed,
                     const char* disabled, const char* skinName) {
  SkinManager* m = Manager();
  if (!m) return 0;
  auto skin = std::make_unique<ButtonSkin>();
  FillButtonSkin(*m, *skin, normal, hover, pushed, disabled, skinName);
  m->buttonSkins.Add(std::move(skin));
  return 1;
}

int AttachFontButtonSkin(const char* normal, const char* hover, const char* pushed,
                         const char* disabled, const char* fontName, DWORD colour1, DWORD colour2,
                         DWORD colour3, const char* skinName) {
  SkinManager* m = Manager();
  if (!m) return 0;
  auto skin = std::make_unique<FontButtonSkin>();
  FillButtonSkin(*m, *skin, normal, hover, pushed, disabled, skinName);
  skin->font = m->fonts.FindOrFirst(NameFromNarrow(fontName));
  skin->colours = {colour1, colour2, colour3};
  m->fontButtonSkins.Add(std::move(skin));
  return 1;
}

int AttachSliderSkin(const char* channel1, const char* channel2, const char* thumb1,
                     const char* thumb2, const char* skinName) {
  SkinManager* m = Manager();
  if (!m) return 0;
  auto skin = std::make_unique<SliderSkin>();
  skin->name = NameFromNarrow(skinName);
  skin->channel = {m->bitmaps.FindOrFirst(NameFromNarrow(channel1)),
                   m->bitmaps.FindOrFirst(NameFromNarrow(channel2))};
  skin->thumb = {m->bitmaps.FindOrFirst(NameFromNarrow(thumb1)),
                 m->bitmaps.FindOrFirst(NameFromNarrow(thumb2))};
  m->sliderSkins.Add(std::move(skin));
  return 1;
}

HWND CreateButton(HWND parent, const char* controlName, const char* skinName, int id, int x, int y,
                  const wchar_t* tooltip) {
  SkinManager* m = Manager();
  if (!m) return nullptr;
  ButtonSkin* skin = m->buttonSkins.FindOrFirst(NameFromNarrow(skinName));
  if (!skin) return nullptr;
  auto button = std::make_unique<Button>(*skin, id);
  button->name = NameFromNarrow(controlName);
  if (!button->Create(parent, x, y, tooltip)) return nullptr;
  return m->buttons.Add(std::move(button)).hwnd();
}

HWND CreateFontButton(HWND parent, const wchar_t* text, int labelFlag, const char* controlName,
                      const char* skinName, int id, int x, int y, const wchar_t* tooltip,
                      bool transparent) {
  SkinManager* m = Manager();
  if (!m) return nullptr;
  FontButtonSkin* skin = m->fontButtonSkins.FindOrFirst(NameFromNarrow(skinName));
  if (!skin) return nullptr;
  auto button = std::make_unique<FontButton>(*skin, id, text ? text : L"", labelFlag, transparent);
  button->name = NameFromNarrow(controlName);
  if (!button->Create(parent, x, y, tooltip)) return nullptr;
  return m->fontButtons.Add(std::move(button)).hwnd();
}

HWND CreateSlider(HWND parent, const char* controlName, const char* skinName, int id, int position,
                  int minimum, int maximum, int x, int y) {
  SkinManager* m = Manager();
  if (!m) return nullptr;
  SliderSkin* skin = m->sliderSkins.FindOrFirst(NameFromNarrow(skinName));
  if (!skin) return nullptr;
  auto slider = std::make_unique<Slider>(*skin, id);
  slider->name = NameFromNarrow(controlName);
  if (!slider->Create(parent, x, y)) return nullptr;
  slider->SetRange(minimum, maximum, false);
  slider->SetPosition(position, true);
  return m->sliders.Add(std::move(slider)).hwnd();
}

void SetSliderPos(const char* controlName, int position) {
  if (SkinManager* m = Manager())
    if (Slider* s = FindControl(m->sliders, controlName)) s->SetPosition(position, true);
}

void SetButtonEnableFlag(const char* controlName, bool enabled) {
  SkinManager* m = Manager();
  if (!m) return;
  // Image buttons first; a text button of that name is marked the same way.
  if (Button* b = FindControl(m->buttons, controlName))
    b->SetEnabledLook(enabled);
  else if (FontButton* f = FindControl(m->fontButtons, controlName))
    f->SetEnabledLook(enabled);
}

void SetFontButtonText(const char* controlName, const wchar_t* text) {
  if (SkinManager* m = Manager())
    if (FontButton* b = FindControl(m->fontButtons, controlName)) b->SetText(text);
}

void SetFontButtonSelectFlag(const char* controlName, bool selected) {
  if (SkinManager* m = Manager())
    if (FontButton* b = FindControl(m->fontButtons, controlName)) b->SetSelected(selected);
}

void SetFontButtonTooltipActivate(const char* controlName, bool active) {
  if (SkinManager* m = Manager())
    if (FontButton* b = FindControl(m->fontButtons, controlName)) b->SetTooltipActive(active);
}

void SetFontButtonTransparent(const char* controlName, bool transparent) {
  if (SkinManager* m = Manager())
    if (FontButton* b = FindControl(m->fontButtons, controlName)) b->SetTransparent(transparent);
}

}  // namespace tl::skin::api
