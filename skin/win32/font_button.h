// CUtlFontButton: a skinned button with text drawn from the font's glyph cache in the skin's
// three colours, a selected flag (drawn with the fourth state bitmap) and a transparent flag
// (the parent's background instead of the skin bitmap).
#pragma once

#include "skin/win32/button.h"

namespace tl::skin {

class FontButton : public ButtonBase {
 public:
  FontButton(FontButtonSkin& skin, int id, std::wstring text, int labelFlag, bool transparent)
      : ButtonBase(skin, id), text_(std::move(text)), labelFlag_(labelFlag),
        transparent_(transparent) {}
  bool Create(HWND parent, int x, int y, const wchar_t* tooltip) {
    return ButtonBase::Create(parent, x, y, 0, tooltip);
  }

  void SetText(const wchar_t* text);
  void SetSelected(bool selected);
  void SetTooltipActive(bool active);
  void SetTransparent(bool transparent);
  bool Selected() const { return selected_; }
  bool Transparent() const { return transparent_; }
  const std::wstring& Text() const { return text_; }

 protected:
  void Draw(Gdiplus::Graphics& g) override;
  bool AfterButtonUp() override;
  bool KeepPicture() const override { return !transparent_; }
  void ReleaseResources() override;

 private:
  FontButtonSkin& Skin() const { return *static_cast<FontButtonSkin*>(skin_); }
  void RenderText();
  void DrawParentBackground(Gdiplus::Graphics& g);

  std::wstring text_;
  int labelFlag_;
  bool selected_ = false;
  bool transparent_;
  bool textChanged_ = true;
  std::array<RenderedText, 3> rendered_;
  Point origin_;
};

}  // namespace tl::skin
