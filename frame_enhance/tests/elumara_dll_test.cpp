// eLumara.dll as the media-player plug-in uses it: loaded from the installation folder, the
// object created through CreateCeLumara and driven through its virtual table slot by slot.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"
#include "common/win32/proc_address.h"
#include "frame_enhance/tests/reference_kernels.h"

namespace tl::frame {
namespace {

using testing::FrameBuffer;
using testing::MakeTables;

// The host's view: an object whose first word points at a table of methods using the
// compiler's member calling convention (thiscall on 32-bit Windows).
#if defined(__i386__)
#define TL_HOST_CALL __attribute__((thiscall))
#else
#define TL_HOST_CALL
#endif

template <typename R, typename... Args>
R Slot(void* object, int slot, Args... args) {
  using Method = R(TL_HOST_CALL*)(void*, Args...);
  void** table = *static_cast<void***>(object);
  return reinterpret_cast<Method>(table[slot])(object, args...);
}

using Byte = std::uint8_t;
bool Packed(void* o, int slot, Byte* d, const Byte* s) { return Slot<bool>(o, slot, d, s); }
bool Pitched(void* o, int slot, Byte* d, const Byte* s, int dp, int sp) { return Slot<bool>(o, slot, d, s, dp, sp); }

class ElumaraDll : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(::LoadLibraryW((tl::testing::InstallDir() + L"eLumara.dll").c_str()));
    ASSERT_TRUE(module_) << "eLumara.dll not found in the installation folder";
    create_ = win32::ProcAddress<void*(WINAPI*)(int, int)>(module_.get(), "CreateCeLumara");
    destroy_ = win32::ProcAddress<void(WINAPI*)(void*)>(module_.get(), "DestroyCeLumara");
    ASSERT_NE(create_, nullptr);
    ASSERT_NE(destroy_, nullptr);
  }

  struct Object {
    void* p;
    void (WINAPI* destroy)(void*);
    ~Object() { destroy(p); }
  };
  Object Create(int w, int h) { return Object{create_(w, h), destroy_}; }

  win32::UniqueModule module_;
  void*(WINAPI* create_)(int, int) = nullptr;
  void(WINAPI* destroy_)(void*) = nullptr;
};

TEST_F(ElumaraDll, ImportsNothingButKernel32) {
  auto* base = reinterpret_cast<const BYTE*>(module_.get());
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  std::vector<std::string> names;
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
    std::string name(reinterpret_cast<const char*>(base + d->Name));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  EXPECT_EQ(names, std::vector<std::string>{"kernel32.dll"});
}

TEST_F(ElumaraDll, SettersAndGettersThroughTheirSlots) {
  Object o = Create(64, 16);
  ASSERT_NE(o.p, nullptr);
  int low = 0, high = 0;
  float noise = 0, strength = 0;
  Slot<void>(o.p, 2, &low, &high, &noise, &strength);
  EXPECT_EQ(low, 50);
  EXPECT_EQ(high, 150);
  EXPECT_EQ(noise, 0.5f);
  EXPECT_EQ(strength, 0.5f);
  Slot<void>(o.p, 3, 20, 230, 0.75f, 0.25f);
  Slot<void>(o.p, 2, &low, &high, &noise, &strength);
  EXPECT_EQ(low, 20);
  EXPECT_EQ(high, 230);
  EXPECT_EQ(noise, 0.75f);
  EXPECT_EQ(strength, 0.25f);
  EXPECT_EQ(Slot<Byte>(o.p, 4), 0);
  Slot<void>(o.p, 5, Byte{1});
  EXPECT_EQ(Slot<Byte>(o.p, 4), 1);
  EXPECT_EQ(Slot<Byte>(o.p, 6), 0);
  Slot<void>(o.p, 7, Byte{1});
  EXPECT_EQ(Slot<Byte>(o.p, 6), 1);
}

TEST_F(ElumaraDll, FrameSlotsEnhanceEveryLayout) {
  std::mt19937 random(11);
  const int w = 720, h = 12;
  Object o = Create(w, h);
  ASSERT_NE(o.p, nullptr);
  for (Byte mode : {0, 1}) {
    Slot<void>(o.p, 3, 40, 200, 0.6f, 0.8f);
    Slot<void>(o.p, 5, mode);
    const auto tables = MakeTables(40, 200, 0.6f, 0.8f, mode);
    for (int layout = 0; layout < 4; ++layout) {
      const auto l = static_cast<Layout>(layout);
      const int row = static_cast<int>(RowBytes(l, w));
      for (Byte split : {0, 1}) {
        Slot<void>(o.p, 7, split);
        SCOPED_TRACE(::testing::Message() << testing::LayoutName(l) << " mode " << int{mode} << " split " << int{split});
        const FrameBuffer src(l, w, h, 0, random);
        FrameBuffer want = src;
        testing::ReferenceKernel(l, split, want.data(), src.data(), tables, w, h, row, row);
        // Frame method (8 + 2 layout + 1), its kernel method (24 + ...), in place and not.
        for (int slot : {9 + 2 * layout, 25 + 2 * layout}) {
          FrameBuffer dst(l, w, h, 0, random);
          EXPECT_TRUE(Packed(o.p, slot, dst.data(), src.data())) << slot;
          EXPECT_TRUE(std::equal(want.bytes.begin(), want.bytes.end() - 64, dst.bytes.begin())) << slot;
        }
        const FrameBuffer pitchedSrc(l, w, h, row + 32, random);
        FrameBuffer pitchedWant(l, w, h, row + 64, random);
        FrameBuffer pitchedDst = pitchedWant;
        testing::ReferenceKernel(l, split, pitchedWant.data(), pitchedSrc.data(), tables, w, h, row + 64, row + 32);
        for (int slot : {8 + 2 * layout, 24 + 2 * layout}) {
          FrameBuffer dst = pitchedDst;
          EXPECT_TRUE(Pitched(o.p, slot, dst.data(), pitchedSrc.data(), row + 64, row + 32)) << slot;
          EXPECT_EQ(dst.bytes, pitchedWant.bytes) << slot;
        }
        if (l != Layout::kI420) {
          FrameBuffer inPlace = src;
          EXPECT_TRUE(Packed(o.p, 9 + 2 * layout, inPlace.data(), inPlace.data()));
          EXPECT_TRUE(std::equal(want.bytes.begin(), want.bytes.end() - 64, inPlace.bytes.begin()));
        }
      }
    }
  }
}

TEST_F(ElumaraDll, DirectSlotsCurveLumaAndKeepChroma) {
  std::mt19937 random(12);
  const int w = 64, h = 8;
  Object o = Create(w, h);
  ASSERT_NE(o.p, nullptr);
  const auto tables = MakeTables(50, 150, 0.5f, 0.5f, 0);
  const std::vector<std::uint16_t> noGain(256, 256);
  for (int layout = 0; layout < 4; ++layout) {
    const auto l = static_cast<Layout>(layout);
    const int row = static_cast<int>(RowBytes(l, w));
    const FrameBuffer src(l, w, h, 0, random);
    FrameBuffer want = src;
    testing::ReferenceDirect(l, false, want.data(), src.data(), tables, noGain.data(), w, h, row, row);
    FrameBuffer packed = src, pitched = src;
    EXPECT_TRUE(Packed(o.p, 17 + 2 * layout, packed.data(), src.data()));
    EXPECT_TRUE(Pitched(o.p, 16 + 2 * layout, pitched.data(), src.data(), row, row));
    EXPECT_EQ(packed.bytes, want.bytes) << testing::LayoutName(l);
    EXPECT_EQ(pitched.bytes, want.bytes) << testing::LayoutName(l);
  }
}

TEST_F(ElumaraDll, FramesItCannotServeAreLeftUntouched) {
  std::mt19937 random(13);
  FrameBuffer src(Layout::kYuy2, 64, 16, 0, random);
  FrameBuffer dst(Layout::kYuy2, 64, 16, 0, random);
  const auto before = dst.bytes;
  for (auto [w, h] : {std::pair{62, 16}, {64, 15}, {0, 0}, {-8, 16}, {64, 1}}) {
    Object o = Create(w, h);
    ASSERT_NE(o.p, nullptr);
    for (int slot = 8; slot < 32; slot += 2) {
      EXPECT_FALSE(Pitched(o.p, slot, dst.data(), src.data(), 1 << 20, 1 << 20)) << w << "x" << h << " slot " << slot;
      EXPECT_FALSE(Packed(o.p, slot + 1, dst.data(), src.data())) << w << "x" << h << " slot " << slot + 1;
    }
  }
  Object o = Create(64, 16);
  EXPECT_FALSE(Pitched(o.p, 8, dst.data(), src.data(), 127, 128)) << "pitch below the row";
  EXPECT_FALSE(Pitched(o.p, 8, dst.data(), src.data(), 128, -128));
  Object sideBySide = Create(64, 2);
  EXPECT_FALSE(Packed(sideBySide.p, 15, dst.data(), src.data()));
  Slot<void>(o.p, 1);  // Release
  for (int slot = 9; slot < 32; slot += 2) EXPECT_FALSE(Packed(o.p, slot, dst.data(), src.data())) << slot;
  EXPECT_EQ(dst.bytes, before);
  destroy_(nullptr);
}

}  // namespace
}  // namespace tl::frame
