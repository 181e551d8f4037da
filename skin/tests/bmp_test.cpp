#include "skin/core/bmp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace tl::skin {
namespace {

Pixels Gradient(int32_t w, int32_t h) {
  Pixels p;
  p.width = w;
  p.height = h;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      p.data.push_back(uint32_t((x * 37) & 0xFF) << 16 | uint32_t((y * 53) & 0xFF) << 8 |
                       uint32_t((x + y) & 0xFF));
  return p;
}

void Put(std::vector<uint8_t>& v, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) v[at + i] = uint8_t(value >> (8 * i));
}

// An info-header BMP with free choice of depth, palette, row order and compression; the pixel
// rows are filled by `pixel` (index or packed value per pixel).
struct Builder {
  int32_t width = 4;
  int32_t height = 3;
  uint16_t bpp = 8;
  bool topDown = false;
  uint32_t compression = 0;
  std::vector<uint32_t> palette;
  std::vector<uint32_t> masks;

  std::vector<uint8_t> Build(uint32_t (*pixel)(int32_t, int32_t)) const {
    const uint32_t stride = ((uint32_t(width) * bpp + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + uint32_t(masks.size()) * 4 + uint32_t(palette.size()) * 4;
    std::vector<uint8_t> v(offset + stride * uint32_t(height), 0);
    v[0] = 'B', v[1] = 'M';
    Put(v, 2, uint32_t(v.size()), 4);
    Put(v, 10, offset, 4);
    Put(v, 14, 40, 4);
    Put(v, 18, uint32_t(width), 4);
    Put(v, 22, uint32_t(topDown ? -height : height), 4);
    Put(v, 26, 1, 2);
    Put(v, 28, bpp, 2);
    Put(v, 30, compression, 4);
    Put(v, 46, uint32_t(palette.size()), 4);
    size_t at = 54;
    for (uint32_t m : masks) Put(v, at, m, 4), at += 4;
    for (uint32_t c : palette) Put(v, at, c, 4), at += 4;
    for (int32_t y = 0; y < height; ++y) {
      const int32_t fileRow = topDown ? y : height - 1 - y;
      uint8_t* row = v.data() + offset + stride * uint32_t(fileRow);
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t value = pixel(x, y);
        if (bpp < 8) {
          const int bit = x * bpp;
          row[bit / 8] |= uint8_t(value << (8 - bpp - bit % 8));
        } else {
          for (int i = 0; i < bpp / 8; ++i) row[x * (bpp / 8) + i] = uint8_t(value >> (8 * i));
        }
      }
    }
    return v;
  }
};

TEST(Bmp, CoreAndInfoHeadersGiveTheSamePicture) {
  const Pixels picture = Gradient(13, 7);
  Pixels fromInfo, fromCore;
  BmpLayout core;
  ASSERT_TRUE(DecodeBmp(EncodeBmp24(picture, false), fromInfo));
  ASSERT_TRUE(DecodeBmp(EncodeBmp24(picture, true), fromCore));
  ASSERT_TRUE(ReadBmpLayout(EncodeBmp24(picture, true), core));
  EXPECT_EQ(core.headerSize, 12u);
  EXPECT_EQ(fromInfo.width, 13);
  EXPECT_EQ(fromInfo.height, 7);
  EXPECT_EQ(fromCore.width, fromInfo.width);
  EXPECT_EQ(fromCore.height, fromInfo.height);
  EXPECT_EQ(fromCore.data, picture.data);
  EXPECT_EQ(fromInfo.data, picture.data);
}

TEST(Bmp, RectangleIsCountedFromTheTop) {
  const Pixels picture = Gradient(9, 6);
  const auto file = EncodeBmp24(picture);
  Pixels whole, full, part;
  ASSERT_TRUE(DecodeBmp(file, whole));
  ASSERT_TRUE(DecodeBmpRect(file, 0, 0, 9, 6, full));
  EXPECT_EQ(full.data, whole.data);

  ASSERT_TRUE(DecodeBmpRect(file, 2, 1, 3, 2, part));
  ASSERT_EQ(part.width, 3);
  ASSERT_EQ(part.height, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(part.At(x, y), picture.At(x + 2, y + 1));
}

TEST(Bmp, RectangleOutsideThePictureOrEmptyFails) {
  const auto file = EncodeBmp24(Gradient(9, 6));
  Pixels out;
  EXPECT_FALSE(DecodeBmpRect(file, 7, 0, 3, 2, out));
  EXPECT_FALSE(DecodeBmpRect(file, 0, 5, 1, 2, out));
  EXPECT_FALSE(DecodeBmpRect(file, -1, 0, 1, 1, out));
  EXPECT_FALSE(DecodeBmpRect(file, 0, 0, 0, 1, out));
  EXPECT_FALSE(DecodeBmpRect(file, 0x7FFFFFFF, 0, 0x7FFFFFFF, 1, out));
  EXPECT_TRUE(out.data.empty());
}

TEST(Bmp, TopDownAndBottomUpRowsGiveTheSamePicture) {
  Builder b;
  b.bpp = 24;
  auto px = [](int32_t x, int32_t y) -> uint32_t { return uint32_t(x * 10 + y) * 0x010203u & 0xFFFFFF; };
  Pixels up, down;
  ASSERT_TRUE(DecodeBmp(b.Build(px), up));
  b.topDown = true;
  ASSERT_TRUE(DecodeBmp(b.Build(px), down));
  EXPECT_EQ(up.data, down.data);
  EXPECT_EQ(up.At(3, 2), px(3, 2));
}

TEST(Bmp, PalettedPicturesLookTheirColoursUp) {
  Builder b;
  b.bpp = 8;
  b.palette = {0x000000, 0xFF00FF, 0x123456};
  Pixels out;
  ASSERT_TRUE(DecodeBmp(b.Build([](int32_t x, int32_t y) -> uint32_t { return uint32_t(x + y) % 4; }), out));
  EXPECT_EQ(out.At(0, 0), 0x000000u);
  EXPECT_EQ(out.At(1, 0), 0xFF00FFu);
  EXPECT_EQ(out.At(2, 0), 0x123456u);
  EXPECT_EQ(out.At(3, 0), 0u) << "an index beyond the palette is black";

  b.bpp = 4;
  b.width = 5;
  ASSERT_TRUE(DecodeBmp(b.Build([](int32_t x, int32_t) -> uint32_t { return uint32_t(x % 3); }), out));
  EXPECT_EQ(out.At(4, 1), 0xFF00FFu);

  b.bpp = 1;
  b.width = 11;
  b.palette = {0x0000FF, 0x00FF00};
  ASSERT_TRUE(DecodeBmp(b.Build([](int32_t x, int32_t) -> uint32_t { return uint32_t(x & 1); }), out));
  EXPECT_EQ(out.At(9, 2), 0x00FF00u);
  EXPECT_EQ(out.At(10, 2), 0x0000FFu);
}

TEST(Bmp, SixteenAndThirtyTwoBitsWithAndWithoutMasks) {
  Builder b;
  b.bpp = 16;
  Pixels out;
  ASSERT_TRUE(DecodeBmp(b.Build([](int32_t, int32_t) -> uint32_t { return 0x7C00; }), out));
  EXPECT_EQ(out.At(0, 0), 0xFF0000u);
  b.compression = 3;
  b.masks = {0xF800, 0x07E0, 0x001F};
  ASSERT_TRUE(DecodeBmp(b.Build([](int32_t, int32_t) -> uint32_t { return 0x07E0; }), out));
  EXPECT_EQ(out.At(1, 1), 0x00FF00u);
  b.bpp = 32;
  b.masks = {0xFF, 0xFF00, 0xFF0000};
  ASSERT_TRUE(DecodeBmp(b.Build([](int32_t, int32_t) -> uint32_t { return 0x00332211; }), out));
  EXPECT_EQ(out.At(2, 2), 0x112233u);
}

TEST(Bmp, HostileHeadersFailWithoutReadingOutside) {
  const auto good = EncodeBmp24(Gradient(8, 8));
  Pixels out;
  auto fails = [&](std::vector<uint8_t> file) {
    // Copy into an exactly sized buffer so that ASan sees any read past its end.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
    if (!file.empty()) std::memcpy(exact.get(), file.data(), file.size());
    return !DecodeBmp(std::span<const uint8_t>(exact.get(), file.size()), out);
  };
  EXPECT_TRUE(fails({}));
  EXPECT_TRUE(fails({'B', 'M'}));
  EXPECT_TRUE(fails(std::vector<uint8_t>(good.begin(), good.begin() + 30)));
  EXPECT_TRUE(fails(std::vector<uint8_t>(good.begin(), good.end() - 1))) << "truncated pixel data";
  auto with = [&](size_t at, uint32_t value, int bytes) {
    auto f = good;
    Put(f, at, value, bytes);
    return f;
  };
  EXPECT_TRUE(fails(with(0, 'P' | 'K' << 8, 2))) << "not a BMP";
  EXPECT_TRUE(fails(with(18, 100000, 4))) << "claims more pixels than it holds";
  EXPECT_TRUE(fails(with(22, 0x80000000u, 4)));
  EXPECT_TRUE(fails(with(18, 0xFFFFFFF8u, 4))) << "negative width";
  EXPECT_TRUE(fails(with(10, 0xFFFFFF00u, 4))) << "pixel offset past the end";
  EXPECT_TRUE(fails(with(14, 2000, 4))) << "header larger than the file";
  EXPECT_TRUE(fails(with(14, 20, 4))) << "unknown header kind";
  EXPECT_TRUE(fails(with(28, 7, 2))) << "unsupported depth";
  EXPECT_TRUE(fails(with(30, 1, 4))) << "run-length compression is not read";
  EXPECT_TRUE(fails(with(26, 2, 2))) << "planes";

  // A palette that would lie past the pixel offset.
  Builder b;
  b.palette = {0x1, 0x2};
  auto paletted = b.Build([](int32_t, int32_t) -> uint32_t { return 0; });
  Put(paletted, 10, 54, 4);
  EXPECT_TRUE(fails(paletted));
  EXPECT_EQ(out.width, 0) << "failures leave the output untouched";
}

// Random mutations of valid files of every kind: nothing may crash or read outside the data
// (ASan), and whatever decodes must be consistent.
TEST(Bmp, MutationFuzzRunsClean) {
  std::vector<std::vector<uint8_t>> seeds = {EncodeBmp24(Gradient(7, 5)),
                                             EncodeBmp24(Gradient(3, 9), true)};
  for (uint16_t bpp : {1, 4, 8, 16, 32}) {
    Builder b;
    b.bpp = bpp;
    b.width = 6;
    if (bpp <= 8) b.palette = {0x10, 0x20, 0x30, 0x40};
    if (bpp >= 16) b.compression = 3, b.masks = {0xF00, 0xF0, 0xF};
    seeds.push_back(b.Build([](int32_t x, int32_t y) -> uint32_t { return uint32_t(x * 7 + y); }));
  }
  std::mt19937 rng(20261207);
  constexpr int kInputs = 200000;
  int decoded = 0;
  for (int i = 0; i < kInputs; ++i) {
    std::vector<uint8_t> f = seeds[rng() % seeds.size()];
    const int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits; ++e) {
      switch (rng() % 5) {
        case 0:
          if (!f.empty()) f[rng() % f.size()] = uint8_t(rng());
          break;
        case 1:  // a header field set to an extreme
          if (f.size() >= 54) Put(f, 2 + (rng() % 13) * 4, rng() % 2 ? 0xFFFFFFFFu : rng(), 4);
          break;
        case 2:
          f.resize(rng() % (f.size() + 1));
          break;
        case 3:
          f.resize(f.size() + rng() % 64, uint8_t(rng()));
          break;
        default:
          if (f.size() > 20) f[10 + rng() % 10] ^= uint8_t(1u << (rng() % 8));
      }
    }
    std::unique_ptr<uint8_t[]> exact(new uint8_t[f.size() + 1]);
    if (!f.empty()) std::memcpy(exact.get(), f.data(), f.size());
    const std::span<const uint8_t> data(exact.get(), f.size());
    Pixels out;
    if (DecodeBmp(data, out)) {
      ++decoded;
      ASSERT_EQ(out.data.size(), size_t(out.width) * size_t(out.height));
      Pixels part;
      if (out.width > 1 && out.height > 1) {
        ASSERT_TRUE(DecodeBmpRect(data, 1, 1, out.width - 1, out.height - 1, part));
        ASSERT_EQ(part.At(0, 0), out.At(1, 1));
      }
    }
  }
  RecordProperty("inputs", kInputs);
  RecordProperty("decoded", decoded);
  EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace tl::skin
