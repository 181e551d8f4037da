#include <gtest/gtest.h>

#include "skin/core/geometry.h"
#include "skin/core/names.h"

namespace tl::skin {
namespace {

struct Item : Information {
  int tag = 0;
};

std::unique_ptr<Item> MakeItem(const char* name, int tag) {
  auto item = std::make_unique<Item>();
  item->name = NameFromNarrow(name);
  item->tag = tag;
  return item;
}

TEST(Names, FirstMatchWinsAndUnknownResourceGivesTheFirstItem) {
  NamedList<Item> list;
  EXPECT_EQ(list.FindOrFirst(u"close"), nullptr) << "an empty list has nothing to give";
  list.Add(MakeItem("close_nor", 1));
  list.Add(MakeItem("close_push", 2));
  list.Add(MakeItem("close_push", 3));
  EXPECT_EQ(list[2].index, 2u);
  EXPECT_EQ(list.FindOrFirst(u"close_push")->tag, 2);
  EXPECT_EQ(list.FindOrFirst(u"close_pus")->tag, 1) << "a prefix is another name";
  EXPECT_EQ(list.FindOrFirst(u"Close_push")->tag, 1) << "names are case-sensitive";
  EXPECT_EQ(list.Find(u"ui_missing"), nullptr) << "controls: an unknown name gives none";
}

TEST(Names, NarrowNamesWidenByteForByte) {
  EXPECT_EQ(NameFromNarrow("ui_LCDTab"), u"ui_LCDTab");
  EXPECT_EQ(NameFromNarrow("\xE9"), std::u16string(1, char16_t(0xE9)));
  EXPECT_TRUE(NameFromNarrow(nullptr).empty());
}

TEST(Geometry, KeyColourRunsGoColumnByColumn) {
  Pixels p;
  p.width = 3;
  p.height = 4;
  const uint32_t K = kDefaultColourKey, o = 0x123456;
  p.data = {K, o, K,  //
            K, o, o,  //
            o, o, K,  //
            K, o, K};
  const std::vector<Rect> expected = {{0, 0, 1, 2}, {0, 3, 1, 4}, {2, 0, 3, 1}, {2, 2, 3, 4}};
  EXPECT_EQ(KeyColourRuns(p, K), expected);
  EXPECT_TRUE(KeyColourRuns(p, 0x000001).empty());
}

TEST(Geometry, SliderPositionAndPixelRules) {
  SliderGeometry g{110, 10, 0, 100};
  EXPECT_EQ(g.PositionToPixel(0), 5);
  EXPECT_EQ(g.PositionToPixel(100), 105);
  EXPECT_EQ(g.PositionToPixel(33), 5 + 33);
  EXPECT_EQ(g.PositionToPixel(500), 105) << "positions are limited to the range";
  EXPECT_EQ(g.PixelToPosition(5), 0);
  EXPECT_EQ(g.PixelToPosition(55), 50);
  EXPECT_EQ(g.PixelToPosition(1000), 100);
  EXPECT_EQ(g.PixelToPosition(-50), 0);
  for (int pos = 0; pos <= 100; ++pos) EXPECT_EQ(g.PixelToPosition(g.PositionToPixel(pos)), pos);

  SliderGeometry odd{73, 9, -20, 17};
  EXPECT_EQ(odd.PixelToPosition(odd.PositionToPixel(-20)), -20);
  // (x - 4) / 64 * 37 - 20 truncated toward zero: x = 10 gives -16.53 -> -16.
  EXPECT_EQ(odd.PixelToPosition(10), -16);

  EXPECT_EQ(g.LimitThumbCentre(0), 5);
  EXPECT_EQ(g.LimitThumbCentre(200), 105);
  EXPECT_EQ(g.GrabOffset(57, 50), 2) << "a press on the thumb keeps its distance";
  EXPECT_EQ(g.GrabOffset(90, 50), 0) << "a press beside the thumb makes it jump";
}

TEST(Geometry, DegenerateSlidersDoNotDivideByZero) {
  SliderGeometry emptyRange{100, 10, 5, 5};
  EXPECT_EQ(emptyRange.PositionToPixel(5), 5);
  EXPECT_EQ(emptyRange.PixelToPosition(80), 5);
  SliderGeometry thumbAsWide{10, 10, 0, 100};
  EXPECT_EQ(thumbAsWide.PositionToPixel(70), 5);
  EXPECT_EQ(thumbAsWide.PixelToPosition(7), 0);
  EXPECT_EQ(thumbAsWide.LimitThumbCentre(9), 5);
}

TEST(Geometry, TextOriginByLabelFlag) {
  EXPECT_EQ(TextOrigin(40, 10, 100, 30, 0), (Point{30, 8}));
  EXPECT_EQ(TextOrigin(40, 10, 100, 30, 2), (Point{40, 8}));
  EXPECT_EQ(TextOrigin(40, 10, 100, 30, 1), (Point{0, 0}));
  EXPECT_EQ(TextOrigin(40, 40, 100, 30, 0), (Point{30, 3})) << "text higher than the button";
  EXPECT_EQ(TextOrigin(120, 10, 100, 30, 0), (Point{0, 0})) << "text as wide as the button";
}

TEST(Geometry, TintMatrixScalesTheDiagonal) {
  const auto m = TintMatrix(0x7F0F0F4F);
  EXPECT_FLOAT_EQ(m[0], 15.0f / 255);
  EXPECT_FLOAT_EQ(m[6], 15.0f / 255);
  EXPECT_FLOAT_EQ(m[12], 79.0f / 255);
  EXPECT_FLOAT_EQ(m[18], 127.0f / 255);
  EXPECT_FLOAT_EQ(m[24], 1.0f);
  EXPECT_FLOAT_EQ(m[1] + m[5] + m[20] + m[4], 0.0f);
}

}  // namespace
}  // namespace tl::skin
