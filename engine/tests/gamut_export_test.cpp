// The table tool's gamut export: both meshes as OBJ and PLY with vertex colours, and the
// picture of the a*b* plane.
#include "tools/table_tool/gamut_export.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/tests/test_tables.h"

namespace tl::tables {
namespace {

class GamutExport : public ::testing::Test {
 protected:
  void SetUp() override {
    const engine::TableImage panel = engine::testing::DisplayPanel(2.4);
    std::string error;
    ASSERT_TRUE(ComputeGamutPair(panel, engine::testing::PowerTone(2.0, panel.ext), GamutSettings{}, pair, error))
        << error;
    ASSERT_GT(pair.enhanced.vertices.size(), 3u);
    ASSERT_GT(pair.displayed.vertices.size(), 3u);
  }
  GamutPair pair;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(GamutExport, ObjHoldsBothMeshesAsObjectsWithColouredVertices) {
  const std::string obj = FormatObj(pair, "test");
  const size_t enhanced = pair.enhanced.vertices.size();
  const size_t total = enhanced + pair.displayed.vertices.size();
  std::vector<std::array<double, 6>> vertices;
  size_t faces = 0, objects = 0;
  std::string object;
  for (const std::string& line : Lines(obj)) {
    std::istringstream in(line);
    std::string tag;
    in >> tag;
    if (tag == "o") {
      in >> object;
      ++objects;
    } else if (tag == "v") {
      std::array<double, 6> v{};
      for (double& x : v) in >> x;
      ASSERT_FALSE(in.fail()) << line;
      for (int c = 3; c < 6; ++c) EXPECT_TRUE(v[c] >= 0 && v[c] <= 1) << line;
      vertices.push_back(v);
    } else if (tag == "f") {
      ++faces;
      for (int i = 0; i < 3; ++i) {
        size_t index = 0;
        in >> index;
        ASSERT_GE(index, 1u);
        ASSERT_LE(index, total);
        // Each object's faces use its own vertices.
        if (object == "enhanced") {
          EXPECT_LE(index, enhanced);
        } else {
          EXPECT_GT(index, enhanced);
        }
      }
    }
  }
  EXPECT_EQ(objects, 2u);
  ASSERT_EQ(vertices.size(), total);
  EXPECT_EQ(faces, pair.enhanced.triangles.size() + pair.displayed.triangles.size());
  // x = a*, y = L*, z = -b*.
  const engine::GamutVertex& first = pair.enhanced.vertices[0];
  EXPECT_NEAR(vertices[0][0], first[1], 1e-6);
  EXPECT_NEAR(vertices[0][1], first[0], 1e-6);
  EXPECT_NEAR(vertices[0][2], -first[2], 1e-6);
}

TEST_F(GamutExport, PlyHeaderCountsWhatFollows) {
  const std::vector<std::string> lines = Lines(FormatPly(pair, "test"));
  const size_t vertices = pair.enhanced.vertices.size() + pair.displayed.vertices.size();
  const size_t faces = pair.enhanced.triangles.size() + pair.displayed.triangles.size();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "ply");
  EXPECT_EQ(lines[1], "format ascii 1.0");
  const auto end = std::find(lines.begin(), lines.end(), "end_header");
  ASSERT_NE(end, lines.end());
  EXPECT_NE(std::find(lines.begin(), end, "element vertex " + std::to_string(vertices)), end);
  EXPECT_NE(std::find(lines.begin(), end, "element face " + std::to_string(faces)), end);
  const size_t body = static_cast<size_t>(lines.end() - end - 1);
  EXPECT_EQ(body, vertices + faces);
  std::istringstream colour(*(end + 1));
  double x, y, z;
  int r = -1, g = -1, b = -1;
  colour >> x >> y >> z >> r >> g >> b;
  EXPECT_TRUE(r >= 0 && r <= 255 && g >= 0 && g <= 255 && b >= 0 && b <= 255);
  std::istringstream lastFace(lines.back());
  int count = 0;
  size_t a = 0, c = 0, d = 0;
  lastFace >> count >> a >> c >> d;
  EXPECT_EQ(count, 3);
  EXPECT_LT(std::max({a, c, d}), vertices);
  EXPECT_GE(std::min({a, c, d}), pair.enhanced.vertices.size()) << "the displayed faces come last";
}

TEST_F(GamutExport, PictureShowsTheFilledGamutItsOutlineAndTheCaption) {
  const artwork::Image image = DrawGamutProjection(pair, "TEST TABLES, METHOD 1");
  ASSERT_EQ(image.width, 720);
  ASSERT_EQ(image.height, 796);
  const std::uint32_t background = image.At(2, 2);
  // Mid-grey's direction from above is the lightest part of the gamut: nearly white.
  const std::uint32_t centre = image.At(360, 360) & 0xFFFFFF;
  EXPECT_GT(centre & 0xFF, 0xC0u);
  EXPECT_GT((centre >> 16) & 0xFF, 0xC0u);
  int outline = 0, caption = 0, coloured = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.At(x, y);
      if (y < 720 && p == 0xFFFFFFFF) ++outline;
      if (y >= 721 && p != background && p != image.At(0, 720)) ++caption;
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (std::max({r, g, b}) - std::min({r, g, b}) > 120) ++coloured;
    }
  }
  EXPECT_GT(outline, 1000) << "the displayed gamut's outline";
  EXPECT_GT(caption, 500) << "the caption's text";
  EXPECT_GT(coloured, 20000) << "saturated colours at the gamut's edge";
}

TEST(GamutExportFailure, TablesWithoutASolidGamutAreReported) {
  engine::TableImage panel = engine::testing::DisplayPanel(2.4);
  panel.ext.black = {0.3, 0.3, 0.3};  // not dark
  GamutPair pair;
  std::string error;
  EXPECT_FALSE(ComputeGamutPair(panel, engine::testing::PowerTone(2.0, panel.ext), GamutSettings{}, pair, error));
  EXPECT_NE(error.find("gamut surface"), std::string::npos) << error;
  GamutSettings wrong;
  wrong.method = 5;
  EXPECT_FALSE(ComputeGamutPair(engine::testing::DisplayPanel(2.4), engine::testing::PowerTone(2.0), wrong, pair, error));
}

}  // namespace
}  // namespace tl::tables
