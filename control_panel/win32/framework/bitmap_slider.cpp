#include "control_panel/win32/framework/bitmap_slider.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace tl::panel::framework {
namespace {

constexpr UINT_PTR kSubclassId = 0x534C4452;  // 'SLDR'
constexpr int kThumbWidth = 11;
constexpr int kPageStep = 10;

COLORREF TopLeftColour(HBITMAP bitmap) {
  win32::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return RGB(255, 0, 255);
  win32::SelectGuard select(dc.get(), bitmap);
  const COLORREF colour = ::GetPixel(dc.get(), 0, 0);
  return colour == CLR_INVALID ? RGB(255, 0, 255) : colour;
}

// Part of the channel bitmap stretched into a part of the groove, see-through where asked.
void DrawChannelPart(HDC target, HDC source, const RECT& to, int fromX, int fromWidth, int height, bool transparent,
                     COLORREF key) {
  const int width = to.right - to.left;
  if (width <= 0 || fromWidth <= 0) return;
  if (transparent) {
    ::TransparentBlt(target, to.left, to.top, width, height, source, fromX, 0, fromWidth, height, key);
  } else {
    ::StretchBlt(target, to.left, to.top, width, height, source, fromX, 0, fromWidth, height, SRCCOPY);
  }
}

}  // namespace

CBitmapSlider::~CBitmapSlider() {
  if (hwnd_) ::RemoveWindowSubclass(hwnd_, &Procedure, kSubclassId);
}

bool CBitmapSlider::Attach(HWND dialog, int id) {
  hwnd_ = ::GetDlgItem(dialog, id);
  if (!hwnd_) return false;
  ::SetWindowSubclass(hwnd_, &Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  UpdateGeometryWidth();
  return true;
}

void CBitmapSlider::SetChannelFromResource(HINSTANCE instance, UINT resourceId, bool transparent) {
  channel_.reset(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  channelSize_ = {};
  if (channel_) {
    BITMAP info{};
    if (::GetObjectW(channel_.get(), sizeof(info), &info)) channelSize_ = {info.bmWidth, info.bmHeight};
    channelKey_ = TopLeftColour(static_cast<HBITMAP>(channel_.get()));
  }
  channelTransparent_ = transparent;
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CBitmapSlider::SetRange(int minimum, int maximum, bool redraw) {
  geometry_.minimum = minimum;
  geometry_.maximum = maximum;
  position_ = geometry_.Clamp(position_);
  if (redraw && hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CBitmapSlider::SetPosition(int position) {
  position_ = geometry_.Clamp(position);
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CBitmapSlider::MoveTo(int position) {
  const int clamped = geometry_.Clamp(position);
  if (clamped == position_) return;
  position_ = clamped;
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  ::UpdateWindow(hwnd_);
}

void CBitmapSlider::UpdateGeometryWidth() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  geometry_.width = client.right;
  geometry_.thumbWidth = std::min(kThumbWidth, std::max<int>(client.right, 1));
}

LRESULT CALLBACK CBitmapSlider::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
  return reinterpret_cast<CBitmapSlider*>(self)->Handle(message, wParam, lParam);
}

LRESULT CBitmapSlider::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (HDC dc = ::BeginPaint(hwnd_, &paint)) {
        Paint(dc);
        ::EndPaint(hwnd_, &paint);
      }
      return 0;
    }
    case WM_SIZE:
      UpdateGeometryWidth();
      ::InvalidateRect(hwnd_, nullptr, FALSE);
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_NCHITTEST:
      return HTCLIENT;  // a static would let clicks through to the dialog
    case WM_LBUTTONDOWN: {
      if (!::IsWindowEnabled(hwnd_)) return 0;
      ::SetCapture(hwnd_);
      ::SetFocus(hwnd_);
      dragging_ = true;
      const int x = GET_X_LPARAM(lParam);
      grabOffset_ = geometry_.GrabOffset(x, position_);
      MoveTo(geometry_.PixelToPosition(geometry_.LimitThumbCentre(x - grabOffset_)));
      return 0;
    }
    case WM_MOUSEMOVE:
      if (dragging_) MoveTo(geometry_.PixelToPosition(geometry_.LimitThumbCentre(GET_X_LPARAM(lParam) - grabOffset_)));
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        ::ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      return 0;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_LEFT:
        case VK_UP: MoveTo(position_ - 1); return 0;
        case VK_RIGHT:
        case VK_DOWN: MoveTo(position_ + 1); return 0;
        case VK_PRIOR: MoveTo(position_ - kPageStep); return 0;
        case VK_NEXT: MoveTo(position_ + kPageStep); return 0;
        case VK_HOME: MoveTo(geometry_.minimum); return 0;
        case VK_END: MoveTo(geometry_.maximum); return 0;
        default: break;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ::InvalidateRect(hwnd_, nullptr, FALSE);
      break;
    case WM_NCDESTROY: {
      const HWND window = hwnd_;
      ::RemoveWindowSubclass(window, &Procedure, kSubclassId);
      hwnd_ = nullptr;
      return ::DefSubclassProc(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}

void CBitmapSlider::Paint(HDC target) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return;

  win32::UniqueMemoryDc dc(::CreateCompatibleDC(target));
  win32::UniqueGdiObject canvas(::CreateCompatibleBitmap(target, width, height));
  if (!dc || !canvas) return;
  win32::SelectGuard selectCanvas(dc.get(), canvas.get());

  // The parent's background under the slider, so that the channel's see-through parts show it.
  const HWND parent = ::GetParent(hwnd_);
  POINT origin{0, 0};
  ::MapWindowPoints(hwnd_, parent, &origin, 1);
  ::SetViewportOrgEx(dc.get(), -origin.x, -origin.y, nullptr);
  ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
  ::SetViewportOrgEx(dc.get(), 0, 0, nullptr);

  // The channel: its two end thirds kept, the middle third stretched over the rest.
  if (channel_ && channelSize_.cx > 0 && channelSize_.cy > 0) {
    win32::UniqueMemoryDc source(::CreateCompatibleDC(target));
    win32::SelectGuard selectChannel(source.get(), channel_.get());
    const int cap = channelSize_.cx / 3;
    const int h = std::min<int>(channelSize_.cy, height);
    const int top = (height - h) / 2;
    const int capWidth = std::min(cap, width / 2);
    DrawChannelPart(dc.get(), source.get(), RECT{0, top, capWidth, top + h}, 0, cap, h, channelTransparent_,
                    channelKey_);
    DrawChannelPart(dc.get(), source.get(), RECT{capWidth, top, width - capWidth, top + h}, cap,
                    channelSize_.cx - 2 * cap, h, channelTransparent_, channelKey_);
    DrawChannelPart(dc.get(), source.get(), RECT{width - capWidth, top, width, top + h}, channelSize_.cx - cap, cap,
                    h, channelTransparent_, channelKey_);
  } else {
    const int mid = height / 2;
    RECT groove{geometry_.thumbWidth / 2, mid - 2, width - geometry_.thumbWidth / 2, mid + 2};
    win32::UniqueGdiObject grooveBrush(::CreateSolidBrush(RGB(48, 52, 76)));
    ::FillRect(dc.get(), &groove, static_cast<HBRUSH>(grooveBrush.get()));
  }

  // The thumb.
  const int centre = geometry_.PositionToPixel(position_);
  const int left = centre - geometry_.thumbWidth / 2;
  win32::UniqueGdiObject face(::CreateSolidBrush(::GetFocus() == hwnd_ ? RGB(255, 255, 255) : RGB(232, 236, 246)));
  win32::UniqueGdiObject edge(::CreatePen(PS_SOLID, 1, RGB(40, 48, 96)));
  {
    win32::SelectGuard selectFace(dc.get(), face.get());
    win32::SelectGuard selectEdge(dc.get(), edge.get());
    ::RoundRect(dc.get(), left, 1, left + geometry_.thumbWidth, height - 1, 4, 4);
  }
  ::BitBlt(target, 0, 0, width, height, dc.get(), 0, 0, SRCCOPY);
}

}  // namespace tl::panel::framework
