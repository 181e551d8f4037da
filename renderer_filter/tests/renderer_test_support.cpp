#include "renderer_filter/tests/renderer_test_support.h"

#include <cstring>

#include "common/dshow/tests/test_source.h"
#include "common/testing/wine_testing.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"

namespace tl::renderer::testing {
namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Norvak\\TavoPC\\NORVAKVMR";

}  // namespace

void RemoveSettingsKey() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey); }

void WriteSettings(const std::map<std::wstring, DWORD>& values, bool withPath) {
  RemoveSettingsKey();
  HKEY key = nullptr;
  ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (key) ::RegCloseKey(key);
  for (const auto& [name, value] : values) win32::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, name.c_str(), value);
  if (withPath) win32::WriteRegString(HKEY_LOCAL_MACHINE, kSettingsKey, L"Path", tl::testing::InstallDir());
}

void WriteTypicalSettings(const std::wstring& installPath) {
  WriteSettings({{L"VS2_Low", 30}, {L"VS2_High", 185}, {L"VS2_Strength", 32767}, {L"VS2_Noise", 32767},
                 {L"ColorTone", 1}, {L"Movie", 1}});
  if (!installPath.empty()) win32::WriteRegString(HKEY_LOCAL_MACHINE, kSettingsKey, L"Path", installPath);
}

std::optional<DWORD> RegisterInstalledFilter(bool unregister) {
  const std::wstring ax = L"\"" + tl::testing::InstallDir() + L"eLumara.ax\"";
  return tl::testing::RunProgram(L"regsvr32", (unregister ? L"/u /s " : L"/s ") + ax);
}

std::wstring TestAvi(const std::string& name, const AviSpec& spec) {
  const std::wstring path = tl::testing::TestDir() + win32::Widen(name);
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    WriteAvi(win32::Narrow(path), spec,
             [&spec](int index, std::vector<uint8_t>& bytes) { FillTestFrame(spec, index, bytes); });
  }
  return path;
}

HRESULT RenderFile(const std::wstring& file, Graph& graph, IBaseFilter* renderer) {
  HRESULT hr = ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph.builder));
  if (FAILED(hr)) return hr;
  graph.builder.As(&graph.control);
  if (renderer) graph.builder->AddFilter(renderer, L"Norvak Video Renderer");
  hr = graph.builder->RenderFile(file.c_str(), nullptr);
  ComPtr<IEnumFilters> filters;
  if (SUCCEEDED(graph.builder->EnumFilters(&filters))) {
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      CLSID id{};
      if (SUCCEEDED(filter->GetClassID(&id)) && id == kRendererClass) graph.renderer = filter;
    }
  }
  return hr;
}

bool PlayToEnd(Graph& graph, DWORD timeoutMs, bool withClock) {
  if (!withClock) {
    // Without a clock every frame is drawn as it comes: what is drawn does not depend on how
    // busy the machine is.
    ComPtr<IMediaFilter> filter;
    if (FAILED(graph.builder.As(&filter)) || FAILED(filter->SetSyncSource(nullptr))) return false;
  }
  if (!graph.control || FAILED(graph.control->Run())) return false;
  return dshow::testing::WaitForGraphEvent(graph.builder.Get(), EC_COMPLETE, timeoutMs);
}

ComPtr<IBaseFilter> CreateRenderer() {
  ComPtr<IBaseFilter> filter;
  ::CoCreateInstance(kRendererClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter));
  return filter;
}

bool PlaySmallClip(IBaseFilter* renderer, Graph& graph) {
  dshow::testing::SourceSpec spec;
  spec.type = dshow::testing::VideoType(MEDIASUBTYPE_RGB32, 320, 240, 32);
  spec.frames = 3;
  spec.frameBytes = 320 * 240 * 4;
  spec.fill = [](int, uint8_t* data) {
    for (int i = 0; i < 320 * 240; ++i) std::memcpy(data + 4 * i, "\x40\x80\xC0\x00", 4);
  };
  graph.source = dshow::testing::CreateTestSource(std::move(spec));
  if (!graph.source || !renderer) return false;
  if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph.builder))) ||
      FAILED(graph.builder.As(&graph.control)))
    return false;
  graph.builder->AddFilter(graph.source.Get(), L"source");
  graph.builder->AddFilter(renderer, L"renderer");
  auto firstPin = [](IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> pin;
    if (SUCCEEDED(filter->EnumPins(&pins))) pins->Next(1, &pin, nullptr);
    return pin;
  };
  const ComPtr<IPin> out = firstPin(graph.source.Get()), in = firstPin(renderer);
  return out && in && graph.builder->ConnectDirect(out.Get(), in.Get(), nullptr) == S_OK && PlayToEnd(graph);
}

HWND OpenTrayDialog(IUnknown* renderer) {
  ::PostMessageW(Diagnostics(renderer).videoWindow, kTrayMessage, 104, WM_LBUTTONDBLCLK);
  HWND dialog = nullptr;
  tl::testing::WaitFor([&] {
    dialog = Diagnostics(renderer).trayDialog;
    return dialog && ::IsWindowVisible(dialog);
  });
  return dialog;
}

RendererDiagnostics Diagnostics(IUnknown* renderer) {
  RendererDiagnostics d{};
  d.size = sizeof(d);
  ComPtr<IRendererDiagnostics> diagnostics;
  if (renderer && SUCCEEDED(renderer->QueryInterface(IID_IRendererDiagnostics,
                                                     reinterpret_cast<void**>(diagnostics.GetAddressOf()))))
    diagnostics->GetDiagnostics(&d);
  return d;
}

std::optional<Picture> PictureFromDib(const uint8_t* dib, std::size_t bytes) {
  if (bytes < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib, sizeof(header));
  if (header.biBitCount != 32 || header.biWidth <= 0 || header.biHeight == 0) return std::nullopt;
  Picture picture;
  picture.width = header.biWidth;
  picture.height = std::abs(header.biHeight);
  const std::size_t row = std::size_t(picture.width) * 4;
  if (bytes < header.biSize + row * std::size_t(picture.height)) return std::nullopt;
  picture.pixels.resize(std::size_t(picture.width) * std::size_t(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    const int stored = header.biHeight > 0 ? picture.height - 1 - y : y;
    std::memcpy(&picture.pixels[std::size_t(y) * std::size_t(picture.width)],
                dib + header.biSize + std::size_t(stored) * row, row);
  }
  return picture;
}

std::optional<Picture> CurrentImage(IUnknown* renderer) {
  ComPtr<IBasicVideo> video;
  if (!renderer || FAILED(renderer->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(video.GetAddressOf()))))
    return std::nullopt;
  long size = 0;
  if (FAILED(video->GetCurrentImage(&size, nullptr)) || size <= 0) return std::nullopt;
  std::vector<long> buffer(std::size_t(size) / sizeof(long) + 1);
  if (FAILED(video->GetCurrentImage(&size, buffer.data()))) return std::nullopt;
  return PictureFromDib(reinterpret_cast<const uint8_t*>(buffer.data()), std::size_t(size));
}

frame::ToneParams ToneFor(int lowPoint, int highPoint, double noise, double strength) {
  const Float4 constant = ToneConstant(lowPoint, highPoint, float(noise));
  const Float4 constant2{float(strength), 0, 0, 0};
  return ToneFromConstants(constant, constant2);
}

uint32_t ExpectedPixel(const AviSpec& spec, int index, int x, int y, const frame::ToneParams* tone) {
  if (spec.pixels == AviPixels::kRgb32) {
    const uint32_t source = TestPixel(index, x, y, spec.width, spec.height);
    return tone ? ReferenceSimplest(*tone, source) : ReferenceFixed(source);
  }
  uint8_t pair[4];
  TestYuy2Pair(index, x / 2, y, spec.width, spec.height, pair);
  const uint8_t luma = x % 2 ? pair[2] : pair[0];
  return tone ? ReferenceSimplestYuy2(*tone, luma, pair[1], pair[3]) : ReferenceYuy2ToRgb(luma, pair[1], pair[3]);
}

namespace {

struct WindowSearch {
  const wchar_t* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (process == ::GetCurrentProcessId() && std::wcscmp(name, search->className) == 0) search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> ProcessWindowsOfClass(const wchar_t* className) {
  WindowSearch search{className, {}};
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace tl::renderer::testing
