// The player's classes driven directly under Wine, for what the exports cannot reach: a lost
// device, the volume behind mute, and the Direct3D road of presenting that Windows takes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>

#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "preview_player/core/preview_ramp.h"
#include "preview_player/tests/player_test_support.h"
#include "preview_player/win32/graph_player.h"

namespace tl::preview {
namespace {

using testing::PreviewWindows;
using testing::Pump;

// Where the present callback shows the frames of a test (one callback is installed at a time).
struct Shown {
  HWND window = nullptr;
  Rect source{};
  PresentRoute route = PresentRoute::kGdi;
  std::atomic<long> presents{0};
};
Shown g_shown;

HRESULT ShowTestHalf(IDirect3DDevice9* device, CPlaneScene* scene) {
  ++g_shown.presents;
  const PresentTarget target[] = {{g_shown.window, g_shown.source}};
  return scene->presenter.Show(device, g_shown.route, target);
}

class PreviewInternals : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SetCurrentDirectoryW(tl::testing::InstallDir().c_str());
    g_shown.presents = 0;
  }

  // Opens a test movie on a fresh player whose frames go to `window` through `route`.
  VideoLumara0* Open(const wchar_t* movie, HWND window, Rect source, PresentRoute route, bool privateDeviceWindow = true) {
    player_ = std::make_unique<CGraphPlayer>(windows_.main());
    player_->SetRenderless(windows_.device(), privateDeviceWindow);
    windows_.onGraphEvent = [this] { player_->HandleEvents(); };
    if (player_->OpenFile((testing::MediaDir() + movie).c_str(), std::make_unique<VideoLumara0>()) != 0) return nullptr;
    VideoLumara0* scene = player_->scene();
    g_shown.window = window;
    g_shown.source = source;
    g_shown.route = route;
    scene->presentCallback = ShowTestHalf;
    SetAvs(scene->constants(), 40, 185, 0.125f, 0.5f);
    return scene;
  }

  // Runs the messages until `count` more frames were presented (false after `timeoutMs`): the
  // first frames of a graph take a while under a loaded machine.
  static bool WaitForPresents(long count, DWORD timeoutMs = 20000) {
    const long target = g_shown.presents.load() + count;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (g_shown.presents.load() < target && ::GetTickCount64() < deadline) Pump(20);
    return g_shown.presents.load() >= target;
  }

  // Plays a movie, loses the device, and checks that a new one takes over and the frame
  // (`expected`) reaches the window again.
  void LoseTheDeviceWhilePlaying(const wchar_t* movie, const std::function<renderer::Pixel(int, int)>& expected) {
    VideoLumara0* scene = Open(movie, windows_.normal(), {0, 0, 640, 480}, PresentRoute::kGdi);
    ASSERT_NE(scene, nullptr);
    ASSERT_TRUE(player_->Run());
    ASSERT_TRUE(WaitForPresents(3));
    const win32::ComPtr<IDirect3DDevice9> lost = player_->allocator()->device();
    ASSERT_TRUE(lost);

    // Lost as DESIGN.md describes: Reset while a default-pool resource (the scene's ramp texture)
    // is alive leaves the device waiting for a reset.
    win32::ComPtr<IDirect3DSwapChain9> chain;
    D3DPRESENT_PARAMETERS parameters{};
    ASSERT_EQ(lost->GetSwapChain(0, &chain), D3D_OK);
    ASSERT_EQ(chain->GetPresentParameters(&parameters), D3D_OK);
    chain.Reset();
    EXPECT_NE(lost->Reset(&parameters), D3D_OK);
    EXPECT_EQ(lost->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    EXPECT_TRUE(WaitForPresents(5));
    const win32::ComPtr<IDirect3DDevice9> replaced = player_->allocator()->device();
    EXPECT_NE(replaced.Get(), lost.Get());
    EXPECT_EQ(replaced->TestCooperativeLevel(), D3D_OK);
    EXPECT_TRUE(scene->resourcesBuilt());

    windows_.ShowOnly(windows_.normal());
    EXPECT_TRUE(WaitForPresents(3));
    const testing::Difference d = testing::Compare(testing::Screen(windows_.normal()), expected, testing::OutsideFrameMark);
    EXPECT_LE(d.worst, 1) << d.first;
  }

  win32::ComApartment com_;
  PreviewWindows windows_{1280, 480, 640, 480};
  std::unique_ptr<CGraphPlayer> player_;
};

TEST_F(PreviewInternals, LostDeviceIsReplacedAndFramesContinue) {
  const std::vector<skin::Pixels> frames = testing::AviFrames(testing::MediaDir() + L"card_rgb32.avi");
  ASSERT_FALSE(frames.empty());
  LoseTheDeviceWhilePlaying(L"card_rgb32.avi", [&](int x, int y) { return frames[0].At(x, y); });
}

// YUY2 frames take the private texture, which is made again on the new device.
TEST_F(PreviewInternals, LostDeviceOfAYuy2MovieIsReplacedToo) {
  int width = 0, height = 0;
  const auto frames = testing::Yuy2Frames(testing::MediaDir() + L"card_yuy2.avi", &width, &height);
  ASSERT_FALSE(frames.empty());
  LoseTheDeviceWhilePlaying(L"card_yuy2.avi", [&](int x, int y) {
    const std::uint8_t* pair = &frames[0][(static_cast<size_t>(y) * width + (x & ~1)) * 2];
    return testing::WineYuy2ToRgb(x % 2 ? pair[2] : pair[0], pair[1], pair[3]);
  });
}

TEST_F(PreviewInternals, MuteTwiceThenUnmuteRestoresTheFirstSavedVolume) {
  ASSERT_NE(Open(L"card.wmv", windows_.normal(), {0, 0, 640, 480}, PresentRoute::kGdi), nullptr);
  win32::ComPtr<IBasicAudio> audio;
  ASSERT_EQ(player_->graph()->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(audio.GetAddressOf())), S_OK);
  if (FAILED(audio->put_Volume(-1234))) GTEST_SKIP() << "no audio renderer in the graph (no sound device)";
  long volume = 0;
  player_->SetMute(true);
  ASSERT_EQ(audio->get_Volume(&volume), S_OK);
  EXPECT_EQ(volume, -10000);
  audio->put_Volume(-2000);  // changed while muted: a second mute must not save it
  player_->SetMute(true);
  player_->SetMute(false);
  ASSERT_EQ(audio->get_Volume(&volume), S_OK);
  EXPECT_EQ(volume, -1234);
}

// The road Windows takes: Direct3D presents the left half of the back buffer into a window.
// Under Wine it reaches the screen only for top-level windows, so a top-level one is used.
TEST_F(PreviewInternals, Direct3DPresentShowsTheHalfInATopLevelWindow) {
  win32::UniqueWindow target(::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                                               nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(target);
  ASSERT_NE(Open(L"card_rgb32.avi", target.get(), {0, 0, 640, 480}, PresentRoute::kDirect3D, false), nullptr);
  ASSERT_TRUE(player_->Run());
  ASSERT_TRUE(WaitForPresents(3));
  const std::vector<skin::Pixels> frames = testing::AviFrames(testing::MediaDir() + L"card_rgb32.avi");
  skin::Pixels shown{640, 480, tl::testing::CaptureClient(target.get())};
  for (auto& p : shown.data) p &= 0xFFFFFF;
  tl::testing::SaveWindowPng(target.get(), tl::testing::ArtifactDir() + L"preview_direct3d_top_level.png");
  const testing::Difference d = testing::Compare(shown, [&](int x, int y) { return frames[0].At(x, y); }, testing::OutsideFrameMark);
  EXPECT_EQ(d.differing, 0) << d.first;
}

}  // namespace
}  // namespace tl::preview
