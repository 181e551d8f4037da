// Tintor.dll used as its callers use it, by ordinal, under Wine: exports, shared state across
// processes, ramps on the display through GDI, and the Intel road through a stand-in driver
// object registered in the test prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/testing/debug_output.h"
#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/proc_address.h"
#include "common/win32/text.h"
#include "engine/tests/igfx_stub.h"
#include "engine/tests/mesh_checks.h"
#include "engine/win32/tintor_api.h"

namespace {

using tl::engine::RampTable;
using tl::engine::api::TintorApi;
using tl::testing::GammaRamp;

std::wstring TintorPath() { return tl::testing::InstallDir() + L"Tintor.dll"; }
std::wstring ChildPath() { return tl::testing::TestDir() + L"tintor_child.exe"; }
std::wstring StubPath() { return tl::testing::TestDir() + L"igfx_stub.dll"; }

std::optional<DWORD> Child(const std::wstring& command) {
  return tl::testing::RunProgram(ChildPath(), L"\"" + TintorPath() + L"\" " + command);
}

std::string InstalledFile(const std::wstring& relative) {
  return tl::win32::Narrow(tl::testing::InstallDir() + relative);
}

GammaRamp Dimmed(int top) {
  GammaRamp ramp;
  for (int i = 0; i < 768; ++i) ramp[i] = static_cast<WORD>((i % 256) * top);
  return ramp;
}

class Tintor : public ::testing::Test {
 protected:
  void SetUp() override {
    dll_.reset(::LoadLibraryW(TintorPath().c_str()));
    ASSERT_TRUE(dll_) << "Tintor.dll not found in the installation folder";
    ASSERT_TRUE(api.Load(dll_.get()));
  }
  void TearDown() override {
    if (api.IntelGammaRelease) api.IntelGammaRelease();
  }

  // Tables, method and settings as a caller sets them before a computation.
  void Configure(int mode, LONG method, bool preview) {
    ASSERT_EQ(api.SetPCT(InstalledFile(L"acf\\panel.acf").c_str()), 0u);
    ASSERT_EQ(api.SetTRC(InstalledFile(L"atf\\Mode" + std::to_wstring(mode) + L".atf").c_str()), 0u);
    ASSERT_EQ(api.SetMethod(method), 0u);
    api.SetColorTemperature(6500);
    if (preview) {
      api.SetColorfulness(3, 3, 3);
      api.SetGammaS(0.5);
      api.SetGammaV(1.4);
    } else {
      api.SetColorfulness(1, 1, 1);
      api.SetGammaS(0.0);
      api.SetGammaV(1.0);
    }
  }

  TintorApi api;

 private:
  tl::win32::UniqueModule dll_;
};

TEST_F(Tintor, EveryExportHasItsOrdinalAndName) {
  static const struct {
    WORD ordinal;
    const char* name;
  } kExports[] = {{2, "AC_SetPCT"}, {3, "AC_GetPCT"}, {4, "AC_SetTRC"}, {5, "AC_GetTRC"},
                  {6, "AC_SetColorfulness"}, {7, "AC_GetColorfulness"}, {8, "AC_SetColorTemperature"},
                  {9, "AC_GetColorTemperature"}, {10, "AC_ApplyColorEnhance"}, {11, "AC_CancelColorEnhance"},
                  {12, "AC_PrepareColorEnhance"}, {13, "AC_SetMethod"}, {14, "AC_GamutColorDifference"},
                  {15, "AC_SetGamutComputingEnable"}, {16, "AC_CalGamutSurface"}, {17, "AC_GetGamutSize"},
                  {18, "AC_GetGamutSurface"}, {19, "AC_SetGammaS"}, {20, "AC_SetGammaV"}, {21, "AC_GetGammaS"},
                  {22, "AC_GetGammaV"}, {23, "AC_IntelGamma_Initialize"}, {24, "AC_IntelGamma_Release"},
                  {25, "AC_IntelGamma_SetRampData"}, {26, "AC_IntelGamma_GetRampData"}};
  HMODULE module = ::GetModuleHandleW(TintorPath().c_str());
  for (const auto& e : kExports) {
    FARPROC byOrdinal = ::GetProcAddress(module, MAKEINTRESOURCEA(e.ordinal));
    ASSERT_NE(byOrdinal, nullptr) << e.name;
    EXPECT_EQ(byOrdinal, ::GetProcAddress(module, e.name)) << e.name;
  }
  EXPECT_EQ(::GetProcAddress(module, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(::GetProcAddress(module, MAKEINTRESOURCEA(27)), nullptr);
}

TEST_F(Tintor, GettersInASecondProcessSeeTheValuesSetHere) {
  api.SetColorfulness(0, 5, 11);
  EXPECT_EQ(Child(L"get-colourfulness"), 10510u);
  api.SetColorfulness(2, 3, 4);
  EXPECT_EQ(Child(L"get-colourfulness"), 20304u);
  api.SetColorTemperature(3000);
  EXPECT_EQ(Child(L"get-temperature"), 4500u);
  api.SetColorTemperature(12000);
  EXPECT_EQ(Child(L"get-temperature"), 9500u);
  api.SetGammaS(2.0);
  api.SetGammaV(0.1);
  EXPECT_EQ(Child(L"get-gamma"), 1000u * 10000 + 500);
  api.SetGammaS(0.25);
  api.SetGammaV(1.4);
  EXPECT_EQ(Child(L"get-gamma"), 250u * 10000 + 1400);
}

TEST_F(Tintor, StatusCodesAndPathLimits) {
  EXPECT_EQ(api.SetMethod(3), 0x80008000u);
  EXPECT_EQ(api.SetPCT("Z:\\no\\such\\panel.acf"), 0x80000020u);
  EXPECT_EQ(api.SetTRC("Z:\\no\\such\\Mode1.atf"), 0x80000040u);
  RampTable ramp{};
  EXPECT_EQ(api.PrepareColorEnhance(&ramp), 0x80002000u);

  const std::string tooLong(300, 'x');
  EXPECT_EQ(api.SetPCT(tooLong.c_str()), 0x80000020u);
  char path[264];
  std::memset(path, '?', sizeof path);
  EXPECT_EQ(api.GetPCT(path), 0u);
  EXPECT_STREQ(path, "");
  const std::string fits = InstalledFile(L"acf\\panel.acf");
  EXPECT_EQ(api.SetPCT(fits.c_str()), 0u);
  api.GetPCT(path);
  EXPECT_EQ(std::string(path), fits);

  EXPECT_EQ(api.CalGamutSurface(1), 0x81000000u);
  double difference = 0;
  EXPECT_EQ(api.GamutColorDifference(&difference), 0x80800000u);
  LONG vertices = 0, triangles = 0;
  EXPECT_EQ(api.GetGamutSize(0, &vertices, &triangles), 0x82000000u);
  EXPECT_EQ(api.GetGamutSurface(0, nullptr, nullptr), 0x84000000u);
  EXPECT_EQ(api.SetGamutComputingEnable(0), 0u);
}

TEST_F(Tintor, GamutSurfacesThroughTheExportsByOrdinal) {
  Configure(2, 1, /*preview=*/true);
  ASSERT_EQ(api.SetGamutComputingEnable(1), 0u);
  EXPECT_EQ(api.CalGamutSurface(1), 0x81000000u) << "nothing computed with gamut computing on yet";
  RampTable prepared{};
  ASSERT_EQ(api.PrepareColorEnhance(&prepared), 0u);
  ASSERT_EQ(api.CalGamutSurface(1), 0u);
  double difference = 0;
  EXPECT_EQ(api.GamutColorDifference(&difference), 0u);
  EXPECT_EQ(difference, -1.0) << "the displayed set is not built yet";
  ASSERT_EQ(api.CalGamutSurface(0), 0u);
  EXPECT_EQ(api.CalGamutSurface(2), 0x81000000u);

  for (LONG which : {0, 1}) {
    LONG vertexCount = 0, triangleCount = 0;
    ASSERT_EQ(api.GetGamutSize(which, &vertexCount, &triangleCount), 0u);
    ASSERT_GT(vertexCount, 3);
    ASSERT_LE(vertexCount, 1024);
    EXPECT_EQ(triangleCount, 2 * vertexCount - 4);
    std::vector<double> vertices(6 * vertexCount);
    std::vector<LONG> triangles(3 * triangleCount);
    ASSERT_EQ(api.GetGamutSurface(which, vertices.data(), triangles.data()), 0u);
    std::vector<tl::engine::testing::Point3> points;
    for (LONG i = 0; i < vertexCount; ++i) {
      points.push_back({vertices[6 * i], vertices[6 * i + 1], vertices[6 * i + 2]});
      for (int c = 3; c < 6; ++c) {
        EXPECT_GE(vertices[6 * i + c], 0.0);
        EXPECT_LE(vertices[6 * i + c], 1.0);
      }
    }
    std::vector<tl::engine::testing::Triangle> list;
    for (LONG i = 0; i < triangleCount; ++i) list.push_back({triangles[3 * i], triangles[3 * i + 1], triangles[3 * i + 2]});
    EXPECT_EQ(tl::engine::testing::MeshProblems(points, list, {}, 0.0), "") << which;
  }
  ASSERT_EQ(api.GamutColorDifference(&difference), 0u);
  EXPECT_GT(difference, 0.0);
  EXPECT_LT(difference, 20.0);
  EXPECT_EQ(api.SetGamutComputingEnable(0), 0u);
  EXPECT_EQ(api.GamutColorDifference(&difference), 0x80800000u);
}

TEST_F(Tintor, PrepareThenApplyLoadsExactlyThePreparedRamp) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  Configure(1, 1, /*preview=*/true);
  RampTable prepared{};
  ASSERT_EQ(api.PrepareColorEnhance(&prepared), 0u);
  ASSERT_NE(prepared, tl::engine::IdentityRamp());
  // Settings changed between Prepare and Apply do not change what Apply loads.
  api.SetGammaV(1.9);
  ASSERT_EQ(api.ApplyColorEnhance(), 0u);
  auto shown = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(shown.has_value());
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*shown, prepared));

  ASSERT_EQ(api.CancelColorEnhance(), 0u);
  shown = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(*shown, tl::testing::IdentityRamp());
}

TEST_F(Tintor, EveryShippedModeIsTakenByTheDisplay) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  for (int mode = 1; mode <= 5; ++mode) {
    for (LONG method : {0, 1, 2}) {
      for (bool preview : {false, true}) {
        Configure(mode, method, preview);
        RampTable prepared{};
        ASSERT_EQ(api.PrepareColorEnhance(&prepared), 0u);
        // Start from a known different ramp, so that a refused ramp shows.
        ASSERT_TRUE(tl::testing::WriteDisplayRamp(Dimmed(200)));
        ASSERT_EQ(api.ApplyColorEnhance(), 0u);
        auto shown = tl::testing::ReadDisplayRamp();
        ASSERT_TRUE(shown.has_value());
        EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*shown, prepared))
            << "mode " << mode << ", method " << method << (preview ? ", preview settings" : ", setup settings");
      }
    }
  }
}

TEST_F(Tintor, ApplyInAProcessThatNeverComputedShowsTheIdentity) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(Dimmed(200)));
  EXPECT_EQ(Child(L"apply-fresh"), 0u);
  auto shown = tl::testing::ReadDisplayRamp();
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(*shown, tl::testing::IdentityRamp());
}

TEST_F(Tintor, RampsOnTheGdiRoadAreReadBack) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  RampTable dim = Dimmed(220);
  ASSERT_EQ(api.IntelGammaSetRampData(&dim), 0u);
  EXPECT_EQ(dim, Dimmed(220)) << "the device gamma road leaves the caller's ramp alone";
  RampTable back{};
  ASSERT_EQ(api.IntelGammaGetRampData(&back), 0u);
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(back, dim));

  // A ramp the display refuses (all zero) leaves the display as it was; the call still succeeds.
  RampTable black{};
  EXPECT_EQ(api.IntelGammaSetRampData(&black), 0u);
  ASSERT_EQ(api.IntelGammaGetRampData(&back), 0u);
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(back, dim));
}

TEST_F(Tintor, ARampTheDisplayRefusesIsReportedOnTheDebuggerOutput) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  tl::testing::DebugOutputListener listener;
  ASSERT_TRUE(listener.ok());
  RampTable dim = Dimmed(220);
  api.IntelGammaSetRampData(&dim);
  EXPECT_EQ(listener.Collect(300).find("Tintor:"), std::string::npos) << "a ramp that was taken is not reported";

  RampTable black{};
  EXPECT_EQ(api.IntelGammaSetRampData(&black), 0u);
  EXPECT_NE(listener.Collect(1000).find("Tintor: the display refused the gamma ramp"), std::string::npos);
  // The engine goes on: the next ramp is taken.
  ASSERT_EQ(api.CancelColorEnhance(), 0u);
  EXPECT_EQ(tl::testing::ReadDisplayRamp(), tl::testing::IdentityRamp());
}

// Registers the stand-in driver object under "IgfxExt.CUIExternal" for one test.
class IntelRoad : public Tintor {
 protected:
  void SetUp() override {
    Tintor::SetUp();
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kIgfxStubClsidText;
    ASSERT_TRUE(SetValue(L"IgfxExt.CUIExternal\\CLSID", nullptr, kIgfxStubClsidText));
    ASSERT_TRUE(SetValue(clsidKey.c_str(), nullptr, L"Intel road stand-in"));
    ASSERT_TRUE(SetValue((clsidKey + L"\\InprocServer32").c_str(), nullptr, StubPath().c_str()));
    ASSERT_TRUE(SetValue((clsidKey + L"\\InprocServer32").c_str(), L"ThreadingModel", L"Both"));
    ASSERT_TRUE(SetValue((clsidKey + L"\\ProgID").c_str(), nullptr, L"IgfxExt.CUIExternal"));
    stub_.reset(::LoadLibraryW(StubPath().c_str()));
    ASSERT_TRUE(stub_);
    lastWrite = tl::win32::ProcAddress<IgfxStubLastWriteFn>(stub_.get(), "IgfxStub_LastWrite");
    reset = tl::win32::ProcAddress<IgfxStubResetFn>(stub_.get(), "IgfxStub_Reset");
    ASSERT_TRUE(lastWrite && reset);
    reset();
  }
  void TearDown() override {
    Tintor::TearDown();
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"IgfxExt.CUIExternal");
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kIgfxStubClsidText).c_str());
  }

  static bool SetValue(const wchar_t* key, const wchar_t* name, const wchar_t* value) {
    tl::win32::UniqueHKey handle;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_WRITE, nullptr, handle.put(), nullptr) !=
        ERROR_SUCCESS) {
      return false;
    }
    const DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
  }

  IgfxStubLastWriteFn lastWrite = nullptr;
  IgfxStubResetFn reset = nullptr;

 private:
  tl::win32::UniqueModule stub_;
};

TEST_F(IntelRoad, TheDriverObjectReceivesRampsWithHeadroomUntilRelease) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  ASSERT_TRUE(tl::testing::WriteDisplayRamp(tl::testing::IdentityRamp()));
  ASSERT_EQ(api.IntelGammaInitialize(), 0u);

  // The identity goes out as i x 256, and the caller's buffer is changed with it.
  RampTable ramp = tl::engine::IdentityRamp();
  ASSERT_EQ(api.IntelGammaSetRampData(&ramp), 0u);
  GammaRamp received{};
  EXPECT_EQ(lastWrite(received.data()), 1);
  for (int i = 0; i < 768; ++i) {
    ASSERT_EQ(received[i], (i % 256) * 256) << i;
    ASSERT_EQ(ramp[i], (i % 256) * 256) << i;
  }
  // A ramp whose tops are all at most 65280 goes out unchanged.
  RampTable low;
  for (int i = 0; i < 768; ++i) low[i] = static_cast<WORD>((i % 256) * 256);
  api.IntelGammaSetRampData(&low);
  lastWrite(received.data());
  EXPECT_EQ(received, low);
  // Reads come from the driver object too.
  RampTable back{};
  ASSERT_EQ(api.IntelGammaGetRampData(&back), 0u);
  EXPECT_EQ(back, low);
  // The GDI ramp was not touched on the Intel road.
  EXPECT_EQ(tl::testing::ReadDisplayRamp(), tl::testing::IdentityRamp());

  // Apply and Cancel take the same road.
  Configure(2, 1, true);
  RampTable prepared{};
  ASSERT_EQ(api.PrepareColorEnhance(&prepared), 0u);
  ASSERT_EQ(api.ApplyColorEnhance(), 0u);
  EXPECT_EQ(lastWrite(received.data()), 3);
  const int top = std::max({prepared[255], prepared[511], prepared[767]});
  for (int i = 0; i < 768; ++i) {
    const int expected = top >= 65281 ? static_cast<int>((prepared[i] * 65280LL) / top) : prepared[i];
    ASSERT_EQ(received[i], expected) << i;
  }
  api.CancelColorEnhance();
  EXPECT_EQ(lastWrite(received.data()), 4);
  EXPECT_EQ(received[255], 65280);

  // Another process has no driver object of its own: its transfers take the GDI road.
  EXPECT_EQ(Child(L"send-dim"), 0u);
  EXPECT_EQ(lastWrite(nullptr), 4);
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*tl::testing::ReadDisplayRamp(), Dimmed(200)));

  // After Release, transfers go to the device gamma ramp again.
  ASSERT_EQ(api.IntelGammaRelease(), 0u);
  RampTable dim = Dimmed(230);
  ASSERT_EQ(api.IntelGammaSetRampData(&dim), 0u);
  EXPECT_EQ(lastWrite(nullptr), 4);
  EXPECT_EQ(dim, Dimmed(230));
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*tl::testing::ReadDisplayRamp(), Dimmed(230)));
}

TEST_F(Tintor, WithoutTheDriverClassInitializeKeepsTheGdiRoad) {
  TL_REQUIRE_GAMMA();
  tl::testing::DisplayRampGuard restore;
  ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"IgfxExt.CUIExternal");
  ASSERT_EQ(api.IntelGammaInitialize(), 0u);
  RampTable dim = Dimmed(210);
  ASSERT_EQ(api.IntelGammaSetRampData(&dim), 0u);
  EXPECT_EQ(dim, Dimmed(210));
  EXPECT_TRUE(tl::testing::SameAtDisplayPrecision(*tl::testing::ReadDisplayRamp(), Dimmed(210)));
}

}  // namespace
