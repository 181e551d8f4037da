#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "frame_enhance/core/direct_kernels.h"
#include "frame_enhance/core/kernels.h"
#include "frame_enhance/tests/reference_kernels.h"

namespace tl::frame {
namespace {

using testing::FrameBuffer;
using testing::LayoutName;
using testing::MakeTables;
using testing::Tables;

constexpr Layout kLayouts[] = {Layout::kYuy2, Layout::kI420, Layout::kNv12, Layout::kSideBySide};

struct Size { int width, height; };
// Widths that are and are not multiples of 8 and 16; heights of 4k and 4k + 2 rows.
constexpr Size kSizes[] = {{4, 4}, {8, 2}, {12, 6}, {20, 8}, {36, 10}, {64, 4}, {100, 14}, {132, 22}};

std::vector<const KernelTable*> FastSets() {
  std::vector<const KernelTable*> sets{&Sse2Kernels()};
  if (const KernelTable* avx512 = Avx512Kernels()) sets.push_back(avx512);
  return sets;
}

// Runs one kernel of a set on a frame, separately or in place, and gives the whole buffer.
std::vector<std::uint8_t> RunKernel(const KernelTable& set, Layout layout, Form form, bool split, bool inPlace,
                              const FrameBuffer& source, const FrameBuffer& destination, const Tables& t) {
  FrameBuffer src = source, dst = destination;
  std::uint8_t* out = inPlace ? src.data() : dst.data();
  set.Get(layout, form, split)(out, src.data(), t.lut1.data(), t.lut2.data(), src.width, src.height,
                               inPlace ? src.pitch : dst.pitch, src.pitch);
  return inPlace ? src.bytes : dst.bytes;
}

std::vector<std::uint8_t> Expected(Layout layout, bool split, bool inPlace, const FrameBuffer& source,
                                   const FrameBuffer& destination, const Tables& t) {
  FrameBuffer src = source, dst = destination;
  std::uint8_t* out = inPlace ? src.data() : dst.data();
  testing::ReferenceKernel(layout, split, out, src.data(), t, src.width, src.height,
                           inPlace ? src.pitch : dst.pitch, src.pitch);
  return inPlace ? src.bytes : dst.bytes;
}

TEST(Kernels, PortableSetFollowsEveryLayoutDescription) {
  std::mt19937 random(1);
  const Tables t = MakeTables(40, 200, 0.7f, 0.9f, 0);
  for (Layout layout : kLayouts) {
    for (Size size : kSizes) {
      if (layout == Layout::kSideBySide && size.height < 4) continue;
      const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(RowBytes(layout, size.width));
      // Packed, and pitched with different padding for source and destination.
      const FrameBuffer packedSrc(layout, size.width, size.height, 0, random);
      const FrameBuffer packedDst(layout, size.width, size.height, 0, random);
      const FrameBuffer pitchedSrc(layout, size.width, size.height, row + 6, random);
      const FrameBuffer pitchedDst(layout, size.width, size.height, row + 22, random);
      for (bool split : {false, true}) {
        SCOPED_TRACE(::testing::Message() << LayoutName(layout) << " " << size.width << "x" << size.height
                                          << (split ? " split" : ""));
        // Everything past the rows (padding, the guard after the frame) must stay as it was.
        EXPECT_EQ(RunKernel(PortableKernels(), layout, Form::kPacked, split, false, packedSrc, packedDst, t),
                  Expected(layout, split, false, packedSrc, packedDst, t));
        EXPECT_EQ(RunKernel(PortableKernels(), layout, Form::kPitched, split, false, pitchedSrc, pitchedDst, t),
                  Expected(layout, split, false, pitchedSrc, pitchedDst, t));
      }
    }
  }
}

TEST(Kernels, InPlaceEqualsSeparateBuffersExceptI420Means) {
  std::mt19937 random(2);
  const Tables t = MakeTables(60, 180, 0.4f, 0.7f, 1);
  for (Layout layout : kLayouts) {
    for (bool split : {false, true}) {
      const FrameBuffer src(layout, 36, 12, 0, random);
      const FrameBuffer dst(layout, 36, 12, 0, random);
      const auto separate = RunKernel(PortableKernels(), layout, Form::kPacked, split, false, src, dst, t);
      const auto inPlace = RunKernel(PortableKernels(), layout, Form::kPacked, split, true, src, dst, t);
      const std::size_t lumaBytes = static_cast<std::size_t>(RowBytes(layout, 36)) * 12;
      const std::size_t frameBytes = static_cast<std::size_t>(FrameBytes(layout, 36, 12, RowBytes(layout, 36)));
      if (layout != Layout::kI420) {
        EXPECT_TRUE(std::equal(separate.begin(), separate.begin() + frameBytes, inPlace.begin())) << LayoutName(layout);
        continue;
      }
      // I420 in place: same luma; chroma means taken from the curved luma.
      EXPECT_TRUE(std::equal(separate.begin(), separate.begin() + lumaBytes, inPlace.begin()));
      FrameBuffer curvedLuma = src;
      std::copy(separate.begin(), separate.begin() + lumaBytes, curvedLuma.bytes.begin());
      const auto expected = Expected(layout, split, false, curvedLuma, dst, t);
      EXPECT_TRUE(std::equal(expected.begin() + lumaBytes, expected.begin() + frameBytes, inPlace.begin() + lumaBytes));
    }
  }
}

TEST(Kernels, SplitKeepsTheLeftHalfOfEveryRow) {
  std::mt19937 random(3);
  const Tables t = MakeTables(50, 150, 0.5f, 0.5f, 0);
  const int w = 24, h = 8;
  for (Layout layout : kLayouts) {
    const FrameBuffer src(layout, w, h, 0, random);
    const FrameBuffer dst(layout, w, h, 0, random);
    const auto out = RunKernel(PortableKernels(), layout, Form::kPacked, true, false, src, dst, t);
    const std::size_t row = static_cast<std::size_t>(RowBytes(layout, w));
    for (int y = 0; y < h; ++y) {
      EXPECT_TRUE(std::equal(out.begin() + y * row, out.begin() + y * row + row / 2, src.bytes.begin() + y * row))
          << LayoutName(layout) << " row " << y;
    }
  }
  // YUY2 at width 8: the first 8 bytes of a row copied, the last 8 processed.
  const FrameBuffer src(Layout::kYuy2, 8, 2, 0, random);
  const FrameBuffer dst(Layout::kYuy2, 8, 2, 0, random);
  const auto out = RunKernel(PortableKernels(), Layout::kYuy2, Form::kPacked, true, false, src, dst, t);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], src.bytes[i]);
  for (int i = 8; i < 16; i += 2) {
    EXPECT_EQ(out[i] | out[i + 1] << 8, t.lut2[src.bytes[i] | src.bytes[i + 1] << 8]);
  }
}

TEST(Kernels, FastSetsEqualThePortableSetBitForBit) {
  std::mt19937 random(4);
  const Tables t = MakeTables(35, 210, 0.6f, 0.85f, 0);
  const Size sizes[] = {{4, 4}, {12, 6}, {40, 10}, {68, 4}, {132, 22}, {720, 6}, {1280, 8}};
  for (const KernelTable* fast : FastSets()) {
    for (Layout layout : kLayouts) {
      for (Size size : sizes) {
        const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(RowBytes(layout, size.width));
        const FrameBuffer src(layout, size.width, size.height, row + 3, random);
        const FrameBuffer dst(layout, size.width, size.height, row + 17, random);
        const FrameBuffer packedSrc(layout, size.width, size.height, 0, random);
        for (bool split : {false, true}) {
          for (bool inPlace : {false, true}) {
            SCOPED_TRACE(::testing::Message() << fast->name << " " << LayoutName(layout) << " " << size.width << "x"
                                              << size.height << (split ? " split" : "") << (inPlace ? " in place" : ""));
            EXPECT_EQ(RunKernel(*fast, layout, Form::kPitched, split, inPlace, src, dst, t),
                      RunKernel(PortableKernels(), layout, Form::kPitched, split, inPlace, src, dst, t));
            EXPECT_EQ(RunKernel(*fast, layout, Form::kPacked, split, inPlace, packedSrc, packedSrc, t),
                      RunKernel(PortableKernels(), layout, Form::kPacked, split, inPlace, packedSrc, packedSrc, t));
          }
        }
      }
    }
  }
}

TEST(Kernels, DirectKernelsCurveLumaAndScaleChromaByTheGainTable) {
  std::mt19937 random(5);
  const Tables t = MakeTables(50, 150, 0.5f, 0.5f, 0);
  std::vector<std::uint16_t> gain(256);
  for (int i = 0; i < 256; ++i) gain[i] = static_cast<std::uint16_t>(128 + i);  // a gain that varies with luma
  for (Layout layout : kLayouts) {
    for (bool split : {false, true}) {
      const FrameBuffer src(layout, 20, 8, 0, random);
      FrameBuffer dst = src, want = src;
      DirectKernels().Get(layout, Form::kPacked, split)(dst.data(), src.data(), t.lut1.data(), gain.data(), 20, 8, 0, 0);
      testing::ReferenceDirect(layout, split, want.data(), src.data(), t, gain.data(), 20, 8,
                               RowBytes(layout, 20), RowBytes(layout, 20));
      EXPECT_EQ(dst.bytes, want.bytes) << LayoutName(layout);
    }
  }
  EXPECT_EQ(ScaleChroma(200, 256), 200);
  EXPECT_EQ(ScaleChroma(250, 256), 240);
  EXPECT_EQ(ScaleChroma(0, 512), 16);
  EXPECT_EQ(ScaleChroma(100, 128), 114);  // (-28 x 128 >> 8) + 128
}

TEST(Kernels, FramesTheKernelsCannotServeAreRefused) {
  for (Layout layout : kLayouts) {
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(RowBytes(layout, 64));
    EXPECT_TRUE(FrameFits(layout, 64, 8, row, row));
    EXPECT_FALSE(FrameFits(layout, 62, 8, row, row)) << "width not a multiple of 4";
    EXPECT_FALSE(FrameFits(layout, 0, 8, row, row));
    EXPECT_FALSE(FrameFits(layout, -64, 8, row, row));
    EXPECT_FALSE(FrameFits(layout, 64, 7, row, row)) << "odd height";
    EXPECT_FALSE(FrameFits(layout, 64, 0, row, row));
    EXPECT_FALSE(FrameFits(layout, 64, -8, row, row));
    EXPECT_FALSE(FrameFits(layout, 64, 8, row - 1, row)) << "destination pitch below the row";
    EXPECT_FALSE(FrameFits(layout, 64, 8, row, row - 1)) << "source pitch below the row";
    EXPECT_FALSE(FrameFits(layout, 64, 8, -row, row));
    EXPECT_FALSE(FrameFits(layout, 64, 0x40000000, PTRDIFF_MAX / 4, row)) << "extent beyond the address space";
    EXPECT_FALSE(FrameFits(layout, 0x7ffffffc, 0x7ffffffe, PTRDIFF_MAX, PTRDIFF_MAX));
  }
  EXPECT_TRUE(FrameFits(Layout::kNv12, 4, 2, 4, 4));
  EXPECT_FALSE(FrameFits(Layout::kSideBySide, 4, 2, 4, 4)) << "side by side needs four rows";
  EXPECT_TRUE(FrameFits(Layout::kSideBySide, 4, 4, 4, 4));
}

TEST(Kernels, BestSetIsAFastSet) {
  const KernelTable& best = BestKernels();
  EXPECT_NE(best.id, KernelSetId::kPortable);
  EXPECT_EQ(&best, &BestKernels());
  EXPECT_EQ(best.id, Avx512Kernels() ? KernelSetId::kAvx512Vbmi : KernelSetId::kSse2);
}

}  // namespace
}  // namespace tl::frame

namespace tl::frame {
namespace {

// Random geometry with buffers cut exactly at the frame's last byte, so that the address
// sanitizer sees any read or write past a frame.
TEST(Kernels, RandomFramesStayInsideTheirBuffers) {
  std::mt19937 random(6);
  const Tables t = MakeTables(45, 170, 0.55f, 0.7f, 1);
  std::vector<const KernelTable*> sets = FastSets();
  sets.push_back(&PortableKernels());
  int checked = 0;
  for (int round = 0; round < 300; ++round) {
    const auto layout = static_cast<Layout>(random() % 4);
    const int w = 4 * static_cast<int>(1 + random() % 80);
    const int h = 2 * static_cast<int>((layout == Layout::kSideBySide ? 2 : 1) + random() % 9);
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(RowBytes(layout, w));
    const std::ptrdiff_t sp = row + static_cast<std::ptrdiff_t>(random() % 3 == 0 ? random() % 70 : 0);
    const std::ptrdiff_t dp = row + static_cast<std::ptrdiff_t>(random() % 3 == 0 ? random() % 70 : 0);
    const bool split = random() % 2 != 0;
    std::vector<std::uint8_t> src(static_cast<std::size_t>(FrameBytes(layout, w, h, sp)));
    for (auto& b : src) b = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> want(static_cast<std::size_t>(FrameBytes(layout, w, h, dp)));
    for (auto& b : want) b = static_cast<std::uint8_t>(random());
    const std::vector<std::uint8_t> initial = want;
    testing::ReferenceKernel(layout, split, want.data(), src.data(), t, w, h, dp, sp);
    for (const KernelTable* set : sets) {
      std::vector<std::uint8_t> dst = initial;
      set->Get(layout, Form::kPitched, split)(dst.data(), src.data(), t.lut1.data(), t.lut2.data(), w, h, dp, sp);
      EXPECT_EQ(dst, want) << set->name << " " << LayoutName(layout) << " " << w << "x" << h << " pitches " << dp
                           << "/" << sp << (split ? " split" : "");
      ++checked;
    }
  }
  EXPECT_GT(checked, 600);
}

}  // namespace
}  // namespace tl::frame
