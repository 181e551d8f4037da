#include "skin/tests/test_window.h"

#include <map>

#include "common/win32/handles.h"
#include "skin/core/bmp.h"

namespace tl::skin::testing {
namespace {

constexpr wchar_t kClassName[] = L"SkinTestParent";

std::map<HWND, std::pair<WNDPROC, int>>& Counters() {
  static std::map<HWND, std::pair<WNDPROC, int>> counters;
  return counters;
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& entry = Counters()[hwnd];
  if (message == WM_PAINT) ++entry.second;
  return ::CallWindowProcW(entry.first, hwnd, message, wParam, lParam);
}

void WriteFile(const std::wstring& path, const std::vector<uint8_t>& data) {
  win32::UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

Pixels ButtonPicture(uint32_t colour) {
  Pixels p;
  p.width = 60;
  p.height = 24;
  p.data.assign(60 * 24, colour);
  for (int y = 0; y < 24; ++y) p.data[y * 60] = p.data[y * 60 + 1] = kKey;
  for (int y = 0; y < 3; ++y)
    for (int x = 57; x < 60; ++x) p.data[y * 60 + x] = kKey;
  return p;
}

}  // namespace

TestWindow::TestWindow(int width, int height, COLORREF bg) : background(bg) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &TestWindow::Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  ::RegisterClassExW(&wc);
  RECT frame{0, 0, width, height};
  ::AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  hwnd_ = ::CreateWindowExW(0, kClassName, L"Skin test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20,
                            20, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                            nullptr, wc.hInstance, this);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
  PumpMessages();
}

TestWindow::~TestWindow() {
  if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  PumpMessages();
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self) {
    switch (message) {
      case WM_COMMAND:
        if (self->onCommand) self->onCommand(wParam, lParam);
        self->received.push_back({message, wParam, lParam});
        return 0;
      case WM_HSCROLL:
      case WM_RBUTTONDOWN:
        self->received.push_back({message, wParam, lParam});
        return 0;
      case WM_ERASEBKGND: {
        RECT all{};
        ::GetClientRect(hwnd, &all);
        win32::UniqueGdiObject brush(::CreateSolidBrush(self->background));
        ::FillRect(reinterpret_cast<HDC>(wParam), &all, static_cast<HBRUSH>(brush.get()));
        return 1;
      }
      case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
      default:
        break;
    }
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void PumpMessages() {
  MSG msg;
  for (int round = 0; round < 3; ++round) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
}

void Send(HWND control, UINT message, int x, int y) {
  ::SendMessageW(control, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                 MAKELPARAM(static_cast<short>(x), static_cast<short>(y)));
}

std::wstring WriteSkinPictures() {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring dir = std::wstring(temp) + L"skin_test_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  WriteFile(dir + L"btn_nor.bmp", EncodeBmp24(ButtonPicture(kNormalColour)));
  WriteFile(dir + L"btn_over.bmp", EncodeBmp24(ButtonPicture(kHoverColour)));
  WriteFile(dir + L"btn_down.bmp", EncodeBmp24(ButtonPicture(kPushedColour)));
  WriteFile(dir + L"btn_dis.bmp", EncodeBmp24(ButtonPicture(kDisabledColour)));
  WriteFile(dir + L"core.bmp", EncodeBmp24(ButtonPicture(kNormalColour), true));
  Pixels channel;
  channel.width = 110;
  channel.height = 18;
  channel.data.assign(110 * 18, 0x303030);
  for (int x = 0; x < 110; ++x) channel.data[8 * 110 + x] = channel.data[9 * 110 + x] = 0xE0E0E0;
  WriteFile(dir + L"channel.bmp", EncodeBmp24(channel));
  Pixels thumb;
  thumb.width = 10;
  thumb.height = 14;
  thumb.data.assign(10 * 14, 0xF0C000);
  thumb.data[0] = thumb.data[9] = thumb.data[13 * 10] = thumb.data[13 * 10 + 9] = kKey;
  WriteFile(dir + L"thumb.bmp", EncodeBmp24(thumb));
  auto broken = EncodeBmp24(ButtonPicture(kNormalColour));
  broken.resize(broken.size() / 2);
  WriteFile(dir + L"broken.bmp", broken);
  return dir;
}

PaintCounter::PaintCounter(HWND window) : window_(window) {
  auto old = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  Counters()[window] = {old, 0};
}

PaintCounter::~PaintCounter() {
  if (::IsWindow(window_))
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Counters()[window_].first));
  Counters().erase(window_);
}

int PaintCounter::count() const { return Counters()[window_].second; }
void PaintCounter::reset() { Counters()[window_].second = 0; }

}  // namespace tl::skin::testing
