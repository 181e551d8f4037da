// The table tool's definitions: what they build, and the errors a person gets for mistakes.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/colour.h"
#include "tools/table_tool/table_definition.h"

namespace tl::tables {
namespace {

TEST(TableDefinition, BuildsPrimariesThatAddUpToTheWhite) {
  Definition d;
  std::string error;
  ASSERT_TRUE(ParseDefinition("kind tone\n"
                              "white daylight 6500 Y 0.9\n"
                              "primaries xy 0.64 0.33 0.30 0.60 0.15 0.06  # sRGB\n"
                              "curve all power 2.2 contrast 0.2 range 0 0.95\n"
                              "round\n",
                              d, error))
      << error;
  EXPECT_EQ(d.kind, engine::TableKind::kTone);
  const auto& ext = d.image.ext;
  EXPECT_EQ(ext.marker, engine::kExtMarker);
  EXPECT_NEAR(ext.red.x + ext.green.x + ext.blue.x, ext.white.x, 1e-12);
  EXPECT_NEAR(ext.red.y + ext.green.y + ext.blue.y, 0.9, 1e-12);
  EXPECT_NEAR(ext.red.y / ext.red.Sum() * 0 + ext.red.x / ext.red.Sum(), 0.64, 1e-12);
  EXPECT_EQ(d.image.data[1][0], 0.0);
  EXPECT_EQ(d.image.data[1][255], std::floor(0.95 * 65535 + 0.5));
  for (int i = 1; i < 256; ++i) ASSERT_GE(d.image.data[2][i], d.image.data[2][i - 1]);
  EXPECT_TRUE(Lint(d.image, d.kind).empty());
}

TEST(TableDefinition, MistakesAreReportedWithTheirLine) {
  Definition d;
  std::string error;
  EXPECT_FALSE(ParseDefinition("kind panel\ncurve all wobble 2\n", d, error));
  EXPECT_EQ(error, "line 2: unknown curve shape 'wobble'");
  EXPECT_FALSE(ParseDefinition("kind tone\ncurve red power 2\n", d, error));
  EXPECT_EQ(error, "no curve for green and no data for level 0");
  EXPECT_FALSE(ParseDefinition("curve all power 2\n", d, error));
  EXPECT_EQ(error, "missing 'kind'");
  EXPECT_FALSE(ParseDefinition("kind tone\nwhite xy 0.3 0\n", d, error));
  EXPECT_EQ(error.rfind("line 2:", 0), 0u);
  EXPECT_FALSE(ParseDefinition("kind tone\ncurve all power 2 contrast 3\n", d, error));
  EXPECT_FALSE(ParseDefinition("kind tone\ntemperature 7000 extra\n", d, error));
}

TEST(TableDefinition, ADumpedDefinitionRebuildsTheSameFile) {
  Definition original;
  std::string error;
  ASSERT_TRUE(ParseDefinition("kind tone\ndescription a test tone\ntemperature 6800\nwhite daylight 6800\n"
                              "primaries xy 0.6 0.34 0.31 0.57 0.155 0.1\ncurve all power 2.1 contrast 0.3\n"
                              "data green 7 123.456789\n",
                              original, error))
      << error;
  EXPECT_EQ(original.image.data[1][7], 123.456789);
  const auto bytes = engine::WriteTableFile(original.image, original.kind);

  Definition again;
  ASSERT_TRUE(ParseDefinition(FormatDefinition(original.image, original.kind), again, error)) << error;
  EXPECT_EQ(engine::WriteTableFile(again.image, again.kind), bytes);

  EXPECT_FALSE(ParseDefinition("kind panel\ndata red 256 5\n", again, error));
  EXPECT_FALSE(ParseDefinition("kind panel\ndata cyan 3 5\n", again, error));
  EXPECT_FALSE(ParseDefinition("kind panel\ncurve green power 2\ncurve blue power 2\ndata red 0 5\n", again, error));
  EXPECT_EQ(error, "no curve for red and no data for level 1");
}

TEST(TableDefinition, LintFindsDecreasingPanelsAndAbsentWhites) {
  Definition d;
  std::string error;
  ASSERT_TRUE(ParseDefinition("kind panel\ntemperature 3000\nwhite XYZ 0.1 0.1 0.1\n"
                              "red XYZ 1 0 0\ngreen XYZ 0 1 0\nblue XYZ 0 0 1\ncurve all power 2.4\n",
                              d, error))
      << error;
  d.image.data[0][100] = 0;
  const auto problems = Lint(d.image, d.kind);
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0], "red panel response decreases at level 100");
  EXPECT_EQ(problems[1], "white counts as absent (D65 is used)");
  EXPECT_EQ(problems[2], "native temperature outside 4500..9500 K");
}

}  // namespace
}  // namespace tl::tables
