// eLumara.ax as a COM server and a DirectShow filter under Wine: class factories, unloading,
// registration, pins and formats, the settings read with its defaults and clamps, the VMR-9
// windowless geometry, device loss, the quality property page and the German strings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "common/dshow/tests/test_source.h"
#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "common/win32/gdi.h"
#include "common/win32/handles.h"
#include "common/win32/registry.h"
#include "renderer_filter/tests/renderer_test_support.h"

// After the DirectShow declarations, which these need.
#include <d3d9.h>
#include <ocidl.h>
#include <vmr9.h>

namespace tl::renderer::testing {
namespace {

using dshow::testing::CreateTestSource;
using dshow::testing::SourceSpec;
using dshow::testing::VideoType;

std::wstring Guid(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// A push source of the test picture (RGB32 bottom-up or YUY2) in any format block.
SourceSpec PictureSource(const AviSpec& spec, bool info2 = false) {
  SourceSpec source;
  const bool rgb = spec.pixels == AviPixels::kRgb32;
  source.type = VideoType(rgb ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_YUY2, spec.width, spec.height, rgb ? 32 : 16, info2);
  source.frames = spec.frames;
  source.frameBytes = static_cast<long>(AviFrameBytes(spec));
  source.fill = [spec](int index, uint8_t* data) {
    std::vector<uint8_t> bytes(AviFrameBytes(spec));
    FillTestFrame(spec, index, bytes);
    std::memcpy(data, bytes.data(), bytes.size());
  };
  return source;
}

ComPtr<IPin> PinAt(IBaseFilter* filter, int index) {
  ComPtr<IEnumPins> pins;
  ComPtr<IPin> pin;
  filter->EnumPins(&pins);
  for (int i = 0; i <= index; ++i) {
    if (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) != S_OK) return nullptr;
  }
  return pin;
}

// A graph of a push source and the renderer, played without a clock to the end.
struct SourceGraph {
  ComPtr<IFilterGraph2> graph;
  ComPtr<IBaseFilter> source;
  bool Build(IBaseFilter* renderer, SourceSpec spec) {
    source = CreateTestSource(std::move(spec));
    if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph))))
      return false;
    graph->AddFilter(source.Get(), L"source");
    graph->AddFilter(renderer, L"renderer");
    return SUCCEEDED(graph->ConnectDirect(PinAt(source.Get(), 0).Get(), PinAt(renderer, 0).Get(), nullptr));
  }
  bool Play(bool withClock = false) {
    Graph g;
    graph.As(&g.builder);
    graph.As(&g.control);
    return PlayToEnd(g, 60000, withClock);
  }
  ~SourceGraph() {
    ComPtr<IMediaControl> control;
    if (graph && SUCCEEDED(graph.As(&control))) control->Stop();
  }
};

class Filter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RegisterInstalledFilter(), 0u); }
  void SetUp() override { WriteTypicalSettings(); }
  void TearDown() override { RemoveSettingsKey(); }
  tl::win32::ComApartment apartment_{COINIT_MULTITHREADED};
};

TEST_F(Filter, ClassFactoriesAndUnloading) {
  win32::UniqueModule ax(::LoadLibraryW((tl::testing::InstallDir() + L"eLumara.ax").c_str()));
  ASSERT_TRUE(ax);
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(WINAPI*)();
  auto getClassObject = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(ax.get(), "DllGetClassObject")));
  auto canUnloadNow = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(::GetProcAddress(ax.get(), "DllCanUnloadNow")));
  ASSERT_TRUE(getClassObject && canUnloadNow);

  ComPtr<IClassFactory> factory;
  EXPECT_EQ(getClassObject(CLSID_NULL, IID_PPV_ARGS(&factory)), CLASS_E_CLASSNOTAVAILABLE);
  ComPtr<IBaseFilter> notAFactory;
  EXPECT_EQ(getClassObject(kRendererClass, IID_PPV_ARGS(&notAFactory)), E_NOINTERFACE);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(getClassObject(kQualityPageClass, IID_PPV_ARGS(&unknown)), S_OK);
  unknown.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);

  ASSERT_EQ(getClassObject(kRendererClass, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
  factory->LockServer(TRUE);
  factory.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE);  // the filter and the lock
  filter.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE);  // the lock
  ASSERT_EQ(getClassObject(kRendererClass, IID_PPV_ARGS(&factory)), S_OK);
  factory->LockServer(FALSE);
  factory.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Filter, RegistrationKeysAndMerit) {
  const std::wstring key = L"CLSID\\" + Guid(kRendererClass);
  EXPECT_EQ(win32::ReadRegString(HKEY_CLASSES_ROOT, key.c_str(), nullptr), L"Norvak Video Renderer");
  const auto server = win32::ReadRegString(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str(), nullptr);
  ASSERT_TRUE(server);
  EXPECT_NE(server->find(L"eLumara.ax"), std::wstring::npos);
  EXPECT_EQ(win32::ReadRegString(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str(), L"ThreadingModel"), L"Both");
  EXPECT_EQ(win32::ReadRegString(HKEY_CLASSES_ROOT, (L"CLSID\\" + Guid(kQualityPageClass)).c_str(), nullptr),
            L"Quality Property Page");

  // The mapper lists the filters for video by merit: ours first, above the standard renderers.
  // (Wine's mapper lists nothing for a minimum merit above 0 here, so all are asked for.)
  ComPtr<IFilterMapper2> mapper;
  ASSERT_EQ(::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)), S_OK);
  const GUID types[2] = {MEDIATYPE_Video, MEDIASUBTYPE_YUY2};
  ComPtr<IEnumMoniker> found;
  // Not an exact match: the filter registers "any subtype" (MEDIASUBTYPE_NULL).
  ASSERT_EQ(mapper->EnumMatchingFilters(&found, 0, FALSE, 0, TRUE, 1, types, nullptr, nullptr, TRUE, FALSE,
                                        0, nullptr, nullptr, nullptr),
            S_OK);
  std::vector<std::wstring> classes;
  ComPtr<IMoniker> moniker;
  while (found->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) continue;
    VARIANT id;
    ::VariantInit(&id);
    if (SUCCEEDED(bag->Read(L"CLSID", &id, nullptr)) && id.vt == VT_BSTR) classes.push_back(id.bstrVal);
    ::VariantClear(&id);
  }
  ASSERT_FALSE(classes.empty());
  EXPECT_EQ(classes[0], Guid(kRendererClass));
  // The merit as registered: one above the standard renderers' (MERIT_PREFERRED + 1).
  const std::wstring instance =
      L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\" + Guid(kRendererClass);
  DWORD filterData[64] = {};
  DWORD bytes = sizeof(filterData);
  ASSERT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, instance.c_str(), L"FilterData", RRF_RT_REG_BINARY, nullptr,
                           filterData, &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(filterData[1], 0x00800002u);

  ASSERT_EQ(RegisterInstalledFilter(true), 0u);
  EXPECT_FALSE(win32::ReadRegString(HKEY_CLASSES_ROOT, key.c_str(), nullptr));
  ASSERT_EQ(RegisterInstalledFilter(), 0u);
}

TEST_F(Filter, PinsFormatsAndConfiguration) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ASSERT_TRUE(renderer);
  // Two pins before anything connects, named like the VMR-9's; no third.
  ComPtr<IPin> pin0 = PinAt(renderer.Get(), 0), pin1 = PinAt(renderer.Get(), 1);
  ASSERT_TRUE(pin0 && pin1);
  EXPECT_FALSE(PinAt(renderer.Get(), 2));
  PIN_INFO info{};
  pin0->QueryPinInfo(&info);
  EXPECT_STREQ(info.achName, L"VMR Input0");
  EXPECT_EQ(info.dir, PINDIR_INPUT);
  info.pFilter->Release();
  pin1->QueryPinInfo(&info);
  EXPECT_STREQ(info.achName, L"VMR Input1");
  info.pFilter->Release();

  for (IPin* pin : {pin0.Get(), pin1.Get()}) {
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_YUY2, 640, 480, 16).get()), S_OK);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_RGB32, 640, 480, 32).get()), S_OK);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_RGB32, 640, 480, 32, true).get()), S_OK);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_ARGB32, 640, 480, 32).get()), S_OK);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_YUY2, 640, 480, 32).get()), S_FALSE);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_YUY2, 640, 480, 12).get()), S_FALSE);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_RGB24, 640, 480, 24).get()), S_FALSE);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_RGB565, 640, 480, 16).get()), S_FALSE);
    EXPECT_EQ(pin->QueryAccept(&VideoType(MEDIASUBTYPE_UYVY, 640, 480, 16).get()), S_FALSE);
  }
  // A source of RGB24 finds no type to connect with.
  SourceGraph refused;
  SourceSpec rgb24;
  rgb24.type = VideoType(MEDIASUBTYPE_RGB24, 64, 48, 24);
  rgb24.frameBytes = 64 * 48 * 3;
  EXPECT_FALSE(refused.Build(renderer.Get(), std::move(rgb24)));

  ComPtr<IVMRFilterConfig9> config;
  ASSERT_EQ(renderer.As(&config), S_OK);
  DWORD streams = 0;
  config->GetNumberOfStreams(&streams);
  EXPECT_EQ(streams, 1u);
  EXPECT_EQ(config->SetNumberOfStreams(3), S_OK);
  config->GetNumberOfStreams(&streams);
  EXPECT_EQ(streams, 1u);
  config->SetNumberOfStreams(2);
  config->GetNumberOfStreams(&streams);
  EXPECT_EQ(streams, 2u);

  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(renderer.As(&pages), S_OK);
  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_EQ(list.pElems[0], kQualityPageClass);
  ::CoTaskMemFree(list.pElems);

  ComPtr<IVMRMixerControl9> mixer;
  ASSERT_EQ(renderer.As(&mixer), S_OK);
  EXPECT_EQ(mixer->SetBackgroundClr(RGB(10, 20, 30)), S_OK);
  COLORREF colour = 0;
  mixer->GetBackgroundClr(&colour);
  EXPECT_EQ(colour, RGB(10, 20, 30));

  // The VMR-9 objects share the filter's identity.
  ComPtr<IBaseFilter> back;
  ASSERT_EQ(config.As(&back), S_OK);
  EXPECT_EQ(back.Get(), renderer.Get());
}

TEST_F(Filter, VideoInfoHeader2RendersLikeVideoInfoHeader) {
  const AviSpec spec{AviPixels::kYuy2, 640, 480, 3, 25};
  std::optional<Picture> pictures[2];
  for (int info2 = 0; info2 < 2; ++info2) {
    ComPtr<IBaseFilter> renderer = CreateRenderer();
    SourceGraph graph;
    ASSERT_TRUE(graph.Build(renderer.Get(), PictureSource(spec, info2 != 0)));
    ASSERT_TRUE(graph.Play());
    pictures[info2] = CurrentImage(renderer.Get());
    ASSERT_TRUE(pictures[info2]);
    const RendererDiagnostics d = Diagnostics(renderer.Get());
    EXPECT_EQ(d.width, 640);
    EXPECT_EQ(d.height, 480);
    EXPECT_EQ(d.bitCount, 16);
  }
  EXPECT_EQ(pictures[0]->pixels, pictures[1]->pixels);
}

// A connected pin 0 offered a new type in place (a dynamic reconnection): refused types leave
// the format as it was; an accepted one rebuilds the device for it, sizes the allocator's
// buffers for the new frames, and uploads again with the badge shown.
TEST_F(Filter, FormatChangeOnTheConnectedPin) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  SourceGraph graph;
  ASSERT_TRUE(graph.Build(renderer.Get(), PictureSource({AviPixels::kRgb32, 320, 240, 3, 25})));
  ComPtr<IPin> input = PinAt(renderer.Get(), 0), output = PinAt(graph.source.Get(), 0);
  ASSERT_TRUE(input && output);

  EXPECT_EQ(input->ReceiveConnection(output.Get(), &VideoType(MEDIASUBTYPE_RGB24, 640, 480, 24).get()), E_INVALIDARG);
  RendererDiagnostics d = Diagnostics(renderer.Get());
  EXPECT_EQ(d.width, 320);
  EXPECT_EQ(d.bitCount, 32);

  ASSERT_EQ(input->ReceiveConnection(output.Get(), &VideoType(MEDIASUBTYPE_YUY2, 640, 480, 16, true).get()), S_OK);
  d = Diagnostics(renderer.Get());
  EXPECT_EQ(d.width, 640);
  EXPECT_EQ(d.height, 480);
  EXPECT_EQ(d.bitCount, 16);
  EXPECT_TRUE(d.device);
  EXPECT_TRUE(d.uploadEnabled);
  EXPECT_TRUE(d.badgeVisible);
  ComPtr<IMemInputPin> memory;
  ASSERT_EQ(input.As(&memory), S_OK);
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(memory->GetAllocator(&allocator), S_OK);
  ALLOCATOR_PROPERTIES properties{};
  ASSERT_EQ(allocator->GetProperties(&properties), S_OK);
  EXPECT_GE(properties.cbBuffer, 640 * 480 * 2);
  EXPECT_GE(properties.cBuffers, 1);
  // Committed again: a buffer of the new size can be had at once.
  ComPtr<IMediaSample> sample;
  EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
}

TEST_F(Filter, SettingsDefaultsAndClamps) {
  auto tuning = [] {
    ComPtr<IBaseFilter> renderer = CreateRenderer();
    return Diagnostics(renderer.Get());
  };
  // No key: the defaults of a missing key, the high point kept in its range (115, not 110).
  RemoveSettingsKey();
  RendererDiagnostics d = tuning();
  EXPECT_EQ(d.lowPoint, 50);
  EXPECT_EQ(d.highPoint, 115);
  EXPECT_EQ(d.strength, 0.75);
  EXPECT_EQ(d.noise, 0.5);
  EXPECT_EQ(d.mirror, 0);
  EXPECT_EQ(d.colorTone, 1);
  EXPECT_EQ(d.movie, 1);
  // Without the key the data files are looked for beside the filter.
  EXPECT_EQ(std::wstring(d.installPath), tl::testing::InstallDir());
  const Float4 constant = ToneConstant(50, 115, 0.5f);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(d.constant[i], constant[i]);
  EXPECT_FLOAT_EQ(d.constant2[0], 0.75f);

  // An empty key: every value missing.
  WriteSettings({}, false);
  d = tuning();
  EXPECT_EQ(d.lowPoint, 10);
  EXPECT_EQ(d.highPoint, 115);
  EXPECT_EQ(d.strength, 0.0);
  EXPECT_EQ(d.noise, 0.0);
  EXPECT_EQ(d.colorTone, 1);
  EXPECT_EQ(d.movie, 1);
  EXPECT_EQ(std::wstring(d.installPath), L"C:\\Program Files\\Norvak\\TavoPC\\eLumara\\");

  // Out of range.
  WriteSettings({{L"VS2_High", 300}, {L"VS2_Low", 5}, {L"VS2_Strength", 65535}, {L"VS2_Noise", 70000},
                 {L"ColorTone", 9}, {L"Movie", 0}, {L"VS2_Mirror", 7}});
  d = tuning();
  EXPECT_EQ(d.highPoint, 255);
  EXPECT_EQ(d.lowPoint, 10);
  EXPECT_EQ(d.strength, 1.0);
  EXPECT_EQ(d.noise, 1.0);
  EXPECT_EQ(d.colorTone, 5);
  EXPECT_EQ(d.movie, 1);
  EXPECT_EQ(d.mirror, 1);
  EXPECT_EQ(std::wstring(d.installPath), tl::testing::InstallDir());
}

// A top-level window of the application that the renderer draws into in windowless mode.
class ClippingWindow {
 public:
  ClippingWindow(int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TLClippingWindow";
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    ::RegisterClassW(&wc);
    RECT r{0, 0, width, height};
    ::AdjustWindowRect(&r, WS_POPUP, FALSE);
    window_.reset(::CreateWindowW(wc.lpszClassName, L"player", WS_POPUP | WS_VISIBLE, 0, 0, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr));
  }
  HWND get() const { return window_.get(); }

 private:
  win32::UniqueWindow window_;
};

TEST_F(Filter, WindowlessApplicationGetsTheLetterboxGeometry) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ClippingWindow window(1024, 600);
  ASSERT_TRUE(window.get());
  ComPtr<IVMRFilterConfig9> config;
  ComPtr<IVMRWindowlessControl9> windowless;
  ASSERT_EQ(renderer.As(&config), S_OK);
  ASSERT_EQ(renderer.As(&windowless), S_OK);
  ASSERT_EQ(config->SetRenderingMode(VMR9Mode_Windowless), S_OK);
  ASSERT_EQ(windowless->SetVideoClippingWindow(window.get()), S_OK);

  const AviSpec spec{AviPixels::kRgb32, 720, 480, 3, 25};
  SourceGraph graph;
  ASSERT_TRUE(graph.Build(renderer.Get(), PictureSource(spec)));
  LONG width = 0, height = 0;
  windowless->GetNativeVideoSize(&width, &height, nullptr, nullptr);
  EXPECT_EQ(width, 720);
  EXPECT_EQ(height, 480);
  const RECT destination{0, 0, 1024, 600};
  ASSERT_EQ(windowless->SetVideoPosition(nullptr, &destination), S_OK);
  ASSERT_EQ(windowless->SetAspectRatioMode(VMR9ARMode_LetterBox), S_OK);
  DWORD mode = 0;
  windowless->GetAspectRatioMode(&mode);
  EXPECT_EQ(mode, static_cast<DWORD>(VMR9ARMode_LetterBox));
  ASSERT_TRUE(graph.Play());

  const RendererDiagnostics d = Diagnostics(renderer.Get());
  EXPECT_TRUE(d.windowless);
  EXPECT_FALSE(::IsWindowVisible(d.videoWindow)) << "the pictures go to the clipping window";
  EXPECT_FLOAT_EQ(d.fullQuad[0].x, -0.87890625f);
  EXPECT_FLOAT_EQ(d.fullQuad[1].x, 0.87890625f);
  EXPECT_FLOAT_EQ(d.fullQuad[0].y, 1.0f);
  EXPECT_FLOAT_EQ(d.fullQuad[2].y, -1.0f);

  // The drawn frame: bars of the background colour left and right, the picture between.
  BYTE* dib = nullptr;
  ASSERT_EQ(windowless->GetCurrentImage(&dib), S_OK);
  const std::optional<Picture> picture = PictureFromDib(dib, sizeof(BITMAPINFOHEADER) + 720 * 480 * 4);
  ::CoTaskMemFree(dib);
  ASSERT_TRUE(picture);
  const int bar = static_cast<int>(std::lround(720 * (1 - 0.87890625) / 2));  // 44 columns each side
  EXPECT_EQ(picture->at(bar - 2, 240), 0u);
  EXPECT_EQ(picture->at(720 - bar + 1, 240), 0u);
  EXPECT_NE(picture->at(bar + 2, 240), 0u);
  EXPECT_NE(picture->at(720 - bar - 3, 240), 0u);

  // What the application's window shows (pictures presented twice: the first present into a
  // window may not show under Wine).
  windowless->RepaintVideo(window.get(), nullptr);
  tl::testing::PumpMessagesFor(300);
  tl::testing::SaveWindowPng(window.get(), tl::testing::ArtifactDir() + L"renderer_windowless_1024x600.png");
}

TEST_F(Filter, DeviceLossDropsFramesWithoutAMessageBoxAndPlaybackRecovers) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ComPtr<IRendererDiagnostics> diagnostics;
  ASSERT_EQ(renderer->QueryInterface(IID_IRendererDiagnostics, reinterpret_cast<void**>(diagnostics.GetAddressOf())),
            S_OK);
  const AviSpec spec{AviPixels::kRgb32, 640, 480, 30, 25};
  SourceSpec source = PictureSource(spec);
  auto fill = source.fill;
  IRendererDiagnostics* raw = diagnostics.Get();
  // Before frame 10 is delivered the device is lost, as a display change would lose it.
  source.fill = [fill, raw](int index, uint8_t* data) {
    if (index == 10) raw->SimulateDeviceLoss();
    fill(index, data);
  };
  SourceGraph graph;
  ASSERT_TRUE(graph.Build(renderer.Get(), std::move(source)));
  ASSERT_TRUE(graph.Play());

  const RendererDiagnostics d = Diagnostics(renderer.Get());
  EXPECT_GE(d.framesLostDevice, 1);
  EXPECT_GE(d.devicesCreated, 2);
  EXPECT_TRUE(d.device);
  EXPECT_TRUE(ProcessWindowsOfClass(L"#32770").empty()) << "no message box";
  // The last frame is drawn after the recovery.
  const std::optional<Picture> picture = CurrentImage(renderer.Get());
  ASSERT_TRUE(picture);
  const frame::ToneParams tone = ToneFor(30, 185, 32767 / 65535.0, 32767 / 65535.0);
  const Difference diff = Compare(*picture, [&](int x, int y) { return ExpectedPixel(spec, 29, x, y, &tone); });
  EXPECT_LE(diff.worst, 1) << diff.first;
}

TEST_F(Filter, QualityPropertyPageShowsTheFigures) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  const AviSpec spec{AviPixels::kRgb32, 64, 48, 12, 25};
  SourceGraph graph;
  ASSERT_TRUE(graph.Build(renderer.Get(), PictureSource(spec)));
  ASSERT_TRUE(graph.Play());

  ComPtr<IPropertyPage> page;
  ASSERT_EQ(::CoCreateInstance(kQualityPageClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&page)), S_OK);
  IUnknown* objects[] = {renderer.Get()};
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_STREQ(info.pszTitle, L"Quality");
  EXPECT_GT(info.size.cx, 100);
  EXPECT_GT(info.size.cy, 50);
  ::CoTaskMemFree(info.pszTitle);

  ClippingWindow frame(500, 300);
  RECT area{0, 0, info.size.cx, info.size.cy};
  ASSERT_EQ(page->Activate(frame.get(), &area, FALSE), S_OK);
  tl::testing::PumpMessagesFor(400);  // the page refreshes every 100 ms
  HWND dialog = ::GetWindow(frame.get(), GW_CHILD);
  ASSERT_TRUE(dialog);
  wchar_t text[32] = {};
  ::GetDlgItemTextW(dialog, 1101, text, 32);
  EXPECT_STREQ(text, L"12");
  ::GetDlgItemTextW(dialog, 1102, text, 32);
  EXPECT_STREQ(text, L"0");
  ::GetDlgItemTextW(dialog, 1103, text, 32);
  EXPECT_NE(std::wcschr(text, L'.'), nullptr) << "hundredths as %d.%02d";
  tl::testing::SaveWindowPng(frame.get(), tl::testing::ArtifactDir() + L"renderer_quality_page.png");
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
}

TEST_F(Filter, OverlayStreamAndAlphaBitmapAreBlendedOnTop) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  const AviSpec spec{AviPixels::kRgb32, 320, 240, 2, 25};
  // The overlay: ARGB32, opaque blue in its right half, transparent in its left half.
  SourceSpec overlay;
  overlay.type = VideoType(MEDIASUBTYPE_ARGB32, 320, 240, 32);
  overlay.frames = 1;
  overlay.frameBytes = 320 * 240 * 4;
  overlay.fill = [](int, uint8_t* data) {
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x) {
        const uint32_t texel = x >= 160 ? 0xFF0000FFu : 0x00FF0000u;
        std::memcpy(data + 4 * (y * 320 + x), &texel, 4);
      }
  };
  SourceGraph graph;
  ASSERT_TRUE(graph.Build(renderer.Get(), PictureSource(spec)));
  ComPtr<IBaseFilter> overlaySource = CreateTestSource(std::move(overlay));
  graph.graph->AddFilter(overlaySource.Get(), L"overlay");
  ASSERT_EQ(graph.graph->ConnectDirect(PinAt(overlaySource.Get(), 0).Get(), PinAt(renderer.Get(), 1).Get(), nullptr),
            S_OK);

  // The application's alpha bitmap over the top-left quarter: red, with a key-coloured left half
  // that becomes transparent.
  win32::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  void* bits = nullptr;
  win32::UniqueGdiObject bitmap = win32::CreateTopDown32BitDib(dc.get(), 32, 32, &bits);
  ASSERT_TRUE(bitmap);
  win32::SelectGuard select(dc.get(), bitmap.get());
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) static_cast<uint32_t*>(bits)[y * 32 + x] = x < 16 ? 0x00FF00FF : 0x00FF0000;
  ASSERT_TRUE(graph.Play());  // the device exists once the video pin has its format

  VMR9AlphaBitmap alpha{};
  alpha.dwFlags = VMR9AlphaBitmap_hDC;
  alpha.hdc = dc.get();
  alpha.rSrc = {0, 0, 32, 32};
  alpha.rDest = {0.0f, 0.0f, 0.5f, 0.5f};
  alpha.fAlpha = 1.0f;
  alpha.clrSrcKey = RGB(255, 0, 255);
  ComPtr<IVMRMixerBitmap9> mixer;
  ASSERT_EQ(renderer.As(&mixer), S_OK);
  ASSERT_EQ(mixer->SetAlphaBitmap(&alpha), S_OK);
  EXPECT_TRUE(Diagnostics(renderer.Get()).overlayActive);
  EXPECT_TRUE(Diagnostics(renderer.Get()).alphaBitmapEnabled);

  const std::optional<Picture> picture = CurrentImage(renderer.Get());
  ASSERT_TRUE(picture);
  const frame::ToneParams tone = ToneFor(30, 185, 32767 / 65535.0, 32767 / 65535.0);
  auto video = [&](int x, int y) { return ExpectedPixel(spec, spec.frames - 1, x, y, &tone); };
  auto similar = [](uint32_t got, uint32_t want) {
    for (int shift = 0; shift < 24; shift += 8)
      if (std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > 2) return false;
    return true;
  };
  EXPECT_TRUE(similar(picture->at(200, 200), 0x0000FF)) << std::hex << picture->at(200, 200);  // overlay
  EXPECT_TRUE(similar(picture->at(100, 200), video(100, 200))) << std::hex << picture->at(100, 200);
  EXPECT_TRUE(similar(picture->at(120, 60), 0xFF0000)) << std::hex << picture->at(120, 60);  // bitmap
  EXPECT_TRUE(similar(picture->at(40, 60), video(40, 60))) << std::hex << picture->at(40, 60);  // key colour
  // Through the scene texture the picture is copied texel for texel: the video's part of the
  // frame is still the reference within the tone's tolerance.
  const Difference d = Compare(*picture, video, 0, 160);
  long outsideBitmap = 0;
  for (int y = 120; y < 240; ++y)
    for (int x = 0; x < 160; ++x) {
      const uint32_t g = picture->at(x, y), w = video(x, y);
      for (int shift = 0; shift < 24; shift += 8) outsideBitmap += std::abs(int(g >> shift & 0xFF) - int(w >> shift & 0xFF)) > 1;
    }
  EXPECT_EQ(outsideBitmap, 0) << d.first;

  // A zero alpha switches the bitmap off.
  alpha.fAlpha = 0;
  ASSERT_EQ(mixer->UpdateAlphaBitmapParameters(&alpha), S_OK);
  EXPECT_FALSE(Diagnostics(renderer.Get()).alphaBitmapEnabled);
}

// The string of `id` in the language, read from the module's string table.
std::wstring StringIn(HMODULE module, UINT id, WORD language) {
  HRSRC block = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!block) return {};
  const auto* data = static_cast<const WORD*>(::LockResource(::LoadResource(module, block)));
  for (UINT i = 0; i < id % 16; ++i) data += 1 + *data;
  return std::wstring(reinterpret_cast<const wchar_t*>(data + 1), *data);
}

TEST_F(Filter, StringTableInEnglishAndGerman) {
  win32::UniqueModule ax(::LoadLibraryExW((tl::testing::InstallDir() + L"eLumara.ax").c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(ax);
  const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const WORD german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
  EXPECT_EQ(StringIn(ax.get(), 112, english), L"Dynamic Tone: OutDoor Mode - %d");
  EXPECT_EQ(StringIn(ax.get(), 178, english), L"Quality");
  EXPECT_EQ(StringIn(ax.get(), 183, english), L"Disable TavoLumara");
  EXPECT_EQ(StringIn(ax.get(), 188, english), L"Dynamic Tone: DarkMovie Mode");
  EXPECT_EQ(StringIn(ax.get(), 194, english), L"0");
  // Every English string has a German one.
  for (UINT id : {112u, 178u, 179u, 180u, 181u, 182u, 183u, 184u, 185u, 186u, 187u, 188u, 189u, 190u, 191u, 192u,
                  193u, 194u, 195u}) {
    EXPECT_FALSE(StringIn(ax.get(), id, english).empty()) << id;
    EXPECT_FALSE(StringIn(ax.get(), id, german).empty()) << id;
  }
  EXPECT_EQ(StringIn(ax.get(), 178, german), L"Qualität");
  EXPECT_EQ(StringIn(ax.get(), 112, german), L"Dynamischer Ton: Modus Außen - %d");
}

}  // namespace
}  // namespace tl::renderer::testing
