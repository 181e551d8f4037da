#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "frame_enhance/core/celumara.h"
#include "frame_enhance/tests/reference_kernels.h"

namespace tl::frame {
namespace {

using testing::FrameBuffer;
using testing::MakeTables;

void* Allocate(std::size_t n) { return std::malloc(n); }
void Free(void* p) { std::free(p); }
void* Fail(std::size_t) { return nullptr; }
constexpr TableAllocator kMalloc{Allocate, Free};
constexpr TableAllocator kFailing{Fail, Free};

// Slot of a virtual method in the object's table, from the member pointer's representation
// (1 + byte offset into the table for virtual methods).
template <typename Method>
std::ptrdiff_t SlotOf(Method method) {
  std::ptrdiff_t words[2];
  static_assert(sizeof(method) == sizeof(words));
  std::memcpy(words, &method, sizeof words);
  return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(CeLumara, TheHostSeesThe32SlotsInOrder) {
  using C = CeLumara;
  const std::ptrdiff_t slots[] = {
      SlotOf(&C::Init), SlotOf(&C::Release), SlotOf(&C::GetParams), SlotOf(&C::SetParams),
      SlotOf(&C::GetMode), SlotOf(&C::SetMode), SlotOf(&C::GetSplit), SlotOf(&C::SetSplit),
      SlotOf(&C::ProcessYUY2Pitched), SlotOf(&C::ProcessYUY2), SlotOf(&C::ProcessI420Pitched), SlotOf(&C::ProcessI420),
      SlotOf(&C::ProcessNV12Pitched), SlotOf(&C::ProcessNV12), SlotOf(&C::ProcessSideBySidePitched),
      SlotOf(&C::ProcessSideBySide), SlotOf(&C::DirectYUY2Pitched), SlotOf(&C::DirectYUY2),
      SlotOf(&C::DirectI420Pitched), SlotOf(&C::DirectI420), SlotOf(&C::DirectNV12Pitched), SlotOf(&C::DirectNV12),
      SlotOf(&C::DirectSideBySidePitched), SlotOf(&C::DirectSideBySide), SlotOf(&C::KernelYUY2Pitched),
      SlotOf(&C::KernelYUY2), SlotOf(&C::KernelI420Pitched), SlotOf(&C::KernelI420), SlotOf(&C::KernelNV12Pitched),
      SlotOf(&C::KernelNV12), SlotOf(&C::KernelSideBySidePitched), SlotOf(&C::KernelSideBySide)};
  for (std::ptrdiff_t i = 0; i < 32; ++i) EXPECT_EQ(slots[i], i);
  // The table pointer is the object's first word.
  CeLumara object(kMalloc, PortableKernels());
  void* vptr;
  std::memcpy(&vptr, &object, sizeof vptr);
  EXPECT_NE(vptr, nullptr);
}

TEST(CeLumara, StartsWithTheDefaultsAndComputesTheirTablesAtInit) {
  CeLumara object(kMalloc, PortableKernels());
  int low = 0, high = 0;
  float noise = 0, strength = 0;
  object.GetParams(&low, &high, &noise, &strength);
  EXPECT_EQ(low, 50);
  EXPECT_EQ(high, 150);
  EXPECT_EQ(noise, 0.5f);
  EXPECT_EQ(strength, 0.5f);
  EXPECT_EQ(object.GetMode(), 0);
  EXPECT_EQ(object.GetSplit(), 0);
  EXPECT_FALSE(object.Initialised());
  EXPECT_EQ(object.Width(), 640);
  EXPECT_EQ(object.Pairs(), 320);

  object.Init(64, 16);
  ASSERT_TRUE(object.Initialised());
  EXPECT_EQ(object.Pairs(), 32);
  const auto want = MakeTables(50, 150, 0.5f, 0.5f, 0);
  EXPECT_TRUE(std::equal(want.lut1.begin(), want.lut1.begin() + 65536, object.Lut1()));
  EXPECT_TRUE(std::equal(want.lut2.begin(), want.lut2.begin() + 65536, object.Lut2()));
  for (int i = 0; i < 256; ++i) EXPECT_EQ(object.GainTable()[i], 256);
  object.GetParams(nullptr, nullptr, nullptr, nullptr);  // the host may want only some values
}

TEST(CeLumara, ParameterAndModeChangesRecomputeOnlyWhenSomethingChanged) {
  CeLumara object(kMalloc, PortableKernels());
  object.Init(64, 16);
  const unsigned afterInit = object.TableComputations();
  object.SetMode(0);
  EXPECT_EQ(object.TableComputations(), afterInit);
  object.SetMode(1);
  EXPECT_EQ(object.TableComputations(), afterInit + 1);
  EXPECT_EQ(object.GetMode(), 1);
  object.SetMode(7);  // any other value means the faded curve
  EXPECT_EQ(object.GetMode(), 1);
  EXPECT_EQ(object.TableComputations(), afterInit + 1);

  object.SetParams(30, 220, 0.25f, 0.8f);
  const auto want = MakeTables(30, 220, 0.25f, 0.8f, 1);
  EXPECT_TRUE(std::equal(want.lut2.begin(), want.lut2.begin() + 65536, object.Lut2()));
  EXPECT_FLOAT_EQ(object.Params().mid, 125.0f);
  EXPECT_FLOAT_EQ(object.Params().knee, 65.0f);
  EXPECT_FLOAT_EQ(object.Params().slope, 95.0f / 190.0f);

  object.SetSplit(3);
  EXPECT_EQ(object.GetSplit(), 1);
  object.SetSplit(0);
  EXPECT_EQ(object.GetSplit(), 0);
}

TEST(CeLumara, FrameMethodsWriteNothingWhenTheyCannotServeTheFrame) {
  std::mt19937 random(7);
  const FrameBuffer src(Layout::kNv12, 64, 16, 0, random);
  FrameBuffer dst(Layout::kNv12, 64, 16, 0, random);
  const auto before = dst.bytes;

  CeLumara fresh(kMalloc, PortableKernels());  // never initialised
  EXPECT_FALSE(fresh.ProcessNV12(dst.data(), src.data()));
  fresh.SetParams(10, 20, 0.1f, 0.2f);  // nothing to compute into yet
  EXPECT_FALSE(fresh.Initialised());

  CeLumara object(kMalloc, PortableKernels());
  object.Init(64, 16);
  EXPECT_FALSE(object.ProcessNV12(nullptr, src.data()));
  EXPECT_FALSE(object.ProcessNV12(dst.data(), nullptr));
  EXPECT_FALSE(object.ProcessNV12Pitched(dst.data(), src.data(), 63, 64));
  EXPECT_FALSE(object.ProcessNV12Pitched(dst.data(), src.data(), 64, -64));
  EXPECT_FALSE(object.DirectNV12Pitched(dst.data(), src.data(), 64, 32));
  object.Release();
  EXPECT_FALSE(object.ProcessNV12(dst.data(), src.data()));
  EXPECT_FALSE(object.KernelYUY2(dst.data(), src.data()));
  EXPECT_FALSE(object.DirectI420(dst.data(), src.data()));
  object.SetParams(10, 20, 0.1f, 0.2f);
  object.SetMode(1);

  for (auto [w, h] : {std::pair{62, 16}, {64, 15}, {64, 0}, {0, 16}, {-64, 16}, {64, 1}}) {
    object.Init(w, h);
    ASSERT_TRUE(object.Initialised());
    EXPECT_FALSE(object.ProcessYUY2(dst.data(), src.data())) << w << "x" << h;
    EXPECT_FALSE(object.ProcessI420(dst.data(), src.data())) << w << "x" << h;
    EXPECT_FALSE(object.ProcessNV12(dst.data(), src.data())) << w << "x" << h;
    EXPECT_FALSE(object.DirectSideBySide(dst.data(), src.data())) << w << "x" << h;
  }
  object.Init(64, 2);
  EXPECT_FALSE(object.ProcessSideBySide(dst.data(), src.data()));
  EXPECT_EQ(dst.bytes, before);

  CeLumara starved(kFailing, PortableKernels());
  starved.Init(64, 16);
  EXPECT_FALSE(starved.Initialised());
  EXPECT_FALSE(starved.ProcessNV12(dst.data(), src.data()));
  EXPECT_EQ(dst.bytes, before);
}

TEST(CeLumara, FrameMethodsApplyTheKernelsOfTheirLayout) {
  std::mt19937 random(8);
  CeLumara object(kMalloc, BestKernels());
  object.Init(48, 12);
  object.SetParams(40, 190, 0.3f, 0.75f);
  const auto tables = MakeTables(40, 190, 0.3f, 0.75f, 0);
  using Packed = bool (CeLumara::*)(std::uint8_t*, const std::uint8_t*);
  using Pitched = bool (CeLumara::*)(std::uint8_t*, const std::uint8_t*, int, int);
  struct Methods { Layout layout; Packed process, kernel; Pitched processPitched, kernelPitched; };
  const Methods all[] = {
      {Layout::kYuy2, &CeLumara::ProcessYUY2, &CeLumara::KernelYUY2, &CeLumara::ProcessYUY2Pitched, &CeLumara::KernelYUY2Pitched},
      {Layout::kI420, &CeLumara::ProcessI420, &CeLumara::KernelI420, &CeLumara::ProcessI420Pitched, &CeLumara::KernelI420Pitched},
      {Layout::kNv12, &CeLumara::ProcessNV12, &CeLumara::KernelNV12, &CeLumara::ProcessNV12Pitched, &CeLumara::KernelNV12Pitched},
      {Layout::kSideBySide, &CeLumara::ProcessSideBySide, &CeLumara::KernelSideBySide,
       &CeLumara::ProcessSideBySidePitched, &CeLumara::KernelSideBySidePitched}};
  for (const Methods& m : all) {
    for (std::uint8_t split : {0, 1}) {
      object.SetSplit(split);
      const int row = static_cast<int>(RowBytes(m.layout, 48));
      const FrameBuffer src(m.layout, 48, 12, 0, random);
      FrameBuffer want = src;
      testing::ReferenceKernel(m.layout, split, want.data(), src.data(), tables, 48, 12, row, row);
      for (Packed method : {m.process, m.kernel}) {
        FrameBuffer dst = src;
        EXPECT_TRUE((object.*method)(dst.data(), src.data()));
        EXPECT_EQ(dst.bytes, want.bytes) << testing::LayoutName(m.layout);
      }
      const FrameBuffer pitchedSrc(m.layout, 48, 12, row + 8, random);
      FrameBuffer pitchedWant(m.layout, 48, 12, row + 4, random);
      FrameBuffer pitchedDst = pitchedWant;
      testing::ReferenceKernel(m.layout, split, pitchedWant.data(), pitchedSrc.data(), tables, 48, 12, row + 4, row + 8);
      for (Pitched method : {m.processPitched, m.kernelPitched}) {
        FrameBuffer dst = pitchedDst;
        EXPECT_TRUE((object.*method)(dst.data(), pitchedSrc.data(), row + 4, row + 8));
        EXPECT_EQ(dst.bytes, pitchedWant.bytes) << testing::LayoutName(m.layout);
      }
    }
  }
}

TEST(CeLumara, DirectMethodsKeepChromaWithinTheVideoRange) {
  std::mt19937 random(9);
  CeLumara object(kMalloc, PortableKernels());
  object.Init(16, 4);
  const std::uint8_t* curve = object.Curve();
  const FrameBuffer src(Layout::kYuy2, 16, 4, 0, random);
  FrameBuffer dst = src;
  ASSERT_TRUE(object.DirectYUY2(dst.data(), src.data()));
  for (std::size_t i = 0; i < 16 * 4 * 2; i += 2) {
    EXPECT_EQ(dst.bytes[i], curve[src.bytes[i]]);
    EXPECT_EQ(dst.bytes[i + 1], std::clamp<int>(src.bytes[i + 1], 16, 240));
  }
  FrameBuffer pitched(Layout::kYuy2, 16, 4, 40, random);
  FrameBuffer pitchedOut = pitched;
  ASSERT_TRUE(object.DirectYUY2Pitched(pitchedOut.data(), pitched.data(), 40, 40));
  EXPECT_EQ(pitchedOut.bytes[1], std::clamp<int>(pitched.bytes[1], 16, 240));
  EXPECT_EQ(pitchedOut.bytes[33], pitched.bytes[33]) << "padding untouched";
}

TEST(CeLumara, InitTwiceReplacesTheTables) {
  // Under the leak checker: the first tables must be freed.
  CeLumara object(kMalloc, PortableKernels());
  object.Init(64, 16);
  object.SetMode(1);
  object.Init(32, 8);
  EXPECT_TRUE(object.Initialised());
  EXPECT_EQ(object.Width(), 32);
  EXPECT_EQ(object.GetMode(), 0);
  const auto want = MakeTables(50, 150, 0.5f, 0.5f, 0);
  EXPECT_TRUE(std::equal(want.lut2.begin(), want.lut2.begin() + 65536, object.Lut2()));
}

}  // namespace
}  // namespace tl::frame
