#include "skin/win32/button.h"

#include <commctrl.h>
#include <windowsx.h>

namespace tl::skin {
namespace {

constexpr UINT_PTR kRepeatDelayTimer = 1000;
constexpr UINT_PTR kRepeatTimer = 1001;
constexpr DWORD kControlStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

UINT RepeatDelayMs() {
  int delay = 0;
  if (!::SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &delay, 0)) return 250;
  return static_cast<UINT>(delay * 250 + 250);
}

UINT RepeatIntervalMs() {
  DWORD speed = 0;
  if (!::SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &speed, 0)) return 250;
  return static_cast<UINT>(10000 / (speed * 10 + 25));
}

}  // namespace

Superclass& ButtonClass() {
  static Superclass cls{L"BUTTON", L"", nullptr, 0};
  return cls;
}

bool ButtonBase::Create(HWND parent, int x, int y, int minimumWidth, const wchar_t* tooltip) {
  const int width = std::max(minimumWidth, skin_->width);
  HWND hwnd = CreateControl(ButtonClass(), parent, kControlStyle, x, y, width, skin_->height, id_);
  if (!hwnd) return false;
  RECT client{};
  ::GetClientRect(hwnd, &client);
  buffer_.SetClient(client);
  if (HRGN shape = skin_->CreateWindowRegion(width, skin_->height)) ::SetWindowRgn(hwnd, shape, TRUE);

  if (tooltip && *tooltip) {
    tooltipText_ = tooltip;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd,
                                 nullptr, nullptr, nullptr);
    if (tooltip_) {
      TOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = parent;
      tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
      tool.lpszText = tooltipText_.data();
      ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
      ::SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    }
  }
  return true;
}

void ButtonBase::DestroyTooltip() {
  if (tooltip_ && ::IsWindow(tooltip_)) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
}

void ButtonBase::ReleaseResources() {
  DestroyTooltip();
  buffer_.Release();
}

void ButtonBase::Repaint() {
  buffer_.Drop();
  if (!hwnd()) return;
  ::InvalidateRect(hwnd(), nullptr, FALSE);
  ::UpdateWindow(hwnd());
}

void ButtonBase::SetEnabledLook(bool enabled) {
  if (enabledLook_ == enabled) return;
  enabledLook_ = enabled;
  Repaint();
}

bool ButtonBase::SendClick() {
  HWND parent = ::GetParent(hwnd());
  ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd()));
  return !Released();
}

SkinBitmap* ButtonBase::ChooseImage() const {
  if (!enabledLook_ || disabledLook_) return skin_->states[kDisabled];
  if (state_ & kPressedBit) return skin_->states[kPushed];
  if (state_ & kHoverBit) return skin_->states[kHover];
  return skin_->states[kNormal];
}

void ButtonBase::DrawImage(Gdiplus::Graphics& g, SkinBitmap* image) const {
  if (!image || !image->image) return;
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  g.SetCompositingQuality(Gdiplus::CompositingQualityGammaCorrected);
  g.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
  g.DrawImage(image->image.get(), Gdiplus::Rect(0, 0, client.right, client.bottom), 0, 0,
              image->Width(), image->Height(), Gdiplus::UnitPixel);
}

void ButtonBase::OnButtonDown(bool doubleClick) {
  ::SetCapture(hwnd());
  if (::GetCapture() != hwnd()) return;
  state_ |= kPressedBit;
  if (doubleClick) state_ |= kDoubleClickBit;
  Repaint();
  if (IsAutoRepeat()) ::SetTimer(hwnd(), kRepeatDelayTimer, RepeatDelayMs(), nullptr);
}

void ButtonBase::OnMouseMove(LPARAM lParam) {
  if (::GetCapture() == hwnd()) {
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const bool inside = ::PtInRect(&client, pt) != FALSE;
    const bool pressed = (state_ & kPressedBit) != 0;
    if (inside != pressed) {
      state_ = inside ? (state_ | kPressedBit) : (state_ & ~(kPressedBit | kDoubleClickBit));
      Repaint();
    }
    return;
  }
  if (!(state_ & kHoverBit)) {
    state_ |= kHoverBit;
    Repaint();
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), HOVER_DEFAULT};
    ::TrackMouseEvent(&track);
  }
}

void ButtonBase::OnButtonUp() {
  if (::GetCapture() != hwnd()) return;
  if ((state_ & kPressedBit) && !SendClick()) return;
  ::ReleaseCapture();
}

void ButtonBase::OnTimer(WPARAM timer) {
  if (timer == kRepeatDelayTimer) {
    ::KillTimer(hwnd(), kRepeatDelayTimer);
    if (state_ & kPressedBit) {
      if (!SendClick()) return;
      ::SetTimer(hwnd(), kRepeatTimer, RepeatIntervalMs(), nullptr);
    }
  } else if (timer == kRepeatTimer) {
    if (::GetCapture() != hwnd()) {
      ::KillTimer(hwnd(), kRepeatTimer);
      return;
    }
    if (state_ & kPressedBit) SendClick();
  }
}

LRESULT ButtonBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd(), &ps);
      buffer_.Paint(dc, [this](Gdiplus::Graphics& g) { Draw(g); });
      if (!KeepPicture()) buffer_.Drop();
      ::EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      buffer_.Paint(reinterpret_cast<HDC>(wParam), [this](Gdiplus::Graphics& g) { Draw(g); });
      if (!KeepPicture()) buffer_.Drop();
      return 0;
    case WM_SIZE: {
      RECT client{};
      ::GetClientRect(hwnd(), &client);
      buffer_.SetClient(client);
      return DefaultProc(message, wParam, lParam);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnButtonDown(message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(lParam);
      return 0;
    case WM_MOUSELEAVE:
      state_ &= ~kHoverBit;
      Repaint();
      return 0;
    case WM_LBUTTONUP: {
      const bool endsPress = ::GetCapture() == hwnd();
      OnButtonUp();
      // A parent destroyed by the click takes this window with it.
      if (!Released() && hwnd() && endsPress) AfterButtonUp();
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (state_ & kPressedBit) {
        state_ &= ~(kPressedBit | kDoubleClickBit);
        Repaint();
      }
      return 0;
    case WM_RBUTTONDOWN:
      ::SendMessageW(::GetParent(hwnd()), message, wParam, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kRepeatDelayTimer || wParam == kRepeatTimer) {
        OnTimer(wParam);
        return 0;
      }
      return DefaultProc(message, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      Repaint();
      return 0;
    case WM_SETTEXT: {
      // The system button would paint its own face here.
      const LRESULT result = ::DefWindowProcW(hwnd(), message, wParam, lParam);
      Repaint();
      return result;
    }
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
    case WM_UPDATEUISTATE:
      // Kept away from the system button, which would draw its own face.
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        state_ |= kPressedBit;
        Repaint();
        return 0;
      }
      return DefaultProc(message, wParam, lParam);
    case WM_KEYUP:
      if (wParam == VK_SPACE && (state_ & kPressedBit)) {
        state_ &= ~kPressedBit;
        Repaint();
        SendClick();
        return 0;
      }
      return DefaultProc(message, wParam, lParam);
    case kDisabledLookMessage:
      disabledLook_ = wParam == 1;
      Repaint();
      return 0;
    case WM_DESTROY:
      DestroyTooltip();
      state_ = 0;
      return DefaultProc(message, wParam, lParam);
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

void Button::Draw(Gdiplus::Graphics& g) { DrawImage(g, ChooseImage()); }

}  // namespace tl::skin
