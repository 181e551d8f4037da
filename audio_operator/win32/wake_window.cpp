#include "audio_operator/win32/wake_window.h"

#include <mutex>

#include "common/win32/module_path.h"

namespace tl::audio_operator {
namespace {

constexpr wchar_t kClassName[] = L"AudevopWakeWindow";
constexpr UINT kWakeMessage = WM_APP + 1;

// The class is registered while a window of it exists, so that an unloaded and reloaded DLL
// never finds a class whose procedure pointed into its old image.
std::mutex classMutex;
int windowCount = 0;

bool AcquireClass(WNDPROC procedure) {
  std::lock_guard lock(classMutex);
  if (windowCount == 0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = win32::CurrentModule();
    windowClass.lpszClassName = kClassName;
    if (!::RegisterClassExW(&windowClass)) return false;
  }
  ++windowCount;
  return true;
}

void ReleaseClass() {
  std::lock_guard lock(classMutex);
  if (--windowCount == 0) ::UnregisterClassW(kClassName, win32::CurrentModule());
}

}  // namespace

WakeWindow::WakeWindow(std::function<void()> handler) : handler_(std::move(handler)) {
  if (!AcquireClass(&Procedure)) return;
  window_.reset(::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, win32::CurrentModule(),
                                  this));
  if (!window_) ReleaseClass();
}

WakeWindow::~WakeWindow() {
  if (!window_) return;
  window_.reset();
  ReleaseClass();
}

void WakeWindow::Wake() const {
  if (window_) ::PostMessageW(window_.get(), kWakeMessage, 0, 0);
}

LRESULT CALLBACK WakeWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == kWakeMessage) {
    if (auto* self = reinterpret_cast<WakeWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
      // A copy: the handler may end the window's owner, and this window with it.
      const std::function<void()> handler = self->handler_;
      handler();
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tl::audio_operator
