// CBitmapSlider: a horizontal slider drawn from a channel bitmap over the parent's background, with a thumb of
// its own. It takes the place of a control of the dialog template (subclassing it), keeps its
// position for the dialog to poll and moves by mouse and by the arrow, page, Home and End keys.
#pragma once

#include <windows.h>

#include "common/win32/handles.h"
#include "skin/core/geometry.h"

namespace tl::panel::framework {

class CBitmapSlider {
 public:
  CBitmapSlider() = default;
  ~CBitmapSlider();
  CBitmapSlider(const CBitmapSlider&) = delete;
  CBitmapSlider& operator=(const CBitmapSlider&) = delete;

  // Takes over the dialog's control `id`. False when there is no such control.
  bool Attach(HWND dialog, int id);
  HWND hwnd() const { return hwnd_; }

  // The channel from a bitmap resource, drawn with its top-left pixel's colour as transparent
  // when asked. A missing resource leaves a plain groove.
  void SetChannelFromResource(HINSTANCE instance, UINT resourceId, bool transparent);
  void SetRange(int minimum, int maximum, bool redraw);
  void SetPosition(int position);
  int position() const { return position_; }
  int maximum() const { return geometry_.maximum; }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC target);
  void MoveTo(int position);
  void UpdateGeometryWidth();

  HWND hwnd_ = nullptr;
  win32::UniqueGdiObject channel_;
  SIZE channelSize_{};
  bool channelTransparent_ = false;
  COLORREF channelKey_ = 0;
  skin::SliderGeometry geometry_{0, 11, 0, 100};
  int position_ = 0;
  bool dragging_ = false;
  int grabOffset_ = 0;
};

}  // namespace tl::panel::framework
