// A parent window for the control tests that records what its children send it, skin pictures
// written as BMP files, paint counting and screenshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/testing/screen_capture.h"

namespace tl::skin::testing {

struct Notification {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class TestWindow {
 public:
  explicit TestWindow(int width = 420, int height = 200, COLORREF background = RGB(40, 90, 160));
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // WM_COMMAND, WM_HSCROLL and WM_RBUTTONDOWN received, in order.
  std::vector<Notification> received;
  // Called on every WM_COMMAND before it is recorded.
  std::function<void(WPARAM, LPARAM)> onCommand;
  COLORREF background;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

void PumpMessages();

// Mouse messages straight to a control, in its client coordinates.
void Send(HWND control, UINT message, int x, int y);

// Colours of the test skins (0x00RRGGBB).
constexpr uint32_t kNormalColour = 0x20A040;
constexpr uint32_t kHoverColour = 0x40C0F0;
constexpr uint32_t kPushedColour = 0xC04020;
constexpr uint32_t kDisabledColour = 0x808080;
constexpr uint32_t kKey = 0xFF00FF;

// Writes the test pictures into a fresh folder and gives it with a trailing backslash:
// btn_*.bmp 60 x 24 (normal, over, down, dis) whose left two columns and top-right corner are
// magenta; core.bmp the normal picture with a core header; channel.bmp 110 x 18; thumb.bmp
// 10 x 14 with magenta corners; broken.bmp (truncated).
std::wstring WriteSkinPictures();

// Counts WM_PAINT messages reaching a window by wrapping its procedure.
class PaintCounter {
 public:
  explicit PaintCounter(HWND window);
  ~PaintCounter();
  int count() const;
  void reset();

 private:
  HWND window_;
};

using tl::testing::CaptureClient;
using tl::testing::SaveWindowPng;
using tl::testing::ScreenPixel;

}  // namespace tl::skin::testing
