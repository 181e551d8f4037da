// CUtlBitmapButtonImpl and CUtlButton: a superclassed system button that draws its skin's state
// bitmaps through a GDI+ buffer and handles the mouse itself (hover, capture, pressed, clicks,
// auto-repeat) and its tooltip.
#pragma once

#include <string>

#include "skin/core/names.h"
#include "skin/win32/paint_buffer.h"
#include "skin/win32/skin_resources.h"
#include "skin/win32/window_class.h"

namespace tl::skin {

class ButtonBase : public Information, public ControlWindow {
 public:
  // State bits.
  static constexpr unsigned kHoverBit = 1;
  static constexpr unsigned kPressedBit = 4;
  static constexpr unsigned kDoubleClickBit = 8;
  // Extended styles.
  static constexpr unsigned kStyleMouseHandling = 1;
  static constexpr unsigned kStyleAutoRepeat = 4;
  // WM_APP + 5: first parameter 1 switches the disabled look on, anything else off.
  static constexpr UINT kDisabledLookMessage = WM_APP + 5;

  int Id() const { return id_; }
  unsigned State() const { return state_; }
  bool EnabledLook() const { return enabledLook_; }
  HWND Tooltip() const { return tooltip_; }
  void SetExtendedStyle(unsigned style) { extendedStyle_ = style; }

  // Sets the enabled look; repaints only when it changes.
  void SetEnabledLook(bool enabled);
  // Drops the cached picture and paints at once.
  void Repaint();

 protected:
  ButtonBase(ButtonSkin& skin, int id) : skin_(&skin), id_(id) {}
  bool Create(HWND parent, int x, int y, int width, const wchar_t* tooltip);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ReleaseResources() override;
  // Draws the current state into the buffer's picture.
  virtual void Draw(Gdiplus::Graphics& g) = 0;
  // False when the picture depends on things outside the control (the parent's background).
  virtual bool KeepPicture() const { return true; }
  // After the base handling of a button-up. Returns false when the control was released.
  virtual bool AfterButtonUp() { return true; }
  // Sends the click notification; false when the parent released the skins meanwhile.
  bool SendClick();
  // The state bitmap of the look: disabled, pushed, hover or normal.
  SkinBitmap* ChooseImage() const;
  void DrawImage(Gdiplus::Graphics& g, SkinBitmap* image) const;
  bool IsAutoRepeat() const { return (extendedStyle_ & kStyleAutoRepeat) != 0; }

  ButtonSkin* skin_;
  int id_;
  unsigned state_ = 0;
  bool enabledLook_ = true;
  bool disabledLook_ = false;
  std::wstring tooltipText_;
  HWND tooltip_ = nullptr;
  PaintBuffer buffer_;

 private:
  void OnButtonDown(bool doubleClick);
  void OnMouseMove(LPARAM lParam);
  void OnButtonUp();
  void OnTimer(WPARAM timer);
  void DestroyTooltip();

  unsigned extendedStyle_ = kStyleMouseHandling;
};

class Button : public ButtonBase {
 public:
  Button(ButtonSkin& skin, int id) : ButtonBase(skin, id) {}
  bool Create(HWND parent, int x, int y, const wchar_t* tooltip) {
    return ButtonBase::Create(parent, x, y, 0, tooltip);
  }

 protected:
  void Draw(Gdiplus::Graphics& g) override;
};

// Superclass registration shared by the two button kinds.
Superclass& ButtonClass();

}  // namespace tl::skin
