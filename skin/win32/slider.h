// CUtlSlider: a superclassed track bar drawn from its skin (channel and thumb), dragged with the
// mouse, reporting every thumb move to its parent with WM_HSCROLL (position, control id).
#pragma once

#include "skin/core/geometry.h"
#include "skin/core/names.h"
#include "skin/win32/paint_buffer.h"
#include "skin/win32/skin_resources.h"
#include "skin/win32/window_class.h"

namespace tl::skin {

class Slider : public Information, public ControlWindow {
 public:
  Slider(SliderSkin& skin, int id) : skin_(&skin), id_(id) {}
  bool Create(HWND parent, int x, int y);

  // Sets the range and the position (limited to it) without notifying the parent.
  void SetRange(int minimum, int maximum, bool redraw);
  void SetPosition(int position, bool redraw);
  int Position() const { return position_; }
  int Id() const { return id_; }
  const SliderGeometry& Geometry() const { return geometry_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ReleaseResources() override { buffer_.Release(); }

 private:
  void Draw(Gdiplus::Graphics& g);
  void Repaint();
  void MoveThumb(int pointerX);

  SliderSkin* skin_;
  int id_;
  SliderGeometry geometry_;
  int position_ = 0;
  bool dragging_ = false;
  bool hover_ = false;
  int grabOffset_ = 0;
  PaintBuffer buffer_;
};

Superclass& SliderClass();

}  // namespace tl::skin
