#include "common/dshow/win32/control_window.h"

#include <future>
#include <optional>

namespace tl::dshow {
namespace {

constexpr long kForbiddenStyles = WS_DISABLED | WS_ICONIC | WS_MAXIMIZE | WS_MINIMIZE | WS_HSCROLL | WS_VSCROLL;

long ToOaBool(bool value) { return value ? OATRUE : OAFALSE; }

}  // namespace

ControlWindow::ControlWindow(BaseFilter& owner) : owner_(owner) {}

ControlWindow::~ControlWindow() { Close(); }

STDMETHODIMP ControlWindow::QueryInterface(REFIID iid, void** out) { return owner_.QueryInterface(iid, out); }
STDMETHODIMP_(ULONG) ControlWindow::AddRef() { return owner_.AddRef(); }
STDMETHODIMP_(ULONG) ControlWindow::Release() { return owner_.Release(); }

bool ControlWindow::Create(const WindowSpec& spec) {
  if (thread_.joinable()) return window_ != nullptr;
  std::promise<bool> created;
  std::future<bool> done = created.get_future();
  thread_ = std::thread([this, spec, &created] { ThreadMain(spec, created); });
  if (done.get()) return true;
  thread_.join();
  return false;
}

void ControlWindow::ThreadMain(WindowSpec spec, std::promise<bool>& created) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = spec.classStyle;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = spec.module;
  windowClass.hIcon = spec.icon;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = spec.className;
  // Another renderer of this process may have registered the class already.
  if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    created.set_value(false);
    return;
  }
  HWND window = ::CreateWindowExW(spec.exStyle, spec.className, spec.caption, spec.style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 320, 240, nullptr, nullptr, spec.module, this);
  window_ = window;
  threadId_ = ::GetCurrentThreadId();
  created.set_value(window != nullptr);  // `created` is gone after this
  if (!window) return;

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Dialogs of this thread (the renderer's tray dialog) get their keyboard handling.
    HWND dialog = ::GetAncestor(message.hwnd, GA_ROOT);
    if (dialog && dialog != window && ::IsDialogMessageW(dialog, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (HWND left = window_.exchange(nullptr)) ::DestroyWindow(left);
  // Fails while another window of the class lives; the last one takes the class along, so that
  // an unloaded module leaves no class behind.
  ::UnregisterClassW(spec.className, spec.module);
}

void ControlWindow::Close() {
  if (!thread_.joinable()) return;
  if (OnWindowThread()) {
    if (HWND window = window_.exchange(nullptr)) ::DestroyWindow(window);
    ::PostQuitMessage(0);
    thread_.detach();
    return;
  }
  ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  thread_.join();
  window_ = nullptr;
}

void ControlWindow::RunOnWindowThread(const std::function<void()>& work) {
  if (OnWindowThread() || !window_) {
    work();
    return;
  }
  // A registered message keeps clear of the derived windows' own WM_APP messages.
  static const UINT kRunMessage = ::RegisterWindowMessageW(L"TavoLumara.ControlWindow.Run");
  ::SendMessageW(window_, kRunMessage, 0, reinterpret_cast<LPARAM>(&work));
}

LRESULT CALLBACK ControlWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ControlWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  static const UINT kRunMessage = ::RegisterWindowMessageW(L"TavoLumara.ControlWindow.Run");
  if (message == kRunMessage) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  }
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT ControlWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)) {
    if (HWND drain = drain_) ::PostMessageW(drain, message, wParam, lParam);
  }
  switch (message) {
    case WM_SETCURSOR:
      if (cursorHidden_ && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      // The user closes the video: the window goes away, the application decides about the graph.
      ::ShowWindow(window, SW_HIDE);
      owner_.NotifyEvent(EC_USERABORT, 0, 0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

RECT ControlWindow::WindowRectInParent() const {
  RECT rect{};
  HWND window = window_;
  ::GetWindowRect(window, &rect);
  if (HWND parent = ::GetParent(window); parent && (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HRESULT ControlWindow::Place(std::optional<long> left, std::optional<long> top, std::optional<long> width,
                             std::optional<long> height) {
  HWND window = window_;
  if (!window) return E_UNEXPECTED;
  const RECT now = WindowRectInParent();
  const long x = left.value_or(now.left), y = top.value_or(now.top);
  const long w = width.value_or(now.right - now.left), h = height.value_or(now.bottom - now.top);
  if (w < 0 || h < 0) return E_INVALIDARG;
  placedByApplication_ = true;
  return ::SetWindowPos(window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE) ? S_OK : E_FAIL;
}

void ControlWindow::SetDefaultClientSize(int width, int height) {
  HWND window = window_;
  if (!window || placedByApplication_ || width <= 0 || height <= 0) return;
  RECT rect{0, 0, width, height};
  ::AdjustWindowRectEx(&rect, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)));
  ::SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

STDMETHODIMP ControlWindow::put_Caption(BSTR caption) {
  return ::SetWindowTextW(window_, caption ? caption : L"") ? S_OK : E_FAIL;
}

STDMETHODIMP ControlWindow::get_Caption(BSTR* caption) {
  if (!caption) return E_POINTER;
  wchar_t text[256] = {};
  ::GetWindowTextW(window_, text, 256);
  *caption = ::SysAllocString(text);
  return *caption ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP ControlWindow::put_WindowStyle(long style) {
  if (style & kForbiddenStyles) return E_INVALIDARG;
  HWND window = window_;
  ::SetWindowLongW(window, GWL_STYLE, style);
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return S_OK;
}

STDMETHODIMP ControlWindow::get_WindowStyle(long* style) {
  if (!style) return E_POINTER;
  *style = ::GetWindowLongW(window_, GWL_STYLE);
  return S_OK;
}

STDMETHODIMP ControlWindow::put_WindowStyleEx(long style) {
  HWND window = window_;
  ::SetWindowLongW(window, GWL_EXSTYLE, style);
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return S_OK;
}

STDMETHODIMP ControlWindow::get_WindowStyleEx(long* style) {
  if (!style) return E_POINTER;
  *style = ::GetWindowLongW(window_, GWL_EXSTYLE);
  return S_OK;
}

STDMETHODIMP ControlWindow::put_AutoShow(long autoShow) {
  autoShow_ = autoShow != OAFALSE;
  return S_OK;
}

STDMETHODIMP ControlWindow::get_AutoShow(long* autoShow) {
  if (!autoShow) return E_POINTER;
  *autoShow = ToOaBool(autoShow_);
  return S_OK;
}

STDMETHODIMP ControlWindow::put_WindowState(long state) {
  ::ShowWindow(window_, state);
  return S_OK;
}

STDMETHODIMP ControlWindow::get_WindowState(long* state) {
  if (!state) return E_POINTER;
  HWND window = window_;
  if (!::IsWindowVisible(window)) *state = SW_HIDE;
  else if (::IsIconic(window)) *state = SW_SHOWMINIMIZED;
  else if (::IsZoomed(window)) *state = SW_SHOWMAXIMIZED;
  else *state = SW_SHOW;
  return S_OK;
}

STDMETHODIMP ControlWindow::put_BackgroundPalette(long palette) {
  backgroundPalette_ = palette;
  return S_OK;
}

STDMETHODIMP ControlWindow::get_BackgroundPalette(long* palette) {
  if (!palette) return E_POINTER;
  *palette = backgroundPalette_;
  return S_OK;
}

STDMETHODIMP ControlWindow::put_Visible(long visible) {
  ::ShowWindow(window_, visible != OAFALSE ? SW_SHOWNORMAL : SW_HIDE);
  return S_OK;
}

STDMETHODIMP ControlWindow::get_Visible(long* visible) {
  if (!visible) return E_POINTER;
  *visible = ToOaBool(::IsWindowVisible(window_));
  return S_OK;
}

STDMETHODIMP ControlWindow::put_Left(long left) { return Place(left, {}, {}, {}); }
STDMETHODIMP ControlWindow::put_Top(long top) { return Place({}, top, {}, {}); }
STDMETHODIMP ControlWindow::put_Width(long width) { return Place({}, {}, width, {}); }
STDMETHODIMP ControlWindow::put_Height(long height) { return Place({}, {}, {}, height); }

STDMETHODIMP ControlWindow::get_Left(long* left) {
  if (!left) return E_POINTER;
  *left = WindowRectInParent().left;
  return S_OK;
}
STDMETHODIMP ControlWindow::get_Top(long* top) {
  if (!top) return E_POINTER;
  *top = WindowRectInParent().top;
  return S_OK;
}
STDMETHODIMP ControlWindow::get_Width(long* width) {
  if (!width) return E_POINTER;
  const RECT rect = WindowRectInParent();
  *width = rect.right - rect.left;
  return S_OK;
}
STDMETHODIMP ControlWindow::get_Height(long* height) {
  if (!height) return E_POINTER;
  const RECT rect = WindowRectInParent();
  *height = rect.bottom - rect.top;
  return S_OK;
}

STDMETHODIMP ControlWindow::put_Owner(OAHWND owner) {
  HWND window = window_;
  HWND parent = reinterpret_cast<HWND>(owner);
  LONG style = ::GetWindowLongW(window, GWL_STYLE);
  // Owned: a child of the owner's window; free: a top-level window again.
  style = parent ? (style & ~WS_POPUP) | WS_CHILD : style & ~WS_CHILD;
  ::SetWindowLongW(window, GWL_STYLE, style);
  ::SetParent(window, parent);
  ownerWindow_ = parent;
  return S_OK;
}

STDMETHODIMP ControlWindow::get_Owner(OAHWND* owner) {
  if (!owner) return E_POINTER;
  *owner = reinterpret_cast<OAHWND>(ownerWindow_.load());
  return S_OK;
}

STDMETHODIMP ControlWindow::put_MessageDrain(OAHWND drain) {
  drain_ = reinterpret_cast<HWND>(drain);
  return S_OK;
}

STDMETHODIMP ControlWindow::get_MessageDrain(OAHWND* drain) {
  if (!drain) return E_POINTER;
  *drain = reinterpret_cast<OAHWND>(drain_.load());
  return S_OK;
}

STDMETHODIMP ControlWindow::get_BorderColor(long* color) {
  if (!color) return E_POINTER;
  *color = borderColor_;
  return S_OK;
}

STDMETHODIMP ControlWindow::put_BorderColor(long color) {
  borderColor_ = color;
  return S_OK;
}

STDMETHODIMP ControlWindow::get_FullScreenMode(long* mode) {
  if (!mode) return E_POINTER;
  *mode = OAFALSE;
  return S_OK;
}

// Full screen is the graph's business (it switches to a full-screen renderer).
STDMETHODIMP ControlWindow::put_FullScreenMode(long) { return E_NOTIMPL; }

STDMETHODIMP ControlWindow::SetWindowForeground(long focus) {
  HWND window = window_;
  ::BringWindowToTop(window);
  if (focus != OAFALSE) ::SetForegroundWindow(window);
  return S_OK;
}

STDMETHODIMP ControlWindow::NotifyOwnerMessage(OAHWND, long message, LONG_PTR wParam, LONG_PTR lParam) {
  switch (message) {
    case WM_SYSCOLORCHANGE:
    case WM_PALETTECHANGED:
    case WM_PALETTEISCHANGING:
    case WM_QUERYNEWPALETTE:
    case WM_DEVMODECHANGE:
    case WM_DISPLAYCHANGE:
    case WM_ACTIVATEAPP:
      ::SendMessageW(window_, static_cast<UINT>(message), static_cast<WPARAM>(wParam), lParam);
      break;
    default:
      break;
  }
  return S_OK;
}

STDMETHODIMP ControlWindow::SetWindowPosition(long left, long top, long width, long height) {
  return Place(left, top, width, height);
}

STDMETHODIMP ControlWindow::GetWindowPosition(long* left, long* top, long* width, long* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  const RECT rect = WindowRectInParent();
  *left = rect.left;
  *top = rect.top;
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
  return S_OK;
}

STDMETHODIMP ControlWindow::GetMinIdealImageSize(long* width, long* height) {
  if (!width || !height) return E_POINTER;
  const SIZE size = NativeVideoSize();
  *width = size.cx;
  *height = size.cy;
  return size.cx > 0 ? S_OK : VFW_E_NOT_CONNECTED;
}

STDMETHODIMP ControlWindow::GetMaxIdealImageSize(long* width, long* height) {
  return GetMinIdealImageSize(width, height);
}

STDMETHODIMP ControlWindow::GetRestorePosition(long* left, long* top, long* width, long* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!::GetWindowPlacement(window_, &placement)) return E_FAIL;
  const RECT& rect = placement.rcNormalPosition;
  *left = rect.left;
  *top = rect.top;
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
  return S_OK;
}

STDMETHODIMP ControlWindow::HideCursor(long hide) {
  cursorHidden_ = hide != OAFALSE;
  return S_OK;
}

STDMETHODIMP ControlWindow::IsCursorHidden(long* hidden) {
  if (!hidden) return E_POINTER;
  *hidden = ToOaBool(cursorHidden_);
  return S_OK;
}

}  // namespace tl::dshow
