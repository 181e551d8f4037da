// The preview's portable decisions: the ramp and its texels, the frame layout and constants, the
// open's rules, and the still-picture decoder's handling of damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "preview_player/core/media_open.h"
#include "preview_player/core/preview_ramp.h"
#include "preview_player/core/scene_layout.h"
#include "preview_player/core/still_picture.h"

namespace tl::preview {
namespace {

// Records the engine calls as text and prepares a given ramp.
class FakeEngine final : public RampEngine {
 public:
  void SetPanelTable(const char* path) override { calls += std::string("pct ") + path + ";"; }
  void SetToneTable(const char* path) override { calls += std::string("trc ") + path + ";"; }
  void SetColorTemperature(std::uint32_t k) override { calls += "temp " + std::to_string(k) + ";"; }
  void SetColorfulness(std::uint32_t r, std::uint32_t g, std::uint32_t b) override {
    calls += "colour " + std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b) + ";";
  }
  void SetMethod(std::int32_t m) override { calls += "method " + std::to_string(m) + ";"; }
  void SetGammaS(double v) override { calls += "gs " + std::to_string(v) + ";"; }
  void SetGammaV(double v) override { calls += "gv " + std::to_string(v) + ";"; }
  void Prepare(engine::RampTable& ramp) override {
    calls += "prepare;";
    ramp = prepared;
  }
  std::string calls;
  engine::RampTable prepared = engine::IdentityRamp();
};

TEST(PreviewRamp, NormalModeIsTheIdentityWithoutTheEngine) {
  FakeEngine engine;
  engine::RampTable ramp{};
  ComputePreviewRamp(&engine, "acf/panel.acf", kNormalMode, 6500, 1, 2, 3, ramp);
  EXPECT_TRUE(engine.calls.empty());
  for (int k = 0; k < 256; ++k) {
    EXPECT_EQ(ramp[k], k);
    EXPECT_EQ(ramp[512 + k], k);
  }
  EXPECT_EQ(RampTexelsOf(ramp), renderer::IdentityRampTexels());
  // No engine library at all: the identity too, never a black applied half.
  engine::RampTable none{};
  ComputePreviewRamp(nullptr, "acf/panel.acf", 2, -1, -1, -1, -1, none);
  EXPECT_EQ(RampTexelsOf(none), renderer::IdentityRampTexels());
}

TEST(PreviewRamp, DrivesTheEngineInOrderAndReducesSixteenBitRamps) {
  FakeEngine engine;
  engine::RampTable ramp{};
  ComputePreviewRamp(&engine, "acf/panel.acf", 2, 0x12345678, 7, 8, 0x10009, ramp);
  EXPECT_EQ(engine.calls,
            "pct acf/panel.acf;trc atf/Mode2.atf;temp 22136;colour 7 8 9;method 1;colour 3 3 3;gs 0.500000;gv 1.400000;"
            "prepare;");
  EXPECT_EQ(ramp[255], 255);  // 65535 >> 8
  EXPECT_EQ(ramp[256 + 128], 128);

  // -1 leaves temperature and colourfulness to the engine; any one -1 skips the colourfulness.
  engine.calls.clear();
  ComputePreviewRamp(&engine, "p", 4, -1, 5, -1, 5, ramp);
  EXPECT_EQ(engine.calls, "pct p;trc atf/Mode4.atf;method 1;colour 3 3 3;gs 0.500000;gv 1.400000;prepare;");
}

TEST(PreviewRamp, OnlyRedEntry255DecidesTheShiftAndTexelsNeverWrap) {
  FakeEngine engine;
  for (int k = 0; k < 768; ++k) engine.prepared[k] = static_cast<std::uint16_t>(k % 256);
  engine.prepared[255] = 256;      // not above 256: taken as 8-bit values
  engine.prepared[512 + 10] = 300;  // a stray large entry
  engine::RampTable ramp{};
  ComputePreviewRamp(&engine, "p", 1, -1, -1, -1, -1, ramp);
  EXPECT_EQ(ramp[255], 256);
  const renderer::RampTexels texels = RampTexelsOf(ramp);
  EXPECT_EQ(texels[255] >> 16, 255u);  // limited, not the low byte 0
  EXPECT_EQ(texels[10] & 0xFF, 255u);
  EXPECT_EQ(texels[7], 0x070707u);

  engine.prepared[255] = 257;
  ComputePreviewRamp(&engine, "p", 1, -1, -1, -1, -1, ramp);
  EXPECT_EQ(ramp[255], 1);
  EXPECT_EQ(ramp[512 + 10], 1);  // every channel shifted
  EXPECT_EQ(ramp[100], 0);
}

TEST(SceneLayout, WindowedHalvesOfAnOddBackBuffer) {
  const FrameLayout layout = LayoutFrame(false, 641, 480);
  EXPECT_EQ(layout.plain.x, 0);
  EXPECT_EQ(layout.plain.width, 320);
  EXPECT_EQ(layout.applied.x, 320);
  EXPECT_EQ(layout.applied.width, 320);
  EXPECT_EQ(layout.plain.height, 480);
  EXPECT_EQ(layout.plainQuad, kWholeFrame);
  EXPECT_EQ(layout.appliedQuad, kWholeFrame);
  EXPECT_FALSE(layout.labels);
  const SplitPresent present = SplitPresentRects(641, 480);
  EXPECT_EQ(present.normal.left, 0);
  EXPECT_EQ(present.normal.right, 320);
  EXPECT_EQ(present.applied.left, 320);
  EXPECT_EQ(present.applied.right, 641);
  EXPECT_EQ(present.applied.bottom, 480);
}

TEST(SceneLayout, FullScreenDrawsThePlainHalfOnePixelWiderWithLabels) {
  const FrameLayout layout = LayoutFrame(true, 1024, 768);
  EXPECT_EQ(layout.plain.width, 513);
  EXPECT_EQ(layout.plainQuad, kLeftHalf);
  EXPECT_EQ(layout.applied.x, 512);
  EXPECT_EQ(layout.applied.width, 512);
  EXPECT_EQ(layout.appliedQuad, kRightHalf);
  EXPECT_TRUE(layout.labels);
  EXPECT_EQ(layout.normalLabel.x, 50);
  EXPECT_EQ(layout.appliedLabel.x, 562);
  EXPECT_EQ(layout.appliedLabel.y, 50);
  EXPECT_EQ(PackColour(kLabelColour), 0x80FFFFFFu);
  EXPECT_EQ(PackColour({-1.0f, 2.0f, 0.1f, 0.0f}), 0x0000FF1Au);
}

TEST(SceneLayout, QuadsTakeTheSourceExtent) {
  auto quads = SceneQuads(1.0f, 1.0f);
  EXPECT_EQ(quads[kWholeFrame][3].u, 1.0f);
  EXPECT_EQ(quads[kLeftHalf][2].u, 0.5f);
  EXPECT_EQ(quads[kRightHalf][0].u, 0.5f);
  EXPECT_EQ(quads[kQ0][0].y, -1.0f);
  quads = SceneQuads(0.5f, 0.75f);
  EXPECT_EQ(quads[kWholeFrame][3].u, 0.5f);
  EXPECT_EQ(quads[kWholeFrame][3].v, 0.75f);
  EXPECT_EQ(quads[kLeftHalf][2].u, 0.25f);
  EXPECT_EQ(quads[kRightHalf][1].u, 0.25f);
  EXPECT_EQ(quads[kQ0][2].x, 0.0f);
  EXPECT_EQ(quads[kQ0][0].y, -0.5f);
  for (const Quad& q : quads) {
    for (const QuadVertex& v : q) {
      EXPECT_EQ(v.z, 1.0f);
      EXPECT_EQ(v.w, 1.0f);
    }
  }
}

TEST(SceneLayout, ConstantsOfTheWorkedExample) {
  SceneConstants c;
  SetAvs(c, 40, 185, 0.125f, 0.5f);
  EXPECT_FLOAT_EQ(c.constant[0], 71.25f);
  EXPECT_FLOAT_EQ(c.constant[1], 0.125f);
  EXPECT_FLOAT_EQ(c.constant[2], 112.5f);
  EXPECT_NEAR(c.constant[3], 0.394558, 1e-6);
  EXPECT_EQ(c.constant2[0], 0.5f);
  SetCnf(c, 0.5f, 1.95f);
  EXPECT_EQ(c.constant2[1], 0.0f);
  EXPECT_EQ(c.constant2[2], 4.0f);
  EXPECT_EQ(c.constant2[3], 1.95f);
  // The control panel's strength form: low = (1 - s) 20 + 20, k1 = s / 4, k2 = s.
  SetAvs(c, 30, 185, 0.125f, 0.5f);
  EXPECT_FLOAT_EQ(c.constant[2], 107.5f);
  // Extreme integers do not overflow (the sum is formed in floating point).
  SetAvs(c, 2147483647, 2147483647, 0, 0);
  EXPECT_GT(c.constant[2], 2e9f);
}

TEST(MediaOpen, PicturesByExtensionInAnyCase) {
  EXPECT_EQ(KindOfPath(L"C:\\x\\card.JPG"), MediaKind::kImage);
  EXPECT_EQ(KindOfPath(L"card.jpeg"), MediaKind::kImage);
  EXPECT_EQ(KindOfPath(L"photo.Bmp"), MediaKind::kImage);
  EXPECT_EQ(KindOfPath(L"picture.png"), MediaKind::kOther);
  EXPECT_EQ(KindOfPath(L"movie.wmv"), MediaKind::kOther);
  EXPECT_EQ(KindOfPath(L"C:\\x.jpg\\movie"), MediaKind::kOther);
  EXPECT_EQ(KindOfPath(L"jpg"), MediaKind::kOther);
  EXPECT_TRUE(IsJpegPath(L"a.JPEG"));
  EXPECT_FALSE(IsJpegPath(L"a.bmp"));
}

TEST(MediaOpen, OnlyPicturesLargeInBothDirectionsAreRefused) {
  EXPECT_FALSE(PictureTooLarge({2048, 1024}));
  EXPECT_TRUE(PictureTooLarge({2049, 1025}));
  EXPECT_FALSE(PictureTooLarge({3000, 600}));
  EXPECT_FALSE(PictureTooLarge({4000, 1000}));
  EXPECT_FALSE(PictureTooLarge({600, 3000}));
  std::vector<std::uint8_t> header(26);
  header[18] = 0x01;
  header[19] = 0x08;  // 2049
  header[22] = 0xFF;
  header[23] = 0xFF;
  header[24] = 0xFF;
  header[25] = 0xFF;  // -1: a top-down bitmap
  const auto size = BmpHeaderSize(header);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 2049);
  EXPECT_EQ(size->height, -1);
  EXPECT_FALSE(BmpHeaderSize(std::span(header).first(25)));
}

std::vector<std::uint8_t> EncodeJpeg(int width, int height, unsigned seed) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(width * 3);
  std::mt19937 random(seed);
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < width * 3; ++x) row[x] = static_cast<JSAMPLE>(x < width * 3 / 2 ? 200 : random() % 256);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

TEST(StillPicture, JpegDecodesAndItsHeaderGivesTheSize) {
  const auto jpeg = EncodeJpeg(320, 200, 1);
  skin::Pixels picture;
  std::string error;
  ASSERT_TRUE(DecodePicture(true, jpeg, picture, &error)) << error;
  EXPECT_EQ(picture.width, 320);
  EXPECT_EQ(picture.height, 200);
  EXPECT_NEAR(static_cast<int>(picture.At(10, 10) & 0xFF), 200, 2);
  EXPECT_EQ(picture.At(10, 10) >> 24, 0u);

  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(jpeg.data(), 1, jpeg.size(), file);
  std::rewind(file);
  const auto size = ReadJpegHeader(file);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 320);
  EXPECT_EQ(size->height, 200);
  std::fclose(file);

  // A header cut short, and a file that is not a JPEG at all.
  for (size_t keep : {size_t{0}, size_t{2}, size_t{40}}) {
    std::FILE* cut = std::tmpfile();
    std::fwrite(jpeg.data(), 1, keep, cut);
    std::rewind(cut);
    EXPECT_FALSE(ReadJpegHeader(cut)) << keep;
    std::fclose(cut);
  }
}

TEST(StillPicture, TruncatedAndCorruptJpegsFailWithoutEndingTheProcess) {
  const auto jpeg = EncodeJpeg(96, 64, 2);
  skin::Pixels picture;
  std::string error;
  for (size_t keep = 0; keep < jpeg.size(); keep += 7) {
    EXPECT_FALSE(DecodeJpeg(std::span(jpeg).first(keep), picture, &error)) << keep;
  }
  EXPECT_FALSE(error.empty());
  std::mt19937 random(3);
  int refused = 0;
  for (int round = 0; round < 400; ++round) {
    auto damaged = jpeg;
    for (int flips = 0; flips < 4; ++flips) damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
    skin::Pixels out;
    if (!DecodeJpeg(damaged, out, &error)) {
      ++refused;
    } else {
      EXPECT_EQ(out.data.size(), static_cast<size_t>(out.width) * out.height);
    }
  }
  EXPECT_GT(refused, 0);
  // A frame header claiming 60000 x 60000 is refused before any pixel memory is taken.
  auto huge = jpeg;
  for (size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0xEA;
      huge[i + 6] = 0x60;
      huge[i + 7] = 0xEA;
      huge[i + 8] = 0x60;
      break;
    }
  }
  EXPECT_FALSE(DecodeJpeg(huge, picture, &error));
}

TEST(StillPicture, BitmapsThroughTheCheckedReader) {
  skin::Pixels source{3, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x000000}};
  const auto bmp = skin::EncodeBmp24(source);
  skin::Pixels picture;
  std::string error;
  ASSERT_TRUE(DecodePicture(false, bmp, picture, &error));
  EXPECT_EQ(picture.data, source.data);
  EXPECT_FALSE(DecodePicture(false, std::span(bmp).first(bmp.size() - 1), picture, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tl::preview
