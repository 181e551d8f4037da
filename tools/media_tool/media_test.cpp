#include <gtest/gtest.h>

#include "tools/media_tool/avi.h"
#include "tools/media_tool/test_card.h"

namespace tl::media {
namespace {

TEST(TestCard, DrawsRectanglesAndRampsClippedToThePicture) {
  Picture p;
  std::string error;
  ASSERT_TRUE(DrawCard("size 8 4 # a comment\nrect 6 0 10 10 1 2 3\nramp 0 1 5 1 0 0 0 255 128 4\n"
                       "ramp 0 2 4 1 0 0 0 255 255 255 2\n", p, error)) << error;
  EXPECT_EQ(p.at(0, 0), 0u);
  EXPECT_EQ(p.at(7, 3), 0x010203u);
  EXPECT_EQ(p.at(0, 1), 0x000000u);
  EXPECT_EQ(p.at(2, 1), 0x804002u);
  EXPECT_EQ(p.at(4, 1), 0xFF8004u);
  EXPECT_EQ(p.at(1, 2), 0x000000u);
  EXPECT_EQ(p.at(2, 2), 0xFFFFFFu);
}

TEST(TestCard, MalformedDefinitionsNameTheLine) {
  Picture p;
  std::string error;
  EXPECT_FALSE(DrawCard("rect 0 0 1 1 0 0 0\n", p, error));
  EXPECT_NE(error.find("line 1"), std::string::npos);
  for (const char* bad : {"size 4 4\nrect 0 0 1 1 0 0 256\n", "size 4 4\nrect 0 0 1 x 0 0 0\n", "size 4 4\ncircle 1\n",
                          "size 0 4\n", "size 4 4\nramp 0 0 4 4 0 0 0 1 1 1 1\n", "size 99999 2\n", ""}) {
    EXPECT_FALSE(DrawCard(bad, p, error)) << bad;
  }
}

TEST(Avi, FramesRoundTripInBothFormats) {
  Picture p{6, 4, std::vector<std::uint32_t>(24)};
  for (int i = 0; i < 24; ++i) p.pixels[i] = static_cast<std::uint32_t>(i * 0x0A0B0C);
  for (AviFormat format : {AviFormat::kRgb32, AviFormat::kYuy2}) {
    const AviStream stream{format, 6, 4, 25};
    const std::vector<std::vector<std::uint8_t>> frames = {EncodeFrame(stream, p), EncodeFrame(stream, Picture{6, 4, std::vector<std::uint32_t>(24, 0x808080)})};
    AviStream read;
    std::vector<std::vector<std::uint8_t>> back;
    ASSERT_TRUE(ReadAvi(WriteAvi(stream, frames), read, back));
    EXPECT_EQ(read.format, format);
    EXPECT_EQ(read.width, 6);
    EXPECT_EQ(read.height, 4);
    EXPECT_EQ(read.framesPerSecond, 25);
    EXPECT_EQ(back, frames);
  }
  // RGB32 rows are stored from the bottom.
  const auto rgb = EncodeFrame({AviFormat::kRgb32, 6, 4, 25}, p);
  EXPECT_EQ(rgb[0], p.at(0, 3) & 0xFF);
  // Greys are Y, 128, Y, 128 in video levels.
  const auto grey = ToYuy2(Picture{2, 1, {0xFFFFFF, 0x000000}});
  EXPECT_EQ(grey, (std::vector<std::uint8_t>{235, 128, 16, 128}));
  std::vector<std::vector<std::uint8_t>> none;
  AviStream s;
  EXPECT_FALSE(ReadAvi({'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'A', 'V', 'I', ' ', 'L', 'I', 'S', 'T', 0xFF, 0xFF, 0, 0}, s, none));
}

}  // namespace
}  // namespace tl::media
