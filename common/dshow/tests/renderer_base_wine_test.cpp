// The renderer part of the base layer in Wine's filter graph, on the graph's real clock:
// scheduling, dropping, the still picture while paused, end of stream, IQualProp; and the control
// window and control video on their own.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "common/dshow/tests/test_source.h"
#include "common/dshow/win32/control_video.h"
#include "common/dshow/win32/control_window.h"
#include "common/dshow/win32/renderer.h"
#include "common/testing/wine_testing.h"
#include "common/win32/com.h"

namespace tl::dshow {
namespace {

using testing::CreateTestSource;
using testing::SourceSpec;
using testing::VideoType;
using testing::WaitForGraphEvent;
using win32::ComPtr;

constexpr CLSID kTestRendererClass = {0x6a0e1f3b, 0x2c44, 0x4d59, {0x8e, 0x17, 0x3b, 0x90, 0xa2, 0x5c, 0x71, 0x0d}};

// Records which frames it draws and when (stream time); drawing can be made slow.
class TestRenderer final : public VideoRenderer {
 public:
  TestRenderer() : VideoRenderer(kTestRendererClass), pin_(*this) { AddPin(pin_); }

  struct Drawn {
    uint8_t firstByte;
    REFERENCE_TIME start;
    REFERENCE_TIME at;  // stream time when drawn; -1 while paused
  };
  std::vector<Drawn> drawn() {
    std::lock_guard guard(drawnLock_);
    return drawn_;
  }
  int stills() {
    std::lock_guard guard(drawnLock_);
    return stills_;
  }
  DWORD drawCostMs = 0;

 protected:
  void Destroy() override { delete this; }

 private:
  class Pin final : public RendererPin {
   public:
    explicit Pin(TestRenderer& renderer) : RendererPin(renderer, L"In"), renderer_(renderer) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override {
      return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_RGB32 ? S_OK : S_FALSE;
    }

   protected:
    HRESULT DoRenderSample(IMediaSample* sample) override {
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      REFERENCE_TIME start = 0, stop = 0;
      sample->GetTime(&start, &stop);
      const REFERENCE_TIME at = filter().StreamTime().value_or(-1);
      if (renderer_.drawCostMs) ::Sleep(renderer_.drawCostMs);
      std::lock_guard guard(renderer_.drawnLock_);
      renderer_.drawn_.push_back({data[0], start, at});
      return S_OK;
    }
    void ShowStillPicture(IMediaSample*) override {
      std::lock_guard guard(renderer_.drawnLock_);
      ++renderer_.stills_;
    }

   private:
    TestRenderer& renderer_;
  };

  Pin pin_;
  std::mutex drawnLock_;
  std::vector<Drawn> drawn_;
  int stills_ = 0;
};

SourceSpec Frames(int count, REFERENCE_TIME frameTime) {
  SourceSpec spec;
  spec.type = VideoType(MEDIASUBTYPE_RGB32, 16, 16, 32, false, frameTime);
  spec.frames = count;
  spec.frameTime = frameTime;
  spec.frameBytes = 16 * 16 * 4;
  spec.fill = [](int index, uint8_t* data) { data[0] = static_cast<uint8_t>(index); };
  return spec;
}

ComPtr<IPin> FirstPin(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  ComPtr<IPin> pin;
  if (SUCCEEDED(filter->EnumPins(&pins))) pins->Next(1, &pin, nullptr);
  return pin;
}

class RendererBase : public ::testing::Test {
 protected:
  void Build(SourceSpec spec) {
    renderer_ = new TestRenderer;
    rendererFilter_ = win32::AdoptComPtr<IBaseFilter>(renderer_);
    source_ = CreateTestSource(std::move(spec));
    ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_)), S_OK);
    ASSERT_EQ(graph_->AddFilter(source_.Get(), L"source"), S_OK);
    ASSERT_EQ(graph_->AddFilter(rendererFilter_.Get(), L"renderer"), S_OK);
    ASSERT_EQ(graph_->ConnectDirect(FirstPin(source_.Get()).Get(), FirstPin(rendererFilter_.Get()).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph_.As(&control_), S_OK);
  }
  void TearDown() override {
    if (control_) control_->Stop();
  }

  win32::ComApartment apartment_{COINIT_MULTITHREADED};
  TestRenderer* renderer_ = nullptr;
  ComPtr<IBaseFilter> rendererFilter_, source_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
};

// What holds however busy the machine is: frames come in order, none before its time, the
// first one of a run is always drawn, every frame is either drawn or counted as dropped, and the
// stream completes. How punctual the drawing is depends on the machine's load and is measured,
// not asserted (the decisions themselves are tested on a fake clock in dshow_core_test).
TEST_F(RendererBase, ShowsFramesInOrderNeverEarlyAndCompletes) {
  constexpr REFERENCE_TIME kFrame = 400000;  // 25 frames/s
  ASSERT_NO_FATAL_FAILURE(Build(Frames(25, kFrame)));
  ASSERT_TRUE(SUCCEEDED(control_->Run()));
  ASSERT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, 30000));

  const auto drawn = renderer_->drawn();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn[0].firstByte, 0);
  for (size_t i = 0; i < drawn.size(); ++i) {
    if (i > 0) {
      EXPECT_GT(drawn[i].firstByte, drawn[i - 1].firstByte) << "drawn " << i;
    }
    EXPECT_EQ(drawn[i].start, drawn[i].firstByte * kFrame);
    EXPECT_GE(drawn[i].at, drawn[i].start - RenderScheduler::kEarlyTolerance) << "frame " << int(drawn[i].firstByte);
  }
  ComPtr<IQualProp> quality;
  ASSERT_EQ(rendererFilter_.As(&quality), S_OK);
  int framesDrawn = -1, framesDropped = -1, rate = -1;
  quality->get_FramesDrawn(&framesDrawn);
  quality->get_FramesDroppedInRenderer(&framesDropped);
  EXPECT_EQ(framesDrawn, static_cast<int>(drawn.size()));
  EXPECT_EQ(framesDrawn + framesDropped, 25);
  quality->get_AvgFrameRate(&rate);
  if (framesDrawn > 1) {
    EXPECT_GT(rate, 0);
  }
  ::testing::Test::RecordProperty("frames_dropped_on_the_clock", framesDropped);

  ComPtr<IAMFilterMiscFlags> flags;
  ASSERT_EQ(rendererFilter_.As(&flags), S_OK);
  EXPECT_EQ(flags->GetMiscFlags(), static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_RENDERER));
}

TEST_F(RendererBase, PausedShowsTheFirstFrameAndWaitsForTheRun) {
  ASSERT_NO_FATAL_FAILURE(Build(Frames(5, 400000)));
  ASSERT_TRUE(SUCCEEDED(control_->Pause()));
  FILTER_STATE state;
  EXPECT_EQ(rendererFilter_->GetState(5000, &state), S_OK);
  EXPECT_EQ(state, State_Paused);
  EXPECT_EQ(renderer_->stills(), 1);
  // Nothing more happens while paused (a look after a while: no wait could prove an absence).
  ::Sleep(300);
  EXPECT_EQ(renderer_->stills(), 1);
  EXPECT_TRUE(renderer_->drawn().empty());
  ASSERT_TRUE(SUCCEEDED(control_->Run()));
  ASSERT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, 30000));
  // The held frame is the first one drawn by the run; the rest are drawn or counted as dropped.
  const auto drawn = renderer_->drawn();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn[0].firstByte, 0);
  ComPtr<IQualProp> quality;
  ASSERT_EQ(rendererFilter_.As(&quality), S_OK);
  int framesDropped = -1;
  quality->get_FramesDroppedInRenderer(&framesDropped);
  EXPECT_EQ(static_cast<int>(drawn.size()) + framesDropped, 5);
}

TEST_F(RendererBase, WithoutASampleThePauseStaysIntermediate) {
  SourceSpec spec = Frames(0, 400000);
  ASSERT_NO_FATAL_FAILURE(Build(std::move(spec)));
  // The source sends only the end of the stream, which also completes the pause.
  ASSERT_TRUE(SUCCEEDED(control_->Pause()));
  FILTER_STATE state;
  EXPECT_EQ(rendererFilter_->GetState(5000, &state), S_OK);
  control_->Stop();
  // A renderer whose pin is connected but that never gets anything stays intermediate.
  ComPtr<IMediaFilter> filter;
  ASSERT_EQ(rendererFilter_.As(&filter), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  EXPECT_EQ(rendererFilter_->GetState(100, &state), VFW_S_STATE_INTERMEDIATE);
  EXPECT_EQ(state, State_Paused);
  filter->Stop();
}

TEST_F(RendererBase, SlowDrawingDropsLateFrames) {
  ASSERT_NO_FATAL_FAILURE(Build(Frames(40, 200000)));  // 50 frames/s for 0.8 s
  renderer_->drawCostMs = 50;                         // room for about 17 at most
  ASSERT_TRUE(SUCCEEDED(control_->Run()));
  ASSERT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, 30000));
  ComPtr<IQualProp> quality;
  ASSERT_EQ(rendererFilter_.As(&quality), S_OK);
  int drawn = 0, dropped = 0;
  quality->get_FramesDrawn(&drawn);
  quality->get_FramesDroppedInRenderer(&dropped);
  EXPECT_EQ(drawn + dropped, 40);
  // A busier machine only makes frames later: more dropped, never fewer.
  EXPECT_GT(dropped, 10);
  EXPECT_GE(drawn, 1);
  EXPECT_EQ(static_cast<int>(renderer_->drawn().size()), drawn);
}

TEST_F(RendererBase, StoppingReleasesAWaitingSampleAndRunsAgain) {
  // The second frame is due 10 s after the first: the renderer holds it, waiting, when stopped.
  constexpr REFERENCE_TIME kFrame = 10 * 10000000LL;
  ASSERT_NO_FATAL_FAILURE(Build(Frames(3, kFrame)));
  ASSERT_TRUE(SUCCEEDED(control_->Run()));
  ASSERT_TRUE(tl::testing::WaitFor([&] { return !renderer_->drawn().empty(); }, 30000));
  const ULONGLONG before = ::GetTickCount64();
  ASSERT_EQ(control_->Stop(), S_OK);
  EXPECT_LT(::GetTickCount64() - before, 5000u) << "Stop waited for the frame's time";
  EXPECT_EQ(renderer_->drawn().size(), 1u);

  // Run again: the source streams from its start, and the first frame of the run is drawn.
  ASSERT_TRUE(SUCCEEDED(control_->Run()));
  ASSERT_TRUE(tl::testing::WaitFor([&] { return renderer_->drawn().size() >= 2; }, 30000));
  EXPECT_EQ(renderer_->drawn()[1].firstByte, 0);
  ASSERT_EQ(control_->Stop(), S_OK);
}

// A window of our own with the control window and control video around it.
class WindowFilter final : public BaseFilter {
 public:
  WindowFilter() : BaseFilter(kTestRendererClass), window_(*this), video_(*this, window_) {}
  ~WindowFilter() { window_.Close(); }
  int PinCount() override { return 0; }
  BasePin* PinAt(int) override { return nullptr; }

  class Window final : public ControlWindow {
   public:
    using ControlWindow::ControlWindow;
    SIZE NativeVideoSize() override { return {320, 240}; }
  };
  class Video final : public ControlVideo {
   public:
    Video(BaseFilter& owner, Window& window) : ControlVideo(owner), window_(window) {}
    SIZE NativeVideoSize() override { return {320, 240}; }
    RECT ClientRect() override {
      RECT r{};
      ::GetClientRect(window_.hwnd(), &r);
      return r;
    }
    bool CurrentImage(std::vector<uint8_t>& dib) override {
      dib.assign(sizeof(BITMAPINFOHEADER) + 4, 0x5A);
      return true;
    }

   private:
    Window& window_;
  };
  Window window_;
  Video video_;

 protected:
  void Destroy() override { delete this; }
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IVideoWindow) return static_cast<IVideoWindow*>(&window_);
    if (iid == IID_IBasicVideo) return static_cast<IBasicVideo*>(&video_);
    return nullptr;
  }
};

TEST(ControlWindowAndVideo, WindowOnItsOwnThread) {
  auto* filter = new WindowFilter;
  ComPtr<IBaseFilter> owner = win32::AdoptComPtr<IBaseFilter>(filter);
  ASSERT_TRUE(filter->window_.Create({L"TLTestVideoWindow", CS_DBLCLKS, WS_OVERLAPPEDWINDOW, 0, L"test",
                                      ::GetModuleHandleW(nullptr), nullptr}));
  HWND window = filter->window_.hwnd();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(::GetWindowThreadProcessId(window, nullptr), ::GetCurrentThreadId());

  ComPtr<IVideoWindow> video;
  ASSERT_EQ(owner.As(&video), S_OK);
  BSTR caption = ::SysAllocString(L"Video");
  EXPECT_EQ(video->put_Caption(caption), S_OK);
  ::SysFreeString(caption);
  caption = nullptr;
  ASSERT_EQ(video->get_Caption(&caption), S_OK);
  EXPECT_STREQ(caption, L"Video");
  ::SysFreeString(caption);

  EXPECT_EQ(video->put_WindowStyle(WS_OVERLAPPEDWINDOW | WS_DISABLED), E_INVALIDARG);
  ASSERT_EQ(video->SetWindowPosition(10, 20, 300, 200), S_OK);
  long left, top, width, height;
  ASSERT_EQ(video->GetWindowPosition(&left, &top, &width, &height), S_OK);
  EXPECT_EQ(left, 10);
  EXPECT_EQ(top, 20);
  EXPECT_EQ(width, 300);
  EXPECT_EQ(height, 200);
  long visible = 1;
  video->put_Visible(OATRUE);
  video->get_Visible(&visible);
  EXPECT_EQ(visible, OATRUE);
  EXPECT_EQ(video->GetMaxIdealImageSize(&width, &height), S_OK);
  EXPECT_EQ(width, 320);

  // Owned by a window of the application: a child of it.
  HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                                  nullptr, nullptr);
  ASSERT_EQ(video->put_Owner(reinterpret_cast<OAHWND>(parent)), S_OK);
  EXPECT_EQ(::GetParent(window), parent);
  EXPECT_TRUE(::GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
  video->put_Owner(0);
  EXPECT_FALSE(::GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
  ::DestroyWindow(parent);

  // IBasicVideo: default rectangles, validation, the image protocol.
  ComPtr<IBasicVideo> basic;
  ASSERT_EQ(owner.As(&basic), S_OK);
  EXPECT_EQ(basic->IsUsingDefaultSource(), S_OK);
  ASSERT_EQ(basic->GetSourcePosition(&left, &top, &width, &height), S_OK);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(basic->SetSourcePosition(0, 0, 400, 240), E_INVALIDARG);
  EXPECT_EQ(basic->SetSourcePosition(10, 10, 100, 100), S_OK);
  EXPECT_EQ(basic->IsUsingDefaultSource(), S_FALSE);
  EXPECT_EQ(basic->SetDestinationPosition(0, 0, 0, 10), E_INVALIDARG);
  long size = 0;
  ASSERT_EQ(basic->GetCurrentImage(&size, nullptr), S_OK);
  EXPECT_EQ(size, static_cast<long>(sizeof(BITMAPINFOHEADER) + 4));
  std::vector<long> image(size / sizeof(long) + 1);
  long small = size - 1;
  EXPECT_EQ(basic->GetCurrentImage(&small, image.data()), E_OUTOFMEMORY);
  EXPECT_EQ(basic->GetCurrentImage(&size, image.data()), S_OK);

  filter->window_.Close();
  EXPECT_FALSE(::IsWindow(window));
}

}  // namespace
}  // namespace tl::dshow
