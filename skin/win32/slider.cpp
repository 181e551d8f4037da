#include "skin/win32/slider.h"

#include <commctrl.h>
#include <windowsx.h>

namespace tl::skin {

Superclass& SliderClass() {
  static Superclass cls{TRACKBAR_CLASSW, L"WTL_Slider", nullptr, 0};
  return cls;
}

bool Slider::Create(HWND parent, int x, int y) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  const SkinBitmap* channel = skin_->channel[0];
  const SkinBitmap* thumb = skin_->thumb[0];
  const int width = channel ? channel->Width() : 0;
  const int height = channel ? channel->Height() : 0;
  geometry_ = SliderGeometry{width, thumb ? thumb->Width() : 0, 0, 100};
  position_ = 0;
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TBS_HORZ |
                      TBS_NOTICKS;
  HWND hwnd = CreateControl(SliderClass(), parent, style, x, y, width, height, id_);
  if (!hwnd) return false;
  RECT client{};
  ::GetClientRect(hwnd, &client);
  buffer_.SetClient(client);
  if (channel && skin_->transparent) {
    win32::UniqueGdiObject cut(RegionFromRuns(KeyColourRuns(channel->pixels, skin_->colourKey)));
    if (cut) {
      HRGN shape = ::CreateRectRgn(0, 0, width, height);
      ::CombineRgn(shape, shape, static_cast<HRGN>(cut.get()), RGN_DIFF);
      ::SetWindowRgn(hwnd, shape, TRUE);
    }
  }
  return true;
}

void Slider::Repaint() {
  buffer_.Drop();
  if (!hwnd()) return;
  ::InvalidateRect(hwnd(), nullptr, FALSE);
  ::UpdateWindow(hwnd());
}

void Slider::SetRange(int minimum, int maximum, bool redraw) {
  geometry_.minimum = minimum;
  geometry_.maximum = maximum;
  position_ = geometry_.Clamp(position_);
  if (redraw) Repaint();
}

void Slider::SetPosition(int position, bool redraw) {
  position_ = geometry_.Clamp(position);
  if (redraw) Repaint();
}

void Slider::MoveThumb(int pointerX) {
  const int x = geometry_.LimitThumbCentre(pointerX - grabOffset_);
  if (x == geometry_.PositionToPixel(position_)) return;
  position_ = geometry_.PixelToPosition(x);
  Repaint();
  ::SendMessageW(::GetParent(hwnd()), WM_HSCROLL, static_cast<WPARAM>(position_),
                 static_cast<LPARAM>(id_));
}

void Slider::Draw(Gdiplus::Graphics& g) {
  const size_t look = (hover_ || dragging_) ? 1 : 0;
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  if (const SkinBitmap* channel = skin_->channel[look] ? skin_->channel[look] : skin_->channel[0];
      channel && channel->image) {
    g.DrawImage(channel->image.get(), Gdiplus::Rect(0, 0, client.right, client.bottom), 0, 0,
                channel->Width(), channel->Height(), Gdiplus::UnitPixel);
  }
  const SkinBitmap* thumb = skin_->thumb[look] ? skin_->thumb[look] : skin_->thumb[0];
  if (!thumb || !thumb->image) return;
  // The thumb's key-coloured pixels let the channel show through.
  Gdiplus::ImageAttributes attributes;
  const Gdiplus::Color key(skin_->keyArgb);
  if (skin_->transparent) attributes.SetColorKey(key, key);
  const int left = geometry_.PositionToPixel(position_) - thumb->Width() / 2;
  const int top = (client.bottom - thumb->Height()) / 2;
  g.DrawImage(thumb->image.get(), Gdiplus::Rect(left, top, thumb->Width(), thumb->Height()), 0, 0,
              thumb->Width(), thumb->Height(), Gdiplus::UnitPixel, &attributes);
}

LRESULT Slider::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd(), &ps);
      buffer_.Paint(dc, [this](Gdiplus::Graphics& g) { Draw(g); });
      ::EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      buffer_.Paint(reinterpret_cast<HDC>(wParam), [this](Gdiplus::Graphics& g) { Draw(g); });
      return 0;
    case WM_SIZE: {
      RECT client{};
      ::GetClientRect(hwnd(), &client);
      buffer_.SetClient(client);
      return DefaultProc(message, wParam, lParam);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (::IsWindowEnabled(hwnd())) {
        ::SetCapture(hwnd());
        ::SetFocus(hwnd());
        dragging_ = true;
        grabOffset_ = geometry_.GrabOffset(GET_X_LPARAM(lParam), position_);
        MoveThumb(GET_X_LPARAM(lParam));
        if (Released()) return 0;
        Repaint();
      }
      return 0;
    case WM_MOUSEMOVE:
      if (dragging_) {
        MoveThumb(GET_X_LPARAM(lParam));
        if (Released()) return 0;
      }
      if (!hover_) {
        hover_ = true;
        Repaint();
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), HOVER_DEFAULT};
        ::TrackMouseEvent(&track);
      }
      return 0;
    case WM_MOUSELEAVE:
      hover_ = false;
      Repaint();
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        if (::GetCapture() == hwnd()) ::ReleaseCapture();
        Repaint();
      }
      return 0;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      // No keyboard operation.
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      Repaint();
      return 0;
    case TBM_GETPOS:
      return position_;
    case TBM_GETRANGEMIN:
      return geometry_.minimum;
    case TBM_GETRANGEMAX:
      return geometry_.maximum;
    case TBM_SETPOS:
      SetPosition(static_cast<int>(lParam), wParam != 0);
      return 0;
    case TBM_SETRANGE:
      SetRange(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), wParam != 0);
      return 0;
    case TBM_SETRANGEMIN:
      SetRange(static_cast<int>(lParam), geometry_.maximum, wParam != 0);
      return 0;
    case TBM_SETRANGEMAX:
      SetRange(geometry_.minimum, static_cast<int>(lParam), wParam != 0);
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

}  // namespace tl::skin
