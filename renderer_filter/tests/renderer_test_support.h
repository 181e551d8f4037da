// Support for the renderer's Windows-side tests: the settings key, registration, graphs that
// play generated files, reading back what the renderer drew, and the CPU reference.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/dshow/win32/dshow.h"
#include "common/win32/com.h"
#include "renderer_filter/core/tone_effect.h"
#include "renderer_filter/tests/avi_writer.h"
#include "renderer_filter/tests/pixel_compare.h"
#include "renderer_filter/win32/diagnostics.h"

namespace tl::renderer::testing {

using win32::ComPtr;

// {B199525F-CE75-46E6-B6B7-C66AA586F31C}
inline constexpr CLSID kRendererClass = {0xb199525f, 0xce75, 0x46e6, {0xb6, 0xb7, 0xc6, 0x6a, 0xa5, 0x86, 0xf3, 0x1c}};
inline constexpr CLSID kQualityPageClass = {0x77cb37d3, 0x0818, 0x4c04, {0x94, 0xc9, 0x4d, 0x62, 0xab, 0xfc, 0xd2, 0x34}};

// The settings key: removed, or holding exactly these DWORD values plus "Path" (the
// installation folder) unless told otherwise.
void RemoveSettingsKey();
void WriteSettings(const std::map<std::wstring, DWORD>& values, bool withPath = true);
// What the tests write when the values do not matter: low 30, high 185, strength and noise 0.5,
// and "Path" the installation folder or `installPath`.
void WriteTypicalSettings(const std::wstring& installPath = {});

// regsvr32 /s (or /u /s) of the installed filter; its exit code.
std::optional<DWORD> RegisterInstalledFilter(bool unregister = false);

// A generated AVI in the test folder (made once per name and kept for the run).
std::wstring TestAvi(const std::string& name, const AviSpec& spec);

struct Graph {
  ComPtr<IGraphBuilder> builder;
  ComPtr<IBaseFilter> source;  // a test source added by the test, if any
  ComPtr<IMediaControl> control;
  ComPtr<IBaseFilter> renderer;  // ours, when the graph chose it
};
// RenderFile of `file`; with `renderer` given, that instance is added first.
HRESULT RenderFile(const std::wstring& file, Graph& graph, IBaseFilter* renderer = nullptr);
// Runs the graph until EC_COMPLETE (false on timeout); without the clock unless told.
bool PlayToEnd(Graph& graph, DWORD timeoutMs = 60000, bool withClock = false);

ComPtr<IBaseFilter> CreateRenderer();

// The tray icon's callback message and the dialog's strength slider, as the shell and the user
// send them.
inline constexpr UINT kTrayMessage = WM_APP + 1;
inline constexpr int kStrengthSlider = 525;
// A double click on the renderer's tray icon; the dialog once it shows (when it does not show in
// time, whatever the renderer then holds).
HWND OpenTrayDialog(IUnknown* renderer);

// Three frames of a flat 320 x 240 RGB32 picture from the base layer's test source into
// `renderer`, played to the end without a clock. The graph keeps the source; the renderer's tray
// icon and dialog live as long as the renderer does.
bool PlaySmallClip(IBaseFilter* renderer, Graph& graph);
RendererDiagnostics Diagnostics(IUnknown* renderer);

// A picture read back from the renderer, top-down, 0x00RRGGBB.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] & 0xFFFFFF; }
};
// From a packed DIB (BITMAPINFOHEADER and 32-bit rows).
std::optional<Picture> PictureFromDib(const uint8_t* dib, std::size_t bytes);
// IBasicVideo::GetCurrentImage of the renderer.
std::optional<Picture> CurrentImage(IUnknown* renderer);

// `got` against `want(x, y)` over columns x0 to x1 (exclusive; -1: to the right edge).
inline Difference Compare(const Picture& got, const std::function<Pixel(int, int)>& want, int x0 = 0, int x1 = -1) {
  if (x1 < 0) x1 = got.width;
  return ComparePixels(got.width, got.height, [&](int x, int y) { return got.at(x, y); }, want,
                       [&](int x, int) { return x >= x0 && x < x1; });
}

// The tone the renderer applies for tuning values, as its effect reads them.
frame::ToneParams ToneFor(int lowPoint, int highPoint, double noise, double strength);
// What the enhanced ("SimplestVS2"/"SimplestVS2_YUY2") or plain technique gives for pixel
// (x, y) of frame `index` of a test file.
uint32_t ExpectedPixel(const AviSpec& spec, int index, int x, int y, const frame::ToneParams* tone);

// Windows of this process of a class (e.g. "#32770" for dialogs).
std::vector<HWND> ProcessWindowsOfClass(const wchar_t* className);

}  // namespace tl::renderer::testing
