// The renderer's tray icon, menu and dialog driven by window messages under Wine, as the shell
// and the user would send them: the dialog opens on a double click, the strength slider and the
// buttons set the tuning values, the dynamic tones set their presets, the colour tones put ramps
// on the display through the colour engine, and the capture writes a picture a viewer opens.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/testing/debug_output.h"
#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/text.h"
#include "engine/win32/tintor_api.h"
#include "renderer_filter/tests/renderer_test_support.h"

namespace tl::renderer::testing {
namespace {

using tl::testing::WaitFor;

class Tray : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RegisterInstalledFilter(), 0u); }

  void SetUp() override {
    WriteTypicalSettings();
    renderer_ = CreateRenderer();
    ASSERT_TRUE(renderer_);
    // A few frames, so that the tray icon is there and there is a picture to capture.
    ASSERT_TRUE(PlaySmallClip(renderer_.Get(), graph_));
    video_ = Diagnostics(renderer_.Get()).videoWindow;
    ASSERT_TRUE(video_);
  }
  void TearDown() override {
    if (graph_.control) graph_.control->Stop();
    graph_ = {};
    renderer_.Reset();
    RemoveSettingsKey();
  }

  RendererDiagnostics State() { return Diagnostics(renderer_.Get()); }

  HWND OpenDialog() { return OpenTrayDialog(renderer_.Get()); }

  void Slide(HWND dialog, int position) { ::SendMessageW(dialog, WM_HSCROLL, position, kStrengthSlider); }
  void Command(HWND dialog, int id) { ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  tl::win32::ComApartment apartment_{COINIT_MULTITHREADED};
  ComPtr<IBaseFilter> renderer_;
  Graph graph_;
  HWND video_ = nullptr;
};

TEST_F(Tray, DoubleClickOpensTheDialogAboveTheNotificationArea) {
  HWND dialog = OpenDialog();
  ASSERT_TRUE(dialog);
  RECT rect{};
  ::GetWindowRect(dialog, &rect);
  EXPECT_EQ(rect.right - rect.left, 250);
  EXPECT_EQ(rect.bottom - rect.top, 130);
  EXPECT_TRUE(::GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // Wine's taskbar has no notification area: the dialog takes the work area's corner.
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(rect.right, work.right);
  EXPECT_EQ(rect.bottom, work.bottom);
  tl::testing::PumpMessagesFor(500);
  tl::testing::SaveWindowPng(dialog, tl::testing::ArtifactDir() + L"renderer_tray_dialog.png");

  // Hidden by Apply, shown again (not re-created) by the next double click.
  Command(dialog, 513);
  EXPECT_FALSE(::IsWindowVisible(dialog));
  EXPECT_EQ(OpenDialog(), dialog);
}

TEST_F(Tray, SliderDefaultAndCancel) {
  HWND dialog = OpenDialog();
  ASSERT_TRUE(dialog);
  // At creation: strength 32767 / 65535 from the registry, the restore point 49 %.
  Slide(dialog, 100);
  EXPECT_EQ(State().strength, 1.0);
  EXPECT_EQ(State().lowPoint, 20);
  EXPECT_FLOAT_EQ(State().constant2[0], 1.0f);
  Slide(dialog, 0);
  EXPECT_EQ(State().strength, 0.0);
  EXPECT_EQ(State().lowPoint, 40);
  Command(dialog, 517);  // Default
  EXPECT_EQ(State().strength, 0.5);
  EXPECT_EQ(State().lowPoint, 30);
  EXPECT_TRUE(::IsWindowVisible(dialog));
  const Float4 constant = ToneConstant(30, 185, float(32767 / 65535.0));
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(State().constant[i], constant[i]);

  // Cancel without Apply: the values at the dialog's creation.
  Slide(dialog, 10);
  Command(dialog, 516);
  EXPECT_EQ(State().strength, 0.49);
  EXPECT_EQ(State().lowPoint, 30);
  EXPECT_FALSE(::IsWindowVisible(dialog));
  // Cancel after Apply: the applied values.
  dialog = OpenDialog();
  Slide(dialog, 80);
  Command(dialog, 513);
  dialog = OpenDialog();
  Slide(dialog, 10);
  Command(dialog, 516);
  EXPECT_EQ(State().strength, 0.8);
  EXPECT_EQ(State().lowPoint, 24);
}

TEST_F(Tray, OutdoorCommandsStepThroughTheirLevels) {
  HWND dialog = OpenDialog();
  ASSERT_TRUE(dialog);
  const int lows[] = {40, 35, 30, 25, 40};
  const double strengths[] = {0.9, 1.15, 1.4, 1.65, 0.9};
  for (int i = 0; i < 5; ++i) {
    Command(dialog, 1283);
    const RendererDiagnostics d = State();
    EXPECT_EQ(d.lowPoint, lows[i]) << "command " << i + 1;
    EXPECT_DOUBLE_EQ(d.strength, strengths[i]) << "command " << i + 1;
    EXPECT_EQ(d.highPoint, 185);
    EXPECT_EQ(d.movie, 3);
    EXPECT_TRUE(d.badgeVisible);
  }
  // The resource group's labels follow: backlight 110 - low, strength in percent.
  wchar_t text[16] = {};
  ::GetDlgItemTextW(dialog, 1007, text, 16);
  EXPECT_STREQ(text, L"70");
  ::GetDlgItemTextW(dialog, 1008, text, 16);
  EXPECT_STREQ(text, L"90");
  Command(dialog, 1282);  // VCR
  EXPECT_EQ(State().highPoint, 250);
  EXPECT_EQ(State().lowPoint, 80);
  EXPECT_EQ(State().strength, 0.4);
  Command(dialog, 1284);  // DarkMovie
  EXPECT_EQ(State().highPoint, 160);
  EXPECT_EQ(State().movie, 4);
  // The badge a preset shows goes after eight seconds.
  const ULONGLONG shown = ::GetTickCount64();
  EXPECT_TRUE(State().badgeVisible);
  ASSERT_TRUE(WaitFor([&] { return !State().badgeVisible; }, 30000));
  EXPECT_GE(::GetTickCount64() - shown, 7500u);
}

TEST_F(Tray, ColorTonesPutRampsOnTheDisplay) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  HWND dialog = OpenDialog();
  ASSERT_TRUE(dialog);

  Command(dialog, 1026);  // Vivid: tone table 2
  const std::optional<tl::testing::GammaRamp> vivid = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(vivid);
  // The engine in this process (the DLL the renderer loaded) computes the same ramp again.
  win32::UniqueModule tintor(::LoadLibraryW((tl::testing::InstallDir() + L"Tintor.dll").c_str()));
  ASSERT_TRUE(tintor);
  engine::api::TintorApi api;
  ASSERT_TRUE(api.Load(tintor.get()));
  const std::string folder = win32::Narrow(tl::testing::InstallDir());
  api.SetPCT((folder + "acf\\panel.acf").c_str());
  api.SetTRC((folder + "atf\\Mode2.atf").c_str());
  engine::RampTable expected{};
  ASSERT_EQ(api.PrepareColorEnhance(&expected), 0u);
  tl::testing::GammaRamp want{};
  std::copy(expected.begin(), expected.end(), want.begin());
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*vivid, want));
  EXPECT_FALSE(tl::testing::SameAtDisplayPrecision(*vivid, tl::testing::IdentityRamp()));
  EXPECT_EQ(State().colorTone, 2);

  Command(dialog, 1029);  // enhancement off: the identity, no file read
  const std::optional<tl::testing::GammaRamp> off = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(off);
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*off, tl::testing::IdentityRamp()));
  EXPECT_EQ(State().colorTone, 5);
}

// On a display without gamma ramps (run on its own Xvfb bench as renderer_tray_xvfb_test): every
// colour tone the display refuses is said on the debugger output, and the renderer goes on.
TEST_F(Tray, ColorTonesTheDisplayRefusesAreSaid) {
  if (tl::testing::DisplayKeepsGamma()) GTEST_SKIP() << "needs a display without gamma ramps (Xvfb)";
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  HWND dialog = OpenDialog();
  ASSERT_TRUE(dialog);
  for (const int command : {1026, 1029}) {  // Vivid (tone table 2), then enhancement off
    SCOPED_TRACE(command);
    listener.Collect(10);
    Command(dialog, command);
    EXPECT_TRUE(listener.WaitFor("Tintor: the display refused the gamma ramp", 10000));
  }
  EXPECT_EQ(State().colorTone, 5);
  EXPECT_TRUE(::IsWindow(video_));
}

TEST_F(Tray, CaptureWritesAPngThatAViewerOpens) {
  HWND dialog = OpenDialog();
  ASSERT_TRUE(dialog);
  wchar_t pictures[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_MYPICTURES | CSIDL_FLAG_CREATE, nullptr, 0, pictures)));
  namespace fs = std::filesystem;
  auto captures = [&] {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(pictures)) {
      const std::wstring name = entry.path().filename().wstring();
      if (name.rfind(L"Capture ", 0) == 0 && entry.path().extension() == L".png") found.push_back(entry.path());
    }
    return found;
  };
  for (const fs::path& old : captures()) fs::remove(old);

  EXPECT_TRUE(State().badgeVisible);
  Command(dialog, 1285);
  const std::vector<fs::path> written = captures();
  ASSERT_EQ(written.size(), 1u) << "in " << win32::Narrow(pictures);
  // The content is what the name says: PNG.
  std::ifstream file(written[0], std::ios::binary);
  char signature[8] = {};
  file.read(signature, 8);
  file.close();
  EXPECT_EQ(std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8), 0);
  // A viewer opens it: the video's size, every pixel the enhanced frame, no badge anywhere.
  EXPECT_FALSE(State().badgeVisible);
  const std::optional<tl::testing::ImagePixels> image = tl::testing::ReadImageFile(written[0].wstring());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 320);
  EXPECT_EQ(image->height, 240);
  const frame::ToneParams tone = ToneFor(30, 185, 32767 / 65535.0, 32767 / 65535.0);
  const uint32_t enhanced = ReferenceSimplest(tone, 0xC08040);
  const Picture picture{image->width, image->height, image->pixels};
  const Difference diff = Compare(picture, [&](int, int) { return enhanced; });
  EXPECT_LE(diff.worst, 1) << diff.first;
  fs::copy_file(written[0], fs::path(tl::testing::ArtifactDir()) / "renderer_capture.png",
                fs::copy_options::overwrite_existing);
  fs::remove(written[0]);
}

TEST_F(Tray, MenuCarriesTheCommandsWithTheirLabels) {
  ::PostMessageW(video_, kTrayMessage, 104, WM_RBUTTONUP);
  HWND menuWindow = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<HWND> menus = ProcessWindowsOfClass(L"#32768");
    for (HWND m : menus) {
      if (::IsWindowVisible(m)) menuWindow = m;
    }
    return menuWindow != nullptr;
  }));
  HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  ASSERT_TRUE(menu);
  struct Item {
    UINT id;
    const wchar_t* label;
  };
  const Item expected[] = {{1025, L"Color Tone: Gamma Mode"},     {1026, L"Color Tone: Vivid Mode"},
                           {1027, L"Color Tone: Theater Mode"},   {1028, L"Color Tone: Soft Mode"},
                           {1029, L"Disable TavoLumara"},         {1281, L"Dynamic Tone: Default Mode"},
                           {1282, L"Dynamic Tone: VCR Mode"},     {1283, L"Dynamic Tone: OutDoor Mode - 0"},
                           {1284, L"Dynamic Tone: DarkMovie Mode"}, {1285, L"Capture Frame"}};
  for (const Item& item : expected) {
    wchar_t label[128] = {};
    EXPECT_GT(::GetMenuStringW(menu, item.id, label, 128, MF_BYCOMMAND), 0) << item.id;
    EXPECT_STREQ(label, item.label);
  }
  // The current tones are checked (colour tone 1, dynamic tone 1 from the registry).
  EXPECT_TRUE(::GetMenuState(menu, 1025, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(::GetMenuState(menu, 1281, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(::GetMenuState(menu, 1026, MF_BYCOMMAND) & MF_CHECKED);
  tl::testing::SaveWindowPng(menuWindow, tl::testing::ArtifactDir() + L"renderer_tray_menu.png");
  // Dismissed: the menu's loop ends on the window's thread.
  ::PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(menuWindow); }));
}

}  // namespace
}  // namespace tl::renderer::testing
