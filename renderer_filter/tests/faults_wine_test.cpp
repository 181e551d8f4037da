// eLumara.ax with damaged or missing files beside it, as a broken installation leaves them: no
// colour engine, no skin library, unreadable tone and panel tables, truncated or absent skin and
// badge pictures. Video plays in every case; a colour tone that cannot reach the display is said
// (a tray notice and the debugger output) and the display keeps the ramp it had; the tray dialog
// opens and works with whatever pictures are readable.
//
// Each case loads the filter of its own copy of the installation folder (no registration), with
// the copy as the settings' installation folder: every file comes from there. A copy is a
// module of its own with its own engine and skin library, which stay loaded for the process's
// life as they do in a player.
#include <gtest/gtest.h>

#include <string>

#include "common/testing/debug_output.h"
#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "common/win32/text.h"
#include "renderer_filter/tests/renderer_test_support.h"

namespace tl::renderer::testing {
namespace {

using tl::testing::CopyOfInstallation;
using tl::testing::DisplayKeepsGamma;
using tl::testing::DisplayShows;
using tl::testing::RecognisableRamp;

constexpr int kApply = 513, kDefault = 517;
constexpr int kMirrorBox = 1002;

// The renderer of the eLumara.ax in `folder`, through that module's class factory.
ComPtr<IBaseFilter> RendererFrom(const std::wstring& folder) {
  HMODULE module = ::LoadLibraryW((folder + L"eLumara.ax").c_str());  // kept: the filter lives on
  if (!module) return nullptr;
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  const auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  ComPtr<IBaseFilter> filter;
  if (!getClassObject || FAILED(getClassObject(kRendererClass, IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter))))
    return nullptr;
  return filter;
}

class RendererFaults : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(listener_.ok()) << "the debugger output cannot be read"; }
  void TearDown() override {
    if (graph_.control) graph_.control->Stop();
    graph_ = {};
    renderer_.Reset();
    RemoveSettingsKey();
  }

  // A fresh copy of the installation folder under `name`.
  std::wstring Copy(const std::wstring& name) {
    const std::wstring folder = CopyOfInstallation(name);
    EXPECT_FALSE(folder.empty()) << "the installation folder could not be copied";
    return folder;
  }

  // The copy's filter playing a short clip, its dialog open; false when it did not get that far.
  bool PlayAndOpenDialog(const std::wstring& folder) {
    WriteTypicalSettings(folder);
    renderer_ = RendererFrom(folder);
    if (!renderer_) return Failed("the filter of the copy cannot be made");
    if (!PlaySmallClip(renderer_.Get(), graph_)) return Failed("the clip does not play");
    const RendererDiagnostics state = State();
    if (::lstrcmpiW(state.installPath, folder.c_str()) != 0)
      return Failed("the filter's data folder is " + win32::Narrow(state.installPath));
    if (!state.videoWindow) return Failed("no video window");
    const HWND dialog = OpenTrayDialog(renderer_.Get());
    if (!dialog || !::IsWindowVisible(dialog)) return Failed("no dialog after a double click on the tray icon");
    return true;
  }
  static bool Failed(const std::string& what) {
    ADD_FAILURE() << what;
    return false;
  }

  RendererDiagnostics State() { return Diagnostics(renderer_.Get()); }
  HWND Dialog() { return State().trayDialog; }
  void Command(int id) { ::SendMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  // Gives colour tone `command` on a display dimmed to a ramp no program of the suite makes, and
  // expects it refused for `file`: said on the debugger output, the display and the checked tone
  // unchanged, the video going on.
  void ExpectToneRefused(int command, const std::wstring& file) {
    SCOPED_TRACE(command);
    if (DisplayKeepsGamma()) {
      ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
    }
    const int toneBefore = State().colorTone;
    listener_.Collect(10);
    Command(command);
    EXPECT_TRUE(listener_.WaitFor("NorvakVMR: colour tone not changed: " + win32::Narrow(file) + " cannot be used", 10000));
    if (DisplayKeepsGamma()) {
      EXPECT_TRUE(DisplayShows(RecognisableRamp()));
    }
    EXPECT_EQ(State().colorTone, toneBefore);
    EXPECT_TRUE(::IsWindow(State().videoWindow));
  }

  tl::win32::ComApartment apartment_{COINIT_MULTITHREADED};
  tl::testing::DebugOutputListener listener_;
  tl::testing::DisplayRampGuard restoreRamp_;
  ComPtr<IBaseFilter> renderer_;
  Graph graph_;
};

TEST_F(RendererFaults, WithoutTheEngineColorTonesAreRefusedAndSaid) {
  const std::wstring folder = Copy(L"renderer_without_engine");
  ASSERT_TRUE(::DeleteFileW((folder + L"Tintor.dll").c_str()));
  ASSERT_TRUE(PlayAndOpenDialog(folder));
  ExpectToneRefused(1026, folder + L"Tintor.dll");
  ExpectToneRefused(1029, folder + L"Tintor.dll");  // enhancement off needs the engine too
  // The rest of the dialog is unaffected.
  ::SendMessageW(Dialog(), WM_HSCROLL, 100, kStrengthSlider);
  EXPECT_EQ(State().strength, 1.0);
}

TEST_F(RendererFaults, UnreadableTablesAreRefusedAndTheNextGoodOneApplies) {
  const std::wstring folder = Copy(L"renderer_bad_tables");
  ASSERT_TRUE(::DeleteFileW((folder + L"atf\\Mode2.atf").c_str()));
  ASSERT_TRUE(tl::testing::TruncateToHalf(folder + L"atf\\Mode3.atf"));
  const std::wstring panel = folder + L"acf\\panel.acf";
  const std::wstring goodPanel = panel + L".good";
  ASSERT_TRUE(::CopyFileW(panel.c_str(), goodPanel.c_str(), FALSE));
  ASSERT_TRUE(PlayAndOpenDialog(folder));

  ExpectToneRefused(1026, folder + L"atf\\Mode2.atf");  // missing
  ExpectToneRefused(1027, folder + L"atf\\Mode3.atf");  // cut in half
  ASSERT_TRUE(tl::testing::WriteFileBytes(panel, "ACF\x01 not a panel table"));
  ExpectToneRefused(1028, panel);

  // A refusal leaves nothing behind: with the panel table back, Soft reaches the display.
  ASSERT_TRUE(::CopyFileW(goodPanel.c_str(), panel.c_str(), FALSE));
  if (DisplayKeepsGamma()) {
    ASSERT_TRUE(tl::testing::WriteDisplayRamp(RecognisableRamp()));
  }
  Command(1028);
  EXPECT_EQ(State().colorTone, 4);
  if (DisplayKeepsGamma()) {
    EXPECT_FALSE(DisplayShows(RecognisableRamp()));
    EXPECT_FALSE(DisplayShows(tl::testing::IdentityRamp()));
  }
}

TEST_F(RendererFaults, DamagedPicturesLeaveAWorkingDialogAndVideo) {
  const std::wstring folder = Copy(L"renderer_damaged_pictures");
  const std::wstring ax = folder + L"images\\ax\\";
  ASSERT_TRUE(tl::testing::TruncateToHalf(ax + L"button_norm.bmp"));
  ASSERT_TRUE(tl::testing::TruncateToHalf(ax + L"LCD_item_norm.bmp"));
  ASSERT_TRUE(tl::testing::TruncateToHalf(ax + L"Lumara02.dds"));  // the badge
  ASSERT_TRUE(tl::testing::WriteFileBytes(ax + L"Video_lumara_mini_bg-cut.bmp", "BM\xff\xff\xff\x7f garbage"));
  ASSERT_TRUE(::DeleteFileW((ax + L"bar.bmp").c_str()));
  ASSERT_TRUE(PlayAndOpenDialog(folder));

  HWND dialog = Dialog();
  tl::testing::PumpMessagesFor(500);
  tl::testing::SaveWindowPng(dialog, tl::testing::ArtifactDir() + L"renderer_tray_dialog_damaged_pictures.png");
  ::SendMessageW(dialog, WM_HSCROLL, 100, kStrengthSlider);
  EXPECT_EQ(State().strength, 1.0);
  Command(kDefault);
  EXPECT_EQ(State().strength, 0.5);
  Command(kApply);
  EXPECT_FALSE(::IsWindowVisible(dialog));
  // The picture still plays through the effect.
  EXPECT_TRUE(CurrentImage(renderer_.Get()));
  EXPECT_TRUE(State().device);
}

TEST_F(RendererFaults, WithoutTheSkinLibraryThePlainControlsServe) {
  const std::wstring folder = Copy(L"renderer_without_skin");
  ASSERT_TRUE(::DeleteFileW((folder + L"KvSkin.dll").c_str()));
  ASSERT_TRUE(PlayAndOpenDialog(folder));
  HWND dialog = Dialog();
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(dialog, kMirrorBox)));
  tl::testing::PumpMessagesFor(500);
  tl::testing::SaveWindowPng(dialog, tl::testing::ArtifactDir() + L"renderer_tray_dialog_without_skin.png");
  ::SendMessageW(dialog, WM_HSCROLL, 0, kStrengthSlider);
  EXPECT_EQ(State().strength, 0.0);
  Command(kApply);
  EXPECT_FALSE(::IsWindowVisible(dialog));
}

}  // namespace
}  // namespace tl::renderer::testing
