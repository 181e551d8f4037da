// The renderer's portable rules: formats it takes, the quads and the letterbox, the tray
// dialog's tuning rules, the frame copy.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "renderer_filter/core/frame_copy.h"
#include "renderer_filter/core/quad_geometry.h"
#include "renderer_filter/core/tray_model.h"
#include "renderer_filter/core/video_format.h"

namespace tl::renderer {
namespace {

// A format block of the given kind with a picture header (and AvgTimePerFrame 333667).
std::vector<uint8_t> Block(FormatBlock kind, int32_t width, int32_t height, uint16_t bitCount) {
  const std::size_t offset = kind == FormatBlock::kVideoInfo2 ? kVideoInfo2HeaderOffset : kVideoInfoHeaderOffset;
  std::vector<uint8_t> block(offset + kBitmapInfoHeaderSize, 0);
  const int64_t frameTime = 333667;
  std::memcpy(&block[kAverageTimePerFrameOffset], &frameTime, 8);
  const uint32_t size = 40;
  std::memcpy(&block[offset], &size, 4);
  std::memcpy(&block[offset + 4], &width, 4);
  std::memcpy(&block[offset + 8], &height, 4);
  std::memcpy(&block[offset + 14], &bitCount, 2);
  return block;
}

TEST(VideoFormat, AcceptsYuy2At16AndRgb32Argb32At32Only) {
  const auto yuy2 = AcceptFormat(Subtype::kYuy2, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, 640, 480, 16));
  ASSERT_TRUE(yuy2);
  EXPECT_EQ(yuy2->kind, InputKind::kYuy2);
  EXPECT_TRUE(yuy2->topDown);
  const auto rgb = AcceptFormat(Subtype::kRgb32, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, 640, 480, 32));
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->kind, InputKind::kRgb32);
  EXPECT_FALSE(rgb->topDown);
  const auto argb = AcceptFormat(Subtype::kArgb32, FormatBlock::kVideoInfo2, Block(FormatBlock::kVideoInfo2, 64, 48, 32));
  ASSERT_TRUE(argb);
  EXPECT_EQ(argb->kind, InputKind::kArgb32);
  EXPECT_EQ(argb->width, 64);

  // Refused: YUY2 at other depths, RGB32 at 24 bits, other subtypes (RGB24, RGB565...), other
  // format blocks, short blocks.
  EXPECT_FALSE(AcceptFormat(Subtype::kYuy2, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, 640, 480, 32)));
  EXPECT_FALSE(AcceptFormat(Subtype::kYuy2, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, 640, 480, 12)));
  EXPECT_FALSE(AcceptFormat(Subtype::kRgb32, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, 640, 480, 24)));
  EXPECT_FALSE(AcceptFormat(Subtype::kOther, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, 640, 480, 24)));
  EXPECT_FALSE(AcceptFormat(Subtype::kRgb32, FormatBlock::kOther, Block(FormatBlock::kVideoInfo, 640, 480, 32)));
  auto shortBlock = Block(FormatBlock::kVideoInfo, 640, 480, 32);
  shortBlock.pop_back();
  EXPECT_FALSE(AcceptFormat(Subtype::kRgb32, FormatBlock::kVideoInfo, shortBlock));
  // A VIDEOINFOHEADER2 block read as VIDEOINFOHEADER finds no sensible header: refused.
  EXPECT_FALSE(AcceptFormat(Subtype::kRgb32, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo2, 640, 480, 32)));
}

TEST(VideoFormat, PictureSizesOutsideTheRangeAreRefused) {
  for (auto [w, h] : {std::pair{0, 480}, {-640, 480}, {640, 0}, {8193, 480}, {640, 8193}, {640, INT32_MIN}})
    EXPECT_FALSE(AcceptFormat(Subtype::kRgb32, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, w, h, 32)))
        << w << " x " << h;
  // A negative height is a top-down RGB picture: accepted, rows counted positive, not flipped.
  const auto topDown = AcceptFormat(Subtype::kRgb32, FormatBlock::kVideoInfo, Block(FormatBlock::kVideoInfo, 64, -48, 32));
  ASSERT_TRUE(topDown);
  EXPECT_EQ(topDown->height, 48);
  EXPECT_TRUE(topDown->topDown);
}

TEST(VideoFormat, HeaderMoveStridesAndBufferSizes) {
  const auto info2 = Block(FormatBlock::kVideoInfo2, 720, 576, 16);
  const auto moved = WithHeaderAtVideoInfoPlace(FormatBlock::kVideoInfo2, info2);
  ASSERT_EQ(moved.size(), info2.size());
  const auto read = ReadPictureHeader(FormatBlock::kVideoInfo, moved);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->width, 720);
  EXPECT_EQ(read->height, 576);
  EXPECT_EQ(read->bitCount, 16);
  EXPECT_EQ(read->averageTimePerFrame, 333667);
  // Width at byte 52, height at 56, bit count at 62.
  int32_t width;
  std::memcpy(&width, &moved[52], 4);
  EXPECT_EQ(width, 720);
  const auto info = Block(FormatBlock::kVideoInfo, 720, 576, 16);
  EXPECT_EQ(WithHeaderAtVideoInfoPlace(FormatBlock::kVideoInfo, info), info);

  EXPECT_EQ(RowStride(641, 16), 1284u);
  EXPECT_EQ(RowStride(640, 16), 1280u);
  EXPECT_EQ(RowStride(641, 32), 2564u);
  EXPECT_EQ(RowStride(641, 24), 1923u);
  EXPECT_EQ(RowStride(641, 8), 0u);
  EXPECT_EQ(FrameBufferSize({1920, 1080, 16, 0}), 1920u * 1080 * 2);
  EXPECT_EQ(FrameBufferSize({1920, -1080, 32, 0}), 1920u * 1080 * 4);
  EXPECT_EQ(FrameBufferSize({0, 0, 32, 0}), 1u);
}

TEST(QuadGeometry, QuadsAndOrientation) {
  const Quads yuy2 = InitialQuads(true);
  EXPECT_EQ(yuy2.full[0].v, 0.0f);
  EXPECT_EQ(yuy2.full[2].v, 1.0f);
  EXPECT_EQ(yuy2.left[1].x, 0.0f);
  EXPECT_EQ(yuy2.left[1].u, 0.5f);
  EXPECT_EQ(yuy2.right[0].u, 0.5f);
  EXPECT_EQ(yuy2.right[3].x, 1.0f);
  const Quads rgb = InitialQuads(false);
  for (const Quad* quad : {&rgb.full, &rgb.left, &rgb.right}) {
    EXPECT_EQ((*quad)[0].v, 1.0f);
    EXPECT_EQ((*quad)[1].v, 1.0f);
    EXPECT_EQ((*quad)[2].v, 0.0f);
    EXPECT_EQ((*quad)[3].v, 0.0f);
  }
}

TEST(QuadGeometry, Letterbox) {
  // The worked example: 720 x 480 in 1024 x 600.
  LetterboxResult r = ComputeLetterboxQuad(kAspectLetterBox, 720, 480, 1024, 600);
  ASSERT_TRUE(r.changed);
  EXPECT_FLOAT_EQ(r.bounds.left, -0.87890625f);
  EXPECT_FLOAT_EQ(r.bounds.right, 0.87890625f);
  EXPECT_FLOAT_EQ(r.bounds.top, 1.0f);
  EXPECT_FLOAT_EQ(r.bounds.bottom, -1.0f);
  // A destination of exactly the video size: the whole of it.
  r = ComputeLetterboxQuad(kAspectLetterBox, 720, 480, 720, 480);
  EXPECT_FLOAT_EQ(r.bounds.left, -1.0f);
  EXPECT_FLOAT_EQ(r.bounds.right, 1.0f);
  EXPECT_FLOAT_EQ(r.bounds.top, 1.0f);
  // Wide video in a 4:3 destination: bars above and below, proportions kept (1920 x 1080 in
  // 800 x 600 is 800 x 450).
  r = ComputeLetterboxQuad(kAspectLetterBox, 1920, 1080, 800, 600);
  EXPECT_FLOAT_EQ(r.bounds.right, 1.0f);
  EXPECT_FLOAT_EQ(r.bounds.top, 0.75f);
  EXPECT_FLOAT_EQ(r.bounds.bottom, -0.75f);
  // Other modes stretch; nothing happens without sizes.
  r = ComputeLetterboxQuad(0, 720, 480, 1024, 600);
  EXPECT_TRUE(r.changed);
  EXPECT_FLOAT_EQ(r.bounds.left, -1.0f);
  EXPECT_FLOAT_EQ(r.bounds.top, 1.0f);
  EXPECT_FALSE(ComputeLetterboxQuad(kAspectLetterBox, 0, 480, 1024, 600).changed);
  EXPECT_FALSE(ComputeLetterboxQuad(kAspectLetterBox, 720, 480, 0, 600).changed);

  Quad quad = InitialQuads(false).full;
  ApplyBounds(quad, {-0.5f, 0.5f, 0.25f, -0.25f});
  EXPECT_EQ(quad[0].x, -0.5f);
  EXPECT_EQ(quad[1].x, 0.5f);
  EXPECT_EQ(quad[2].y, -0.25f);
  EXPECT_EQ(quad[3].v, 0.0f);  // texture coordinates stay
}

TEST(TrayModel, StrengthSliderAndDefault) {
  Tuning tuning;
  ApplyStrengthPosition(tuning, 100);
  EXPECT_EQ(tuning.strength, 1.0);
  EXPECT_EQ(tuning.lowPoint, 20);
  ApplyStrengthPosition(tuning, 0);
  EXPECT_EQ(tuning.strength, 0.0);
  EXPECT_EQ(tuning.lowPoint, 40);
  TrayDialogModel model(tuning);
  EXPECT_EQ(model.Default(tuning), 50);
  EXPECT_EQ(tuning.strength, 0.5);
  EXPECT_EQ(tuning.lowPoint, 30);
}

TEST(TrayModel, CancelRestoresTheLastApply) {
  Tuning tuning;
  tuning.strength = 0.75;
  tuning.lowPoint = 50;
  TrayDialogModel model(tuning);
  EXPECT_EQ(model.restoreStrengthPercent(), 75);
  EXPECT_EQ(model.restoreLowPoint(), 50);
  ApplyStrengthPosition(tuning, 10);
  // Cancel without Apply: the values at creation, through the slider rule.
  EXPECT_EQ(model.Cancel(tuning), 75);
  EXPECT_EQ(tuning.strength, 0.75);
  EXPECT_EQ(tuning.lowPoint, 25);
  ApplyStrengthPosition(tuning, 90);
  model.Apply(tuning);
  ApplyStrengthPosition(tuning, 20);
  EXPECT_EQ(model.Cancel(tuning), 90);
  EXPECT_EQ(tuning.lowPoint, 22);
}

TEST(TrayModel, DynamicTonesAndOutdoorLevels) {
  Tuning tuning;
  TrayDialogModel model(tuning);
  const int lows[] = {40, 35, 30, 25, 40};
  const double strengths[] = {0.9, 1.15, 1.4, 1.65, 0.9};
  for (int i = 0; i < 5; ++i) {
    model.DynamicTone(3, tuning);
    EXPECT_EQ(tuning.lowPoint, lows[i]);
    EXPECT_DOUBLE_EQ(tuning.strength, strengths[i]);
    EXPECT_EQ(tuning.highPoint, 185);
    EXPECT_EQ(tuning.movie, 3);
  }
  model.DynamicTone(2, tuning);
  EXPECT_EQ(tuning.highPoint, 250);
  EXPECT_EQ(tuning.lowPoint, 80);
  EXPECT_EQ(tuning.strength, 0.4);
  EXPECT_EQ(model.outdoorLevel(), 1);  // only OutDoor advances the level
  model.DynamicTone(4, tuning);
  EXPECT_EQ(tuning.highPoint, 160);
  model.DynamicTone(1, tuning);
  EXPECT_EQ(tuning.lowPoint, 65);
  EXPECT_EQ(tuning.noise, 0.5);

  EXPECT_EQ(ColorToneTable(1025), 1);
  EXPECT_EQ(ColorToneTable(1028), 4);
  EXPECT_FALSE(ColorToneTable(1029));
}

TEST(TrayModel, MarkingTheSelection) {
  Tuning tuning;
  tuning.colorTone = 2;
  tuning.movie = 1;
  TrayDialogModel model(tuning);
  auto flags = model.MarkSelection(4, 3);
  ASSERT_EQ(flags.size(), 4u);
  EXPECT_EQ(flags[0].name, "ui_vivid");
  EXPECT_TRUE(flags[0].enabled);
  EXPECT_EQ(flags[1].name, "ui_default");
  EXPECT_TRUE(flags[1].enabled);
  EXPECT_EQ(flags[2].name, "ui_soft");
  EXPECT_FALSE(flags[2].enabled);
  EXPECT_EQ(flags[3].name, "ui_outdoor");
  EXPECT_FALSE(flags[3].enabled);
  // Out-of-range indexes leave their group's mark where it is.
  flags = model.MarkSelection(0, 9);
  ASSERT_EQ(flags.size(), 2u);
  EXPECT_EQ(model.colorTone(), 4);
  EXPECT_EQ(model.movie(), 3);
}

TEST(TrayModel, CaptureFileNameSaysPng) {
  EXPECT_EQ(CaptureFileName(2024, 5, 1, 9, 3, 7), L"Capture 2024-05-01 09-03-07.png");
}

TEST(FrameCopy, BulkAndRowCopiesForEveryRoutine) {
  for (CopyRoutine copy : {PlainCopy, BlockCopy64, StreamingCopy64, ChooseFrameCopy().copy}) {
    for (std::size_t stride : {4u, 60u, 64u, 1284u, 2564u}) {
      const std::size_t rows = 7;
      std::vector<uint8_t> frame(stride * rows);
      std::iota(frame.begin(), frame.end(), uint8_t(1));
      for (std::size_t pitch : {stride, stride + 12, stride + 64}) {
        // Aligned and unaligned destinations (the texture's rows need not be 16-byte aligned).
        for (std::size_t shift : {0u, 3u}) {
          std::vector<uint8_t> surface(pitch * rows + 80, 0xEE);
          uint8_t* base = surface.data() + 16 + shift;
          CopyFrame(copy, base, static_cast<std::ptrdiff_t>(pitch), frame.data(), stride, rows);
          for (std::size_t r = 0; r < rows; ++r) {
            ASSERT_EQ(std::memcmp(base + r * pitch, frame.data() + r * stride, stride), 0) << stride << " " << pitch;
            if (pitch > stride) {
              EXPECT_EQ(base[r * pitch + stride], 0xEE);
            }
          }
          EXPECT_EQ(base[-1], 0xEE);
        }
      }
    }
  }
  // A pitch smaller than the stride copies nothing.
  std::vector<uint8_t> frame(64, 1), surface(64, 0);
  CopyFrame(PlainCopy, surface.data(), 8, frame.data(), 16, 4);
  EXPECT_EQ(surface[0], 0);
}

}  // namespace
}  // namespace tl::renderer
