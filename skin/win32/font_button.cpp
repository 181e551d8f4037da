#include "skin/win32/font_button.h"

#include <commctrl.h>

#include "common/win32/gdi.h"

namespace tl::skin {

void FontButton::SetText(const wchar_t* text) {
  text_ = text ? text : L"";
  textChanged_ = true;
  Repaint();
}

void FontButton::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  Repaint();
}

void FontButton::SetTooltipActive(bool active) {
  if (!tooltip_ || tooltipText_.empty()) return;
  ::SendMessageW(tooltip_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
  if (!active) ::ShowWindow(tooltip_, SW_HIDE);
  Repaint();
}

void FontButton::SetTransparent(bool transparent) {
  if (transparent_ == transparent) return;
  transparent_ = transparent;
  Repaint();
}

void FontButton::ReleaseResources() {
  for (RenderedText& r : rendered_) r.image.reset();
  ButtonBase::ReleaseResources();
}

bool FontButton::AfterButtonUp() {
  if (IsAutoRepeat() || !enabledLook_) return true;
  ::SendMessageW(::GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(id_, 0), 0);
  return !Released();
}

void FontButton::RenderText() {
  textChanged_ = false;
  FontButtonSkin& skin = Skin();
  for (size_t i = 0; i < rendered_.size(); ++i)
    rendered_[i] = skin.font ? skin.font->Render(text_, skin.colours[i], skin.outline,
                                                 skin.outlineColour)
                             : RenderedText{};
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  origin_ = TextOrigin(rendered_[0].width, rendered_[0].height, client.right, client.bottom,
                       labelFlag_);
}

// The parent paints its background into the picture, so that the text stands on it.
void FontButton::DrawParentBackground(Gdiplus::Graphics& g) {
  HWND parent = ::GetParent(hwnd());
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  if (!parent || client.right <= 0 || client.bottom <= 0) return;
  POINT at{0, 0};
  ::MapWindowPoints(hwnd(), parent, &at, 1);

  win32::WindowDc screen(nullptr);
  win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
  void* bits = nullptr;
  win32::UniqueGdiObject dib = win32::CreateTopDown32BitDib(dc.get(), client.right, client.bottom, &bits);
  if (!dc || !dib || !bits) return;
  {
    win32::SelectGuard select(dc.get(), dib.get());
    ::SetViewportOrgEx(dc.get(), -at.x, -at.y, nullptr);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    ::SetViewportOrgEx(dc.get(), 0, 0, nullptr);
    ::GdiFlush();
  }
  Gdiplus::Bitmap background(client.right, client.bottom, client.right * 4, PixelFormat32bppRGB,
                             static_cast<BYTE*>(bits));
  g.DrawImage(&background, 0, 0, client.right, client.bottom);
}

void FontButton::Draw(Gdiplus::Graphics& g) {
  if (textChanged_) RenderText();
  auto drawText = [&](const RenderedText& text) {
    if (!text.image) return;
    g.DrawImage(text.image.get(), origin_.x, origin_.y, text.width, text.height);
  };
  if (transparent_) {
    DrawParentBackground(g);
    drawText(rendered_[0]);
    return;
  }
  DrawImage(g, (!enabledLook_ || selected_) ? skin_->states[kDisabled] : ChooseImage());
  size_t variant = 0;
  if (enabledLook_ && !selected_)
    variant = (state_ & kPressedBit) ? 2 : (state_ & kHoverBit) ? 1 : 0;
  else if (enabledLook_ && selected_)
    variant = 1;
  drawText(rendered_[variant]);
}

}  // namespace tl::skin
