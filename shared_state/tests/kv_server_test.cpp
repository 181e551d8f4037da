// KvServer.dll in two processes, and the start and stop of the dialog through it. The library
// is copied into a folder of its own beside a stand-in dialog program of the shipped name.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/module_path.h"
#include "shared_state/win32/kv_server_api.h"

namespace {

using tl::shared::KvServerApi;

std::wstring Folder() { return tl::testing::TestDir() + L"kvserver\\"; }
std::wstring Library() { return Folder() + L"KvServer.dll"; }

std::optional<DWORD> Child(const std::wstring& arguments) {
  return tl::testing::RunProgram(tl::testing::TestDir() + L"kv_server_child.exe",
                                 L"\"" + Library() + L"\" " + arguments);
}

HWND FindDialog() { return ::FindWindowW(nullptr, L"NORVAK_DIALOG"); }

using tl::testing::WaitFor;

bool SameFolder(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

class KvServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CreateDirectoryW(Folder().c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW((tl::testing::InstallDir() + L"KvServer.dll").c_str(), Library().c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW((tl::testing::TestDir() + L"norvak_dialog_standin.exe").c_str(),
                            (Folder() + L"Norvak_Dialog.exe").c_str(), FALSE));
  }

  void SetUp() override {
    library_.reset(::LoadLibraryW(Library().c_str()));
    ASSERT_TRUE(library_);
    ASSERT_TRUE(kv_.Bind(library_.get()));
    kv_.ReleaseKvServer();
  }
  void TearDown() override {
    if (kv_.ReleaseKvServer) kv_.ReleaseKvServer();
  }

  tl::win32::UniqueModule library_;
  KvServerApi kv_;
};

TEST_F(KvServer, ValuesSetInOneProcessAreReadInTheOtherAtOnce) {
  kv_.SetMethod(7);
  EXPECT_EQ(Child(L"get-method"), 7u);
  EXPECT_EQ(Child(L"set-method 3"), 3u);
  EXPECT_EQ(kv_.GetMethod(), 3);

  EXPECT_EQ(Child(L"set-adjustment 50"), 40u) << "the new low";
  int low = 0, high = 0;
  float noise = 0, strength = 0;
  EXPECT_EQ(kv_.GetAdjustmentEx(&low, &high, &noise, &strength), 150);
  EXPECT_EQ(low, 40);
  EXPECT_EQ(high, 150);
  EXPECT_EQ(noise, 0.125f);
  EXPECT_EQ(strength, 0.5f);

  EXPECT_EQ(kv_.SetAdjustment(100), 30);
  EXPECT_EQ(Child(L"check-adjustment-ex 30 150 0.25 1"), 1u);
  EXPECT_EQ(Child(L"get-adjustment"), 100u);

  kv_.SetVideoWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234A)));
  EXPECT_EQ(Child(L"get-video-window"), 0x1234Au);
}

TEST_F(KvServer, ReleaseResetsTheRecord) {
  kv_.InitKvServer();
  kv_.SetMethod(1);
  kv_.SetDemoMode(1);
  kv_.SetChanged(1);
  kv_.SetWMPluginFlag(1);
  kv_.SetAdjustment(0);
  kv_.SetVideoWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x777)));
  EXPECT_EQ(kv_.CheckInited(), 1);

  EXPECT_EQ(kv_.ReleaseKvServer(), 0);
  EXPECT_EQ(kv_.CheckInited(), 0);
  EXPECT_EQ(kv_.GetMethod(), 0);
  EXPECT_EQ(kv_.GetDemoMode(), 0);
  EXPECT_EQ(kv_.GetChanged(), 0);
  EXPECT_EQ(kv_.GetWMPluginFlag(), 0);
  EXPECT_EQ(kv_.GetVideoWindow(), nullptr);
  int percent = 0;
  EXPECT_EQ(kv_.GetAdjustment(&percent), &percent);
  EXPECT_EQ(percent, 50);
  int low = 0, high = 0;
  float noise = 0, strength = 0;
  kv_.GetAdjustmentEx(&low, &high, &noise, &strength);
  EXPECT_EQ(low, 50);
  EXPECT_EQ(high, 150);
  EXPECT_EQ(noise, 0.5f);
  EXPECT_EQ(strength, 0.5f);
}

TEST_F(KvServer, SettersClampAndKeepTheLowByte) {
  EXPECT_EQ(kv_.SetAdjustment(-5), 50);
  int percent = -1;
  kv_.GetAdjustment(&percent);
  EXPECT_EQ(percent, 0);
  EXPECT_EQ(kv_.SetAdjustment(130), 30);
  kv_.GetAdjustment(&percent);
  EXPECT_EQ(percent, 100);
  EXPECT_EQ(kv_.SetAdjustment(10), 47);

  EXPECT_EQ(kv_.SetMethod(0x1FF), 0xFF);
  EXPECT_EQ(kv_.GetMethod(), 0xFF);
  EXPECT_EQ(kv_.SetDemoMode(0x100), 0);
  EXPECT_EQ(kv_.GetDemoMode(), 0);
  // Null pointers are skipped.
  EXPECT_EQ(kv_.GetAdjustment(nullptr), nullptr);
  EXPECT_EQ(kv_.GetAdjustmentEx(nullptr, nullptr, nullptr, nullptr), 150);
}

TEST_F(KvServer, WorkingDirectoryOfAModuleAndOfTheProgram) {
  wchar_t folder[tl::shared::kWorkingDirectoryChars];
  DWORD bytes = kv_.GetWorkingDirectory(library_.get(), folder);
  EXPECT_TRUE(SameFolder(folder, Folder())) << folder;
  EXPECT_EQ(bytes, Folder().size() * sizeof(wchar_t));

  bytes = kv_.GetWorkingDirectory(nullptr, folder);
  const std::wstring program = tl::win32::ModuleDirectory(nullptr);
  EXPECT_TRUE(SameFolder(folder, program)) << folder;
  EXPECT_EQ(bytes, program.size() * sizeof(wchar_t));

  EXPECT_EQ(kv_.GetWorkingDirectory(library_.get(), nullptr), 0u);
}

TEST_F(KvServer, RemoveWithoutCreateReturnsTrue) {
  EXPECT_EQ(Child(L"remove-dialog"), 1u);
  EXPECT_TRUE(kv_.RemoveNorvakDialog());
}

TEST_F(KvServer, ASecondProcessStartsTheDialogFromItsOwnFolder) {
  ASSERT_EQ(FindDialog(), nullptr) << "a dialog is left over from an earlier run";
  // This process forms its command line and sets the shared flag; the child, finding the flag
  // set, must form its own.
  kv_.InitKvServer();
  ASSERT_EQ(kv_.CheckInited(), 1);
  const auto created = Child(L"create-dialog");
  ASSERT_TRUE(created.has_value());
  EXPECT_LE(*created, 1u) << "false while the new dialog has no window yet, true once it has";
  ASSERT_TRUE(WaitFor([] { return FindDialog() != nullptr; })) << "the dialog program was not started";

  // Found regardless of the title's letter case, then closed by the destroy message.
  EXPECT_EQ(Child(L"create-remove"), 3u);
  EXPECT_TRUE(WaitFor([] { return FindDialog() == nullptr; })) << "the dialog did not end";
}

TEST_F(KvServer, CreateInThisProcessFindsARunningDialogAndRemovesIt) {
  ASSERT_EQ(FindDialog(), nullptr);
  kv_.CreateNorvakDialog();
  ASSERT_TRUE(WaitFor([] { return FindDialog() != nullptr; }));
  EXPECT_TRUE(kv_.CreateNorvakDialog());
  EXPECT_EQ(kv_.CheckInited(), 1);
  EXPECT_TRUE(kv_.RemoveNorvakDialog());
  EXPECT_TRUE(WaitFor([] { return FindDialog() == nullptr; }));
  EXPECT_TRUE(kv_.RemoveNorvakDialog()) << "nothing kept any more";
}

}  // namespace
