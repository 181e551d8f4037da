// Norvak_Dialog.exe from the installation folder, started the way the media-player plug-in
// starts it: this test program stands in for the plug-in. It loads KvServer.dll, owns a video
// window that counts the dialog's messages, and calls CreateNorvakDialog. The panel is opened by
// clicking the notification icon in Wine's tray and driven with mouse messages.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/testing/screen_capture.h"
#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/registry.h"
#include "control_panel/win32/settings_store.h"
#include "shared_state/win32/kv_server_api.h"
#include "skin/core/bmp.h"
#include "skin/core/geometry.h"

namespace {

using tl::shared::KvServerApi;

constexpr UINT kStrengthMessage = 0x8002;
constexpr UINT kDemoMessage = 0x8003;
constexpr UINT kMethodMessage = 0x8004;
constexpr int kApplyId = 513;
constexpr int kCancelId = 516;
constexpr int kDefaultId = 517;
constexpr int kSliderId = 525;

std::map<UINT, int>& Received() {
  static std::map<UINT, int> received;
  return received;
}

LRESULT CALLBACK VideoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= kStrengthMessage && message <= kMethodMessage) {
    ++Received()[message];
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

using tl::testing::PumpMessages;
using tl::testing::PumpMessagesFor;
using tl::testing::WaitFor;

HWND FindDialog() { return ::FindWindowW(nullptr, L"NORVAK_DIALOG"); }

// Wine without a desktop shell shows the icons in a window of its own, one child per icon.
std::vector<HWND> WineTrayIcons() {
  std::vector<HWND> icons;
  HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  for (HWND icon = tray ? ::FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr; icon;
       icon = ::FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) {
    if (::IsWindowVisible(icon)) icons.push_back(icon);
  }
  return icons;
}

// Presses and releases the left button at (x, y) of a window of the dialog.
void Click(HWND control, int x, int y) {
  ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

std::optional<int> BmpWidth(const std::wstring& path) {
  tl::win32::UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes(1 << 20);
  DWORD read = 0;
  ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  tl::skin::BmpLayout layout;
  if (!tl::skin::ReadBmpLayout(bytes, layout)) return std::nullopt;
  return layout.width;
}

// Keeps the registry's "VS2_Strength" as it was found.
class StrengthValueGuard {
 public:
  StrengthValueGuard()
      : saved_(tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, tl::panel::kSettingsKey, tl::panel::kValueStrength)) {}
  ~StrengthValueGuard() {
    if (saved_) Set(*saved_);
    else Remove();
  }
  void Set(DWORD value) {
    ASSERT_TRUE(tl::win32::WriteRegDword(HKEY_LOCAL_MACHINE, tl::panel::kSettingsKey, tl::panel::kValueStrength,
                                         value));
  }
  void Remove() { tl::win32::DeleteRegValue(HKEY_LOCAL_MACHINE, tl::panel::kSettingsKey, tl::panel::kValueStrength); }

 private:
  std::optional<DWORD> saved_;
};

// A folder of the installed program and its two libraries: the installation folder itself, or
// a bare copy without any picture.
class NorvakDialogTest : public ::testing::Test {
 protected:
  static std::wstring BareFolder() { return tl::testing::TestDir() + L"norvak_bare\\"; }

  void Load(const std::wstring& folder) {
    folder_ = folder;
    library_.reset(::LoadLibraryW((folder + L"KvServer.dll").c_str()));
    ASSERT_TRUE(library_);
    ASSERT_TRUE(kv_.Bind(library_.get()));
    kv_.ReleaseKvServer();
  }

  void SetUp() override {
    ASSERT_EQ(FindDialog(), nullptr) << "a dialog is left over from an earlier run";
    Received().clear();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = VideoWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"tl_standin_video_window";
    ::RegisterClassW(&windowClass);
    video_.reset(::CreateWindowExW(0, windowClass.lpszClassName, L"stand-in video", WS_POPUP, 0, 0, 64, 48,
                                   nullptr, nullptr, windowClass.hInstance, nullptr));
    ASSERT_TRUE(video_);
  }

  void TearDown() override {
    if (kv_.RemoveNorvakDialog) kv_.RemoveNorvakDialog();
    if (dialogProcess_) {
      // The dialog this test started ends by the destroy message; should it not, it is ended here.
      if (::WaitForSingleObject(dialogProcess_.get(), 5000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the dialog did not end after the destroy message";
        ::TerminateProcess(dialogProcess_.get(), 1);
        ::WaitForSingleObject(dialogProcess_.get(), 5000);
      }
    }
    if (kv_.ReleaseKvServer) kv_.ReleaseKvServer();
  }

  // What the plug-in does: initialise, register the video window, start the dialog.
  void StartDialog(bool withVideoWindow = true) {
    kv_.InitKvServer();
    if (withVideoWindow) kv_.SetVideoWindow(video_.get());
    kv_.CreateNorvakDialog();
    ASSERT_TRUE(WaitFor([] { return FindDialog() != nullptr; })) << "the dialog did not start";
    // Asked again, as the plug-in does, so that KvServer keeps the window to end it later.
    ASSERT_TRUE(kv_.CreateNorvakDialog());
    dialog_ = FindDialog();
    DWORD processId = 0;
    ::GetWindowThreadProcessId(dialog_, &processId);
    dialogProcess_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, processId));
    ASSERT_TRUE(dialogProcess_);
    if (withVideoWindow) {
      ASSERT_TRUE(WaitFor([] { return Received()[kStrengthMessage] == 1; })) << "no 0x8002 at start";
    }
    ASSERT_TRUE(WaitFor([] { return WineTrayIcons().size() == 1; })) << "no notification icon";
    ::WaitForInputIdle(dialogProcess_.get(), 5000);
  }

  // A click on the notification icon, as the user makes it.
  void ClickIcon() {
    const std::vector<HWND> icons = WineTrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    ::SendMessageW(icons[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 8));
    ::SendMessageW(icons[0], WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
  }

  void OpenPanel() {
    ASSERT_FALSE(::IsWindowVisible(dialog_));
    ClickIcon();
    ASSERT_TRUE(WaitFor([this] { return ::IsWindowVisible(dialog_) != FALSE; })) << "the panel did not open";
    ::WaitForInputIdle(dialogProcess_.get(), 5000);
  }

  int Adjustment() {
    int percent = -1;
    kv_.GetAdjustment(&percent);
    return percent;
  }
  HWND Control(int id) { return ::GetDlgItem(dialog_, id); }
  int SliderPosition() { return static_cast<int>(::SendMessageW(Control(kSliderId), TBM_GETPOS, 0, 0)); }
  int StrengthMessages() {
    PumpMessages();
    return Received()[kStrengthMessage];
  }

  // Moves the strength slider with the mouse to `position`.
  void DragSliderTo(int position) {
    HWND slider = Control(kSliderId);
    ASSERT_NE(slider, nullptr);
    RECT client{};
    ::GetClientRect(slider, &client);
    tl::skin::SliderGeometry geometry;
    geometry.width = client.right;
    geometry.thumbWidth = BmpWidth(folder_ + L"images\\ax\\bar.bmp").value_or(0);
    ASSERT_GT(geometry.width - geometry.thumbWidth, 100) << "the slider's channel picture is missing";
    // The first pixel whose position is the one wanted.
    int x = geometry.PositionToPixel(position);
    while (geometry.PixelToPosition(x) < position) ++x;
    // Start from the far end so that the thumb jumps under the pointer.
    const int from = position < 50 ? client.right - 1 : 0;
    ::SendMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from, client.bottom / 2));
    ::SendMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, client.bottom / 2));
    ::SendMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(x, client.bottom / 2));
  }

  // Ends the video window and gives how long the dialog's window took to go, in ms.
  std::optional<DWORD> CloseVideoWindowAndTime() {
    const DWORD start = ::GetTickCount();
    video_.reset();
    if (!WaitFor([this] { return !::IsWindow(dialog_); }, 5000)) return std::nullopt;
    return ::GetTickCount() - start;
  }

  std::wstring folder_;
  tl::win32::UniqueModule library_;
  KvServerApi kv_;
  tl::win32::UniqueWindow video_;
  HWND dialog_ = nullptr;
  tl::win32::UniqueHandle dialogProcess_;
};

TEST_F(NorvakDialogTest, SliderCancelDefaultApplyAndTheEndWithTheVideoWindow) {
  StrengthValueGuard strengthValue;
  strengthValue.Set(32767);
  Load(tl::testing::InstallDir());
  StartDialog();
  EXPECT_FALSE(::IsWindowVisible(dialog_)) << "hidden at start";
  EXPECT_EQ(Adjustment(), 50) << "32767 of 65535 is 50 %";
  EXPECT_EQ(Control(kSliderId), nullptr) << "the controls are made on the first opening";

  OpenPanel();
  EXPECT_NE(Control(kApplyId), nullptr);
  EXPECT_NE(Control(kCancelId), nullptr);
  EXPECT_NE(Control(kDefaultId), nullptr);
  ASSERT_NE(Control(kSliderId), nullptr);
  EXPECT_EQ(SliderPosition(), 50);
  // Topmost, of the panel's size, inside the work area (Wine has no notification area).
  RECT frame{}, work{};
  ::GetWindowRect(dialog_, &frame);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(frame.right - frame.left, 250);
  EXPECT_EQ(frame.bottom - frame.top, 130);
  EXPECT_EQ(frame.right, work.right - 1);
  EXPECT_EQ(frame.bottom, work.bottom - 1);
  EXPECT_TRUE(::GetWindowLongW(dialog_, GWL_EXSTYLE) & WS_EX_TOPMOST);

  DragSliderTo(80);
  EXPECT_EQ(SliderPosition(), 80);
  EXPECT_EQ(Adjustment(), 80);
  EXPECT_EQ(kv_.GetChanged(), 1);
  EXPECT_GE(StrengthMessages(), 2);
  tl::testing::SaveWindowPng(dialog_, tl::testing::ArtifactDir() + L"norvak_dialog_panel.png");

  // Cancel puts back the strength of the opening, moves the slider and tells the video window once.
  const int before = StrengthMessages();
  Click(Control(kCancelId), 10, 10);
  EXPECT_TRUE(WaitFor([this] { return !::IsWindowVisible(dialog_); }));
  EXPECT_EQ(Adjustment(), 50);
  EXPECT_EQ(SliderPosition(), 50);
  PumpMessagesFor(200);
  EXPECT_EQ(StrengthMessages(), before + 1);

  // Default: 50 again from elsewhere, the panel stays open.
  OpenPanel();
  DragSliderTo(20);
  EXPECT_EQ(Adjustment(), 20);
  const int beforeDefault = StrengthMessages();
  Click(Control(kDefaultId), 10, 10);
  PumpMessagesFor(200);
  EXPECT_EQ(Adjustment(), 50);
  EXPECT_EQ(SliderPosition(), 50);
  EXPECT_EQ(StrengthMessages(), beforeDefault + 1);
  EXPECT_TRUE(::IsWindowVisible(dialog_));

  // Apply keeps the strength and closes the panel; the icon opens it again.
  DragSliderTo(70);
  Click(Control(kApplyId), 10, 10);
  EXPECT_TRUE(WaitFor([this] { return !::IsWindowVisible(dialog_); }));
  EXPECT_EQ(Adjustment(), 70);

  // The two switches, by command.
  ::SendMessageW(dialog_, WM_COMMAND, 518, 0);
  ::SendMessageW(dialog_, WM_COMMAND, 519, 0);
  PumpMessagesFor(100);
  EXPECT_EQ(kv_.GetMethod(), 1);
  EXPECT_EQ(kv_.GetDemoMode(), 1);
  EXPECT_EQ(Received()[kMethodMessage], 1);
  EXPECT_EQ(Received()[kDemoMessage], 1);

  // The media player closes its video window: the dialog ends within about a second.
  const std::optional<DWORD> took = CloseVideoWindowAndTime();
  ASSERT_TRUE(took.has_value()) << "the dialog did not end with the video window";
  std::printf("the dialog's window went %lu ms after the video window\n", static_cast<unsigned long>(*took));
  EXPECT_LE(*took, 1500u);
  // Removing the last icon takes Wine about 2 s more (it hides its own tray window).
  ASSERT_EQ(::WaitForSingleObject(dialogProcess_.get(), 5000), WAIT_OBJECT_0);
  DWORD code = 1;
  ::GetExitCodeProcess(dialogProcess_.get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WineTrayIcons().empty()) << "the icon is removed";
}

TEST_F(NorvakDialogTest, StoredStrengthGivesTheStartingStrength) {
  StrengthValueGuard strengthValue;
  Load(tl::testing::InstallDir());
  strengthValue.Set(65535);
  StartDialog();
  EXPECT_EQ(Adjustment(), 100);
  kv_.RemoveNorvakDialog();
  ASSERT_EQ(::WaitForSingleObject(dialogProcess_.get(), 5000), WAIT_OBJECT_0);
  ASSERT_TRUE(WaitFor([] { return FindDialog() == nullptr; }));

  strengthValue.Remove();
  kv_.SetAdjustment(0);
  Received().clear();
  StartDialog();
  EXPECT_EQ(Adjustment(), 50) << "no stored value: 50";
}

TEST_F(NorvakDialogTest, EndsAtOnceBeforeInitialisationAndWhenOneRuns) {
  Load(tl::testing::InstallDir());
  ASSERT_EQ(kv_.CheckInited(), 0);
  const std::wstring program = tl::testing::InstallDir() + L"Norvak_Dialog.exe";
  EXPECT_EQ(tl::testing::RunProgram(program, L"", 5000), 0u);
  EXPECT_EQ(FindDialog(), nullptr);

  StartDialog();
  EXPECT_EQ(tl::testing::RunProgram(program, L"", 5000), 0u) << "a second start ends at once";
  EXPECT_EQ(WineTrayIcons().size(), 1u);
  EXPECT_EQ(::WaitForSingleObject(dialogProcess_.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(NorvakDialogTest, WithoutPicturesThePanelStillWorks) {
  ::CreateDirectoryW(BareFolder().c_str(), nullptr);
  for (const wchar_t* file : {L"KvServer.dll", L"KvSkin.dll", L"Norvak_Dialog.exe"}) {
    ASSERT_TRUE(::CopyFileW((tl::testing::InstallDir() + file).c_str(), (BareFolder() + file).c_str(), FALSE));
  }
  Load(BareFolder());
  StartDialog(false);
  OpenPanel();
  EXPECT_NE(Control(kSliderId), nullptr);
  tl::testing::SaveWindowPng(dialog_, tl::testing::ArtifactDir() + L"norvak_dialog_without_pictures.png");
  kv_.SetAdjustment(90);
  Click(Control(kDefaultId), 5, 5);
  EXPECT_TRUE(WaitFor([this] { return Adjustment() == 50; }));
  // No video window: nothing is sent and the program runs until it is told to end.
  PumpMessagesFor(1500);
  EXPECT_EQ(::WaitForSingleObject(dialogProcess_.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(Received().empty());
}

// Pictures cut short or overwritten, as an interrupted copy leaves them: the panel opens, its
// buttons answer, and the program goes on.
TEST_F(NorvakDialogTest, DamagedPicturesLeaveAWorkingPanel) {
  const std::wstring folder = tl::testing::CopyOfInstallation(
      L"norvak_damaged",
      {L"KvServer.dll", L"KvSkin.dll", L"Norvak_Dialog.exe", L"images\\ax\\button_norm.bmp",
       L"images\\ax\\button_down.bmp", L"images\\ax\\button_over.bmp", L"images\\ax\\LCD_item_norm.bmp",
       L"images\\ax\\LCD_item_highlight.bmp", L"images\\ax\\Video_lumara_mini_bg-cut.bmp", L"images\\ax\\bar.bmp"});
  ASSERT_FALSE(folder.empty());
  const std::wstring ax = folder + L"images\\ax\\";
  for (const wchar_t* picture : {L"button_norm.bmp", L"button_down.bmp", L"LCD_item_norm.bmp", L"bar.bmp"})
    ASSERT_TRUE(tl::testing::TruncateToHalf(ax + picture));
  ASSERT_TRUE(tl::testing::WriteFileBytes(ax + L"Video_lumara_mini_bg-cut.bmp", "BM\xff\xff\xff\x7f not a bitmap"));
  ASSERT_TRUE(tl::testing::WriteFileBytes(ax + L"button_over.bmp", ""));

  Load(folder);
  StartDialog();
  OpenPanel();
  ASSERT_NE(Control(kSliderId), nullptr);
  tl::testing::SaveWindowPng(dialog_, tl::testing::ArtifactDir() + L"norvak_dialog_damaged_pictures.png");
  kv_.SetAdjustment(90);
  Click(Control(kDefaultId), 5, 5);
  EXPECT_TRUE(WaitFor([this] { return Adjustment() == 50; }));
  Click(Control(kApplyId), 5, 5);
  EXPECT_TRUE(WaitFor([this] { return !::IsWindowVisible(dialog_); })) << "Apply hides the panel";
  EXPECT_EQ(::WaitForSingleObject(dialogProcess_.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
