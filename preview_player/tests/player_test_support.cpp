#include "preview_player/tests/player_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "preview_player/core/preview_ramp.h"
#include "preview_player/core/scene_layout.h"
#include "preview_player/win32/tintor_engine.h"
#include "tools/media_tool/avi.h"

namespace tl::preview::testing {
namespace {

constexpr wchar_t kMainClass[] = L"PreviewTestMain";
constexpr wchar_t kPaneClass[] = L"PreviewTestPane";

// Panes paint nothing themselves: what the player draws stays.
LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    ::ValidateRect(window, nullptr);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  WNDCLASSW pane{};
  pane.lpfnWndProc = PaneProc;
  pane.hInstance = ::GetModuleHandleW(nullptr);
  pane.lpszClassName = kPaneClass;
  ::RegisterClassW(&pane);
  done = true;
}

std::vector<std::uint8_t> ReadFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

LRESULT CALLBACK PreviewWindows::MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == api::kGraphEventMessage) {
    auto* self = reinterpret_cast<PreviewWindows*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->onGraphEvent) self->onGraphEvent();
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

PreviewWindows::PreviewWindows(int backBufferWidth, int backBufferHeight, int halfWidth, int halfHeight) {
  RegisterClasses();
  WNDCLASSW main{};
  main.lpfnWndProc = MainProc;
  main.hInstance = ::GetModuleHandleW(nullptr);
  main.lpszClassName = kMainClass;
  main.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  ::RegisterClassW(&main);
  const int width = std::max(halfWidth, 64), height = std::max(halfHeight, 64);
  main_.reset(::CreateWindowExW(0, kMainClass, L"preview test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                                height, nullptr, nullptr, main.hInstance, nullptr));
  ::SetWindowLongPtrW(main_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  device_.reset(::CreateWindowExW(0, kPaneClass, nullptr, style, 0, 0, backBufferWidth, backBufferHeight, main_.get(),
                                  reinterpret_cast<HMENU>(1001), main.hInstance, nullptr));
  normal_.reset(::CreateWindowExW(0, kPaneClass, nullptr, style | WS_VISIBLE, 0, 0, halfWidth, halfHeight, main_.get(),
                                  reinterpret_cast<HMENU>(1015), main.hInstance, nullptr));
  applied_.reset(::CreateWindowExW(0, kPaneClass, nullptr, style, 0, 0, halfWidth, halfHeight, main_.get(),
                                   reinterpret_cast<HMENU>(1016), main.hInstance, nullptr));
  ::SetForegroundWindow(main_.get());
  ::UpdateWindow(main_.get());
  Pump(50);
}

void PreviewWindows::ShowOnly(HWND child) {
  for (HWND w : {device(), normal(), applied()}) ::ShowWindow(w, w == child ? SW_SHOWNA : SW_HIDE);
  ::SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The panes do not paint: clear what the window that was there before left behind.
  RECT client{};
  ::GetClientRect(child, &client);
  win32::WindowDc dc(child);
  ::FillRect(dc.get(), &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  Pump(30);
}

void Pump(DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (::GetTickCount64() < end);
}

skin::Pixels Screen(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  skin::Pixels pixels{client.right, client.bottom, tl::testing::CaptureClient(window)};
  for (auto& p : pixels.data) p &= 0xFFFFFF;
  return pixels;
}

Difference Compare(const skin::Pixels& got, const std::function<renderer::Pixel(int, int)>& want,
                   const std::function<bool(int, int)>& include) {
  return renderer::testing::ComparePixels(got.width, got.height, [&](int x, int y) { return got.At(x, y); }, want, include);
}

std::wstring MediaDir() { return tl::testing::TestDir() + L"media\\"; }

std::vector<skin::Pixels> AviFrames(const std::wstring& path) {
  media::AviStream stream;
  std::vector<std::vector<std::uint8_t>> frames;
  std::vector<skin::Pixels> pictures;
  if (!media::ReadAvi(ReadFile(path), stream, frames) || stream.format != media::AviFormat::kRgb32) return pictures;
  for (const auto& frame : frames) {
    skin::Pixels p{stream.width, stream.height, std::vector<std::uint32_t>(static_cast<size_t>(stream.width) * stream.height)};
    for (int y = 0; y < stream.height; ++y) {
      std::memcpy(&p.data[static_cast<size_t>(y) * stream.width],
                  frame.data() + static_cast<size_t>(stream.height - 1 - y) * stream.width * 4,
                  static_cast<size_t>(stream.width) * 4);
    }
    for (auto& v : p.data) v &= 0xFFFFFF;
    pictures.push_back(std::move(p));
  }
  return pictures;
}

std::vector<std::vector<std::uint8_t>> Yuy2Frames(const std::wstring& path, int* width, int* height) {
  media::AviStream stream;
  std::vector<std::vector<std::uint8_t>> frames;
  if (!media::ReadAvi(ReadFile(path), stream, frames) || stream.format != media::AviFormat::kYuy2) return {};
  *width = stream.width;
  *height = stream.height;
  return frames;
}

renderer::Pixel WineYuy2ToRgb(std::uint8_t y, std::uint8_t u, std::uint8_t v) {
  const double cb = u - 127.5, cr = v - 127.5;
  return renderer::PackRgb({y + 1.403 * cr, y - 0.344 * cb - 0.714 * cr, y + 1.770 * cb});
}

renderer::RampTexels PreviewRampFor(int mode) {
  TintorEngine engine;
  engine::RampTable ramp{};
  const bool loaded = mode != kNormalMode && engine.Load(tl::testing::InstallDir());
  ComputePreviewRamp(loaded ? &engine : nullptr, "acf/panel.acf", mode, -1, 3, 3, 3, ramp);
  return RampTexelsOf(ramp);
}

frame::ToneParams StartTone() {
  SceneConstants constants;
  SetAvs(constants, 40, 185, 0.125f, 0.5f);
  SetCnf(constants, 0.5f, 1.95f);
  return renderer::ToneFromConstants(constants.constant, constants.constant2);
}

}  // namespace tl::preview::testing
