// eLumara_Dll.dll under Wine as the control panel uses it: loaded from the installation folder,
// called by ordinal, with real windows; what the windows show on the screen is read back and
// compared with the source and with the CPU reference of "Lumara" for the mode's ramp.
//
// Tolerances: the normal half of an RGB picture or movie must equal the source exactly (the
// plain technique copies texel centres and GDI copies bytes). The applied half may differ by one
// level per channel from the reference: the device computes the tone in 32-bit floats with its
// own exp2 and reciprocal and rounds once, the reference in doubles. A YUY2 movie's halves are
// compared with Wine's StretchRect conversion (measured, exact) within one level as well.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/text.h"
#include "preview_player/core/still_picture.h"
#include "preview_player/tests/player_test_support.h"
#include "preview_player/win32/player_api.h"

namespace tl::preview {
namespace {

using testing::Compare;
using testing::Difference;
using testing::PreviewWindows;
using testing::Pump;
using testing::Screen;

constexpr int kVideoWidth = 640;
constexpr int kVideoHeight = 480;
constexpr int kTestMode = 2;  // Vivid

std::vector<std::uint8_t> ReadFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
}

class PreviewPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::SetCurrentDirectoryW(tl::testing::InstallDir().c_str());
    module_ = ::LoadLibraryW((tl::testing::InstallDir() + L"eLumara_Dll.dll").c_str());
    ASSERT_NE(module_, nullptr);
    ASSERT_TRUE(api_.Load(module_));
  }

  void SetUp() override {
    ASSERT_NE(module_, nullptr);
    ::SetCurrentDirectoryW(tl::testing::InstallDir().c_str());
  }

  void TearDown() override {
    api_.Release();
    windows_.reset();
  }

  // Windows whose halves show the video one to one: a back buffer two videos wide.
  void MakeWindows(int width = 2 * kVideoWidth, int height = kVideoHeight, int half = kVideoWidth) {
    windows_ = std::make_unique<PreviewWindows>(width, height, half, height);
    windows_->onGraphEvent = [] { api_.OnHandleGraphEvent(); };
    ASSERT_EQ(api_.Initialize(windows_->main(), windows_->device(), nullptr, windows_->normal(), windows_->applied()), 1);
  }

  // The control panel's sequence after a successful open.
  void Start(int mode = kTestMode) {
    EXPECT_EQ(api_.SetMethod(1), 1);
    EXPECT_EQ(api_.SetRamp("acf/panel.acf", mode, -1, 3, 3, 3), 1);
    EXPECT_EQ(api_.SetAVS(40, 185, 0.125f, 0.5f), 1);
    EXPECT_EQ(api_.SetCNF(0.5f, 1.95f), 1);
    EXPECT_EQ(api_.StartProcess(), 1);
    Pump(400);
  }

  // What a half shows once it is visible: a still picture is drawn again first; a movie is
  // waited for until its next frames reach the window.
  skin::Pixels Half(HWND window, bool still) {
    windows_->ShowOnly(window);
    if (still) {
      api_.SetMethod(1);
      api_.OnUpdate();
      Pump(100);
      return Screen(window);
    }
    skin::Pixels shown;
    for (int attempt = 0; attempt < 40; ++attempt) {
      Pump(50);
      shown = Screen(window);
      const long black = std::count(shown.data.begin(), shown.data.end(), 0u);
      if (black < static_cast<long>(shown.data.size() / 10)) break;
    }
    return shown;
  }

  static HMODULE module_;
  static api::PlayerApi api_;
  std::unique_ptr<PreviewWindows> windows_;
};

HMODULE PreviewPlayer::module_ = nullptr;
api::PlayerApi PreviewPlayer::api_;

TEST_F(PreviewPlayer, EveryExportByOrdinalAndNameAndNothingWithoutItsObjects) {
  for (const char* name : {"eLumara_Initialize", "eLumara_SetRamp", "eLumara_OnReceiveMessage", "eLumara_SetCNF"}) {
    EXPECT_NE(::GetProcAddress(module_, name), nullptr) << name;
  }
  EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(module_, "eLumara_SetAVS")), reinterpret_cast<void*>(api_.SetAVS));
  // No player at all.
  api_.Release();
  EXPECT_EQ(api_.Release(), 0);
  EXPECT_EQ(api_.CreateProcess(L"whatever.avi"), -1);
  EXPECT_EQ(api_.CreateCapture(), -1);
  for (auto action : {api_.StartProcess, api_.StopProcess, api_.ResetProcess, api_.PauseProcess, api_.OnPaint,
                      api_.OnUpdate, api_.OnHandleGraphEvent}) {
    EXPECT_EQ(action(), 0);
  }
  EXPECT_EQ(api_.SetMute(TRUE), 0);
  EXPECT_EQ(api_.SetFullScreen(TRUE), 0);
  EXPECT_EQ(api_.OnReceiveMessage(1, 2, 3), 0);
  // A player but nothing open: the parameter exports need a scene.
  MakeWindows();
  EXPECT_EQ(api_.SetRamp("acf/panel.acf", 2, -1, 3, 3, 3), 0);
  EXPECT_EQ(api_.SetAVS(40, 185, 0.125f, 0.5f), 0);
  EXPECT_EQ(api_.SetCNF(0.5f, 1.95f), 0);
  EXPECT_EQ(api_.SetMethod(7), 0);
  EXPECT_EQ(api_.CaptureScene(1), 0);
  EXPECT_EQ(api_.SetAppliedFont(L"x"), 0);
  EXPECT_EQ(api_.SetNormalFont(L"x"), 0);
  EXPECT_EQ(api_.SetMessage(L"x"), 0);
  EXPECT_EQ(api_.StartProcess(), 0);
  EXPECT_EQ(api_.StopProcess(), 0);
  EXPECT_EQ(api_.SetFullScreen(FALSE), 1);
  EXPECT_EQ(api_.OnPaint(), 1);
  EXPECT_EQ(api_.OnUpdate(), 1);
  EXPECT_EQ(api_.OnReceiveMessage(1, 2, 3), 1);
  EXPECT_EQ(api_.CreateProcess(nullptr), -1);
  EXPECT_EQ(api_.CreateProcess((tl::testing::TestDir() + L"no such file.avi").c_str()), -1);
}

TEST_F(PreviewPlayer, SamplePictureNormalIsTheSourceAppliedIsLumaraOfTheModesRamp) {
  MakeWindows();
  const std::wstring path = tl::testing::InstallDir() + L"samples\\default.jpg";
  skin::Pixels source;
  std::string error;
  ASSERT_TRUE(DecodePicture(true, ReadFile(path), source, &error)) << error;
  ASSERT_EQ(source.width, kVideoWidth);
  ASSERT_EQ(api_.CreateProcess(path.c_str()), 0);
  Start();

  const skin::Pixels normal = Half(windows_->normal(), true);
  tl::testing::SaveWindowPng(windows_->normal(), tl::testing::ArtifactDir() + L"preview_picture_normal.png");
  const Difference n = Compare(normal, [&](int x, int y) { return source.At(x, y); });
  EXPECT_EQ(n.differing, 0) << n.first;

  const renderer::RampTexels ramp = testing::PreviewRampFor(kTestMode);
  const frame::ToneParams tone = testing::StartTone();
  const skin::Pixels applied = Half(windows_->applied(), true);
  tl::testing::SaveWindowPng(windows_->applied(), tl::testing::ArtifactDir() + L"preview_picture_applied.png");
  const Difference a = Compare(applied, [&](int x, int y) { return renderer::ReferenceLumara(tone, ramp, source.At(x, y)); });
  EXPECT_LE(a.worst, 1) << a.first;
  std::printf("picture: applied half %ld of %ld pixels one level off\n", a.differing, a.compared);
  // The mode changes what the applied half shows.
  EXPECT_GT(Compare(applied, [&](int x, int y) { return source.At(x, y); }).differing, a.compared / 4);
}

TEST_F(PreviewPlayer, Rgb32MovieHalvesMatchTheFrame) {
  MakeWindows();
  const std::wstring path = testing::MediaDir() + L"card_rgb32.avi";
  const std::vector<skin::Pixels> frames = testing::AviFrames(path);
  ASSERT_EQ(frames.size(), 10u);
  ASSERT_EQ(api_.CreateProcess(path.c_str()), 0);
  Start();
  const skin::Pixels normal = Half(windows_->normal(), false);
  const Difference n = Compare(normal, [&](int x, int y) { return frames[0].At(x, y); }, testing::OutsideFrameMark);
  EXPECT_EQ(n.differing, 0) << n.first;
  const renderer::RampTexels ramp = testing::PreviewRampFor(kTestMode);
  const frame::ToneParams tone = testing::StartTone();
  const skin::Pixels applied = Half(windows_->applied(), false);
  const Difference a = Compare(applied, [&](int x, int y) { return renderer::ReferenceLumara(tone, ramp, frames[0].At(x, y)); },
                               testing::OutsideFrameMark);
  EXPECT_LE(a.worst, 1) << a.first;
  std::printf("RGB32 movie: applied half %ld of %ld pixels one level off\n", a.differing, a.compared);
}

TEST_F(PreviewPlayer, Yuy2MovieGoesThroughThePrivateTexture) {
  MakeWindows();
  const std::wstring path = testing::MediaDir() + L"card_yuy2.avi";
  int width = 0, height = 0;
  const auto frames = testing::Yuy2Frames(path, &width, &height);
  ASSERT_EQ(frames.size(), 10u);
  ASSERT_EQ(width, kVideoWidth);
  const auto& packed = frames[0];
  auto converted = [&](int x, int y) {
    const std::uint8_t* pair = &packed[(static_cast<size_t>(y) * width + (x & ~1)) * 2];
    return testing::WineYuy2ToRgb(x % 2 ? pair[2] : pair[0], pair[1], pair[3]);
  };
  ASSERT_EQ(api_.CreateProcess(path.c_str()), 0);
  Start();
  const Difference n = Compare(Half(windows_->normal(), false), converted, testing::OutsideFrameMark);
  EXPECT_LE(n.worst, 1) << n.first;
  const renderer::RampTexels ramp = testing::PreviewRampFor(kTestMode);
  const frame::ToneParams tone = testing::StartTone();
  const Difference a = Compare(Half(windows_->applied(), false),
                               [&](int x, int y) { return renderer::ReferenceLumara(tone, ramp, converted(x, y)); },
                               testing::OutsideFrameMark);
  EXPECT_LE(a.worst, 1) << a.first;
  std::printf("YUY2 movie: normal %ld, applied %ld of %ld pixels one level off\n", n.differing, a.differing, a.compared);
}

TEST_F(PreviewPlayer, MoviesLoopAtTheirEndWithoutTellingTheCaller) {
  MakeWindows();
  const std::wstring path = testing::MediaDir() + L"card_rgb32.avi";  // 10 frames, one second
  ASSERT_EQ(api_.CreateProcess(path.c_str()), 0);
  Start();
  windows_->ShowOnly(windows_->normal());
  // The frame mark's grey level tells the frame: 16 + 24 n.
  std::vector<int> seen;
  for (int i = 0; i < 35; ++i) {
    const std::uint32_t mark = tl::testing::ScreenPixel(windows_->normal(), 16, 16) & 0xFF;
    seen.push_back(static_cast<int>(mark - 16 + 12) / 24);
    Pump(40);
  }
  int wraps = 0;
  for (size_t i = 1; i < seen.size(); ++i) wraps += seen[i] < seen[i - 1];
  std::string order;
  for (int f : seen) order += std::to_string(f) + " ";
  EXPECT_GE(wraps, 1) << order;
  EXPECT_GE(*std::max_element(seen.begin(), seen.end()), 7) << order;
}

TEST_F(PreviewPlayer, WindowsMediaMoviePlays) {
  MakeWindows();
  const std::wstring path = testing::MediaDir() + L"card.wmv";
  const std::vector<skin::Pixels> frames = testing::AviFrames(testing::MediaDir() + L"card_rgb32.avi");
  ASSERT_FALSE(frames.empty());
  ASSERT_EQ(api_.CreateProcess(path.c_str()), 0);
  Start();
  const skin::Pixels normal = Half(windows_->normal(), false);
  tl::testing::SaveWindowPng(windows_->normal(), tl::testing::ArtifactDir() + L"preview_wmv_normal.png");
  // A lossy clip decoded to YUV and converted by StretchRect as Wine does it (no expansion of
  // the video range): close to that on average.
  auto expected = [&](int x, int y) {
    const renderer::Ycc ycc = renderer::ToVideoLevels({1.0 * (frames[0].At(x, y) >> 16 & 0xFF),
                                                       1.0 * (frames[0].At(x, y) >> 8 & 0xFF), 1.0 * (frames[0].At(x, y) & 0xFF)});
    return testing::WineYuy2ToRgb(renderer::ToByte(ycc.y), renderer::ToByte(ycc.cb), renderer::ToByte(ycc.cr));
  };
  long total = 0, compared = 0;
  for (int y = 32; y < kVideoHeight; ++y) {
    for (int x = 0; x < kVideoWidth; ++x, ++compared) {
      const std::uint32_t g = normal.At(x, y), w = expected(x, y);
      for (int s = 0; s < 24; s += 8) total += std::abs(static_cast<int>(g >> s & 0xFF) - static_cast<int>(w >> s & 0xFF));
    }
  }
  const double mean = static_cast<double>(total) / (3.0 * compared);
  std::printf("WMV: mean difference %.2f levels\n", mean);
  EXPECT_LT(mean, 4.0);
}

TEST_F(PreviewPlayer, BackBufferOfOddWidthSplitsIntoHalvesOfTheIntegerHalf) {
  // A back buffer 641 wide: plain viewport 0..319, applied 320..639, presents (0, 0, 320, H) and
  // (320, 0, 641, H). A 320-wide picture then fills each viewport one to one.
  MakeWindows(641, kVideoHeight, 321);
  skin::Pixels picture{320, kVideoHeight, std::vector<std::uint32_t>(320 * kVideoHeight)};
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) picture.data[y * 320 + x] = static_cast<std::uint32_t>((x * 4 + y) & 0xFF) << 16 | (y & 0xFF) << 8 | 0x40;
  }
  const std::wstring path = tl::testing::ArtifactDir() + L"preview_320.bmp";
  WriteFile(path, skin::EncodeBmp24(picture));
  ::SetWindowPos(windows_->normal(), nullptr, 0, 0, 320, kVideoHeight, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_EQ(api_.CreateProcess(path.c_str()), 0);
  Start();
  const Difference n = Compare(Half(windows_->normal(), true), [&](int x, int y) { return picture.At(x, y); });
  EXPECT_EQ(n.differing, 0) << n.first;
  const renderer::RampTexels ramp = testing::PreviewRampFor(kTestMode);
  const frame::ToneParams tone = testing::StartTone();
  // The applied window (321 wide) shows columns 320..640; the first 320 are the applied draw.
  const Difference a = Compare(Half(windows_->applied(), true),
                               [&](int x, int y) { return renderer::ReferenceLumara(tone, ramp, picture.At(x, y)); },
                               [](int x, int) { return x < 320; });
  EXPECT_LE(a.worst, 1) << a.first;
}

TEST_F(PreviewPlayer, FullScreenShowsBothHalvesLabelledInTheDeviceWindow) {
  MakeWindows(640, kVideoHeight, kVideoWidth);
  ASSERT_EQ(api_.CreateProcess((tl::testing::InstallDir() + L"samples\\default.jpg").c_str()), 0);
  Start();
  EXPECT_EQ(api_.SetNormalFont(L"Normal Frame"), 1);
  EXPECT_EQ(api_.SetFullScreen(TRUE), 1);
  windows_->ShowOnly(windows_->device());
  api_.OnUpdate();
  Pump(150);
  const skin::Pixels screen = Screen(windows_->device());
  tl::testing::SaveWindowPng(windows_->device(), tl::testing::ArtifactDir() + L"preview_full_screen.png");
  // Each label is a grey (half-white) text 50 pixels in from its half's corner: it makes pixels
  // there differ from the halves drawn without labels.
  ASSERT_EQ(api_.SetNormalFont(L""), 1);
  ASSERT_EQ(api_.SetAppliedFont(L""), 1);
  api_.OnUpdate();
  Pump(150);
  const skin::Pixels unlabelled = Screen(windows_->device());
  auto labelled = [&](int x0) {
    int count = 0;
    for (int y = 50; y < 80; ++y) {
      for (int x = x0 + 50; x < x0 + 200; ++x) count += screen.At(x, y) != unlabelled.At(x, y);
    }
    return count;
  };
  EXPECT_GT(labelled(0), 100);
  EXPECT_GT(labelled(320), 100);
  // Left of the split the plain left half of the frame, right of it the applied right half.
  skin::Pixels source;
  std::string error;
  ASSERT_TRUE(DecodePicture(true, ReadFile(tl::testing::InstallDir() + L"samples\\default.jpg"), source, &error));
  EXPECT_EQ(unlabelled.At(100, 300), source.At(100, 300));
  EXPECT_NE(unlabelled.At(500, 300), source.At(500, 300));
  // Out of full screen the halves are windowed again.
  EXPECT_EQ(api_.SetFullScreen(FALSE), 1);
}

TEST_F(PreviewPlayer, PictureRulesDamagedFilesAndSizes) {
  MakeWindows();
  const std::wstring dir = tl::testing::ArtifactDir();
  const auto jpeg = ReadFile(tl::testing::InstallDir() + L"samples\\default.jpg");
  ASSERT_GT(jpeg.size(), 1000u);
  // Truncated, corrupt, empty: -1, and the process goes on.
  WriteFile(dir + L"truncated.jpg", std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
  auto corrupt = jpeg;
  for (size_t i = 600; i < corrupt.size(); i += 97) corrupt[i] ^= 0x5A;
  WriteFile(dir + L"corrupt.JPG", corrupt);
  WriteFile(dir + L"empty.jpeg", {});
  WriteFile(dir + L"header_only.jpg", std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 20));
  for (const wchar_t* name : {L"truncated.jpg", L"corrupt.JPG", L"empty.jpeg", L"header_only.jpg"}) {
    EXPECT_EQ(api_.CreateProcess((dir + name).c_str()), -1) << tl::win32::Narrow(name);
    EXPECT_EQ(api_.ResetProcess(), 1);
  }
  // Sizes: refused only when wider than 2048 and taller than 1024.
  struct Case {
    int width, height, result;
  };
  for (const Case c : {Case{2048, 1024, 0}, Case{2049, 1025, -1}, Case{3000, 600, 0}}) {
    skin::Pixels big{c.width, c.height, std::vector<std::uint32_t>(static_cast<size_t>(c.width) * c.height, 0x336699)};
    const std::wstring path = dir + L"size_" + std::to_wstring(c.width) + L"x" + std::to_wstring(c.height) + L".Bmp";
    WriteFile(path, skin::EncodeBmp24(big));
    EXPECT_EQ(api_.CreateProcess(path.c_str()), c.result) << c.width << "x" << c.height;
    api_.StopProcess();
  }
  // A bitmap whose header is cut short.
  WriteFile(dir + L"short.bmp", {'B', 'M', 0, 0});
  EXPECT_EQ(api_.CreateProcess((dir + L"short.bmp").c_str()), -1);
}

TEST_F(PreviewPlayer, CaptureWithoutADeviceFails) {
  MakeWindows();
  EXPECT_EQ(api_.CreateCapture(), -1);
  EXPECT_EQ(api_.SetAVS(40, 185, 0.125f, 0.5f), 0);  // no scene after the failed open
  EXPECT_EQ(api_.ResetProcess(), 1);
}

// Without "eLumara.dat", or with a damaged one, the built-in shaders draw the same halves.
TEST_F(PreviewPlayer, MissingOrCorruptEffectFileStillDraws) {
  const std::wstring work = tl::testing::ArtifactDir() + L"preview_no_effect\\";
  ::CreateDirectoryW(work.c_str(), nullptr);
  ::CreateDirectoryW((work + L"acf").c_str(), nullptr);
  ::CreateDirectoryW((work + L"atf").c_str(), nullptr);
  const std::wstring install = tl::testing::InstallDir();
  ::CopyFileW((install + L"acf\\panel.acf").c_str(), (work + L"acf\\panel.acf").c_str(), FALSE);
  ::CopyFileW((install + L"atf\\Mode2.atf").c_str(), (work + L"atf\\Mode2.atf").c_str(), FALSE);
  const std::wstring path = install + L"samples\\default.jpg";
  skin::Pixels source;
  std::string error;
  ASSERT_TRUE(DecodePicture(true, ReadFile(path), source, &error));
  const renderer::RampTexels ramp = testing::PreviewRampFor(kTestMode);
  const frame::ToneParams tone = testing::StartTone();
  for (const bool corrupt : {false, true}) {
    ::DeleteFileW((work + L"eLumara.dat").c_str());
    if (corrupt) WriteFile(work + L"eLumara.dat", {'t', 'e', 'c', 'h', 'n', 'i', 'q', 'u', 'e', ' ', '{', 0xFF, 0});
    ::SetCurrentDirectoryW(work.c_str());
    MakeWindows();
    ASSERT_EQ(api_.CreateProcess(path.c_str()), 0);
    Start();
    EXPECT_EQ(Compare(Half(windows_->normal(), true), [&](int x, int y) { return source.At(x, y); }).differing, 0);
    const Difference a = Compare(Half(windows_->applied(), true),
                                 [&](int x, int y) { return renderer::ReferenceLumara(tone, ramp, source.At(x, y)); });
    EXPECT_LE(a.worst, 1) << (corrupt ? "corrupt: " : "missing: ") << a.first;
    api_.Release();
  }
}

}  // namespace
}  // namespace tl::preview
