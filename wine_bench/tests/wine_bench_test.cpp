// The mechanisms the whole suite rests on, checked with real API calls under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/proc_address.h"
#include "common/win32/registry.h"

namespace {

using tl::testing::GammaRamp;

constexpr wchar_t kBenchKey[] = L"SOFTWARE\\TavoLumaraBench";

std::wstring ProbeDll() { return tl::testing::TestDir() + L"bench_probe.dll"; }
std::wstring Child() { return tl::testing::TestDir() + L"bench_child.exe"; }

TEST(WineBench, GammaRampSetThroughGdiIsReadBackFromTheXServer) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  GammaRamp dimmed{};
  for (int channel = 0; channel < 3; ++channel) {
    for (int i = 0; i < 256; ++i) dimmed[channel * 256 + i] = static_cast<WORD>(i * (200 - 10 * channel));
  }
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(dimmed));
  auto back = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(dimmed, *back));
  // The X server keeps 8 bits: 51000 (255 x 200) reads back as 199 x 257.
  EXPECT_EQ((*back)[255], 51143);

  ASSERT_TRUE(tl::testing::WriteDisplayRamp(tl::testing::IdentityRamp()));
  back = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, tl::testing::IdentityRamp());
}

TEST(WineBench, LocalMachineValueWrittenHereIsReadInAnotherProcess) {
  const DWORD value = 1000 + (::GetTickCount() % 50000);
  ASSERT_TRUE(tl::win32::WriteRegDword(HKEY_LOCAL_MACHINE, kBenchKey, L"Probe", value));
  EXPECT_EQ(tl::testing::RunProgram(Child(), L"registry-read Probe"), value);
  EXPECT_EQ(tl::testing::RunProgram(Child(), L"registry-read Missing"), 0xFFFFu);
}

TEST(WineBench, TwoProcessesSeeEachOthersWritesToASharedSection) {
  tl::win32::UniqueModule dll(::LoadLibraryW(ProbeDll().c_str()));
  ASSERT_TRUE(dll);
  auto get = tl::win32::ProcAddress<LONG(WINAPI*)()>(dll.get(), "ProbeGetShared");
  auto set = tl::win32::ProcAddress<void(WINAPI*)(LONG)>(dll.get(), "ProbeSetShared");
  ASSERT_TRUE(get && set);

  set(1234);
  EXPECT_EQ(tl::testing::RunProgram(Child(), L"shared-bump \"" + ProbeDll() + L"\""), 1234u);
  EXPECT_EQ(get(), 1235);
  EXPECT_EQ(tl::testing::RunProgram(Child(), L"shared-bump \"" + ProbeDll() + L"\""), 1235u);
  EXPECT_EQ(get(), 1236);
}

TEST(WineBench, FunctionIsCalledByOrdinal) {
  tl::win32::UniqueModule dll(::LoadLibraryW(ProbeDll().c_str()));
  ASSERT_TRUE(dll);
  auto answer = tl::win32::ProcAddress<LONG(WINAPI*)(LONG)>(dll.get(), WORD{5});
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(100), 142);
  EXPECT_EQ(::GetProcAddress(dll.get(), "ProbeAnswer"), nullptr) << "exported without a name";
  // Named exports keep their ordinals too.
  EXPECT_EQ(::GetProcAddress(dll.get(), MAKEINTRESOURCEA(2)), ::GetProcAddress(dll.get(), "ProbeGetShared"));
}

}  // namespace
