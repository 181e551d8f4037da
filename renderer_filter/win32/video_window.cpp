#include "renderer_filter/win32/video_window.h"

#include "renderer_filter/win32/presenter.h"

namespace tl::renderer {

LRESULT VideoWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (presenter_.HandleWindowMessage(window, message, wParam, lParam, &result)) return result;
  return ControlWindow::HandleMessage(window, message, wParam, lParam);
}

SIZE VideoWindow::NativeVideoSize() { return presenter_.NativeVideoSize(); }

}  // namespace tl::renderer
