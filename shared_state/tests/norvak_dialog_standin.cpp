// Stands in for the plug-in dialog program: one hidden window titled like the dialog (in other
// letter case, as window titles are found regardless of case), ended by the destroy message.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_TIMER:  // never outlive the test that started it
      ::PostQuitMessage(2);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int wmain() {
  if (::FindWindowW(nullptr, L"NORVAK_DIALOG")) return 1;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"NORVAK_DIALOG";
  if (!::RegisterClassW(&windowClass)) return 3;
  HWND window = ::CreateWindowExW(0, L"NORVAK_DIALOG", L"Norvak_Dialog", WS_POPUP | WS_THICKFRAME, 0, 0, 250, 130,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return 4;
  ::SetTimer(window, 1, 60000, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
