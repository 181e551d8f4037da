// Gamut computing: the sampling order, the drawing colours, the surface mesh, the exports' codes
// and a randomised run over random panel and tone tables. The L*a*b* values are checked against
// Little CMS in gamut_lcms_test.cpp (host only).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>

#include "engine/core/engine_api.h"
#include "engine/core/gamut.h"
#include "engine/tests/mesh_checks.h"
#include "engine/tests/test_tables.h"

namespace tl::engine {
namespace {

using testing::MeshProblems;
using testing::Point3;

// ---- Sampling order ----------------------------------------------------------------------------

std::vector<GridIndex> Order(int n) {
  std::vector<GridIndex> out(static_cast<size_t>(n) * n * n + 8);
  out.resize(GamutSamplingOrder(n, out));
  return out;
}

TEST(GamutSampling, OrderForSmallGridsMatchesTheHandWorkedSequence) {
  // n = 2: one bit per coordinate, Gray codes 1, 3, 2, 6, 7, 5, 4 dealt to coordinates 0, 1, 2.
  const std::vector<GridIndex> two{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                   {0, 1, 1}, {1, 1, 1}, {1, 0, 1}, {0, 0, 1}};
  EXPECT_EQ(Order(2), two);
  // n = 3: two levels; t = 8 has Gray code 12, whose bit 3 (level 1, dealt to coordinate 2)
  // makes coordinate 2 the Gray code 11, that is 2. t = 12..16 give a coordinate 3: skipped.
  const std::vector<GridIndex> threeStart{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {1, 1, 1},
                                          {1, 0, 1}, {0, 0, 1}, {0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2}};
  const std::vector<GridIndex> three = Order(3);
  ASSERT_GE(three.size(), threeStart.size());
  EXPECT_TRUE(std::equal(threeStart.begin(), threeStart.end(), three.begin()));
  EXPECT_EQ(Order(1), (std::vector<GridIndex>{{0, 0, 0}}));
}

TEST(GamutSampling, EveryGridPointComesOnceAndTheInitialResolutionGives1000) {
  for (int n = 1; n <= 10; ++n) {
    const std::vector<GridIndex> order = Order(n);
    EXPECT_EQ(order.size(), static_cast<size_t>(n * n * n)) << n;
    const std::set<GridIndex> distinct(order.begin(), order.end());
    EXPECT_EQ(distinct.size(), order.size()) << n;
    for (const GridIndex& p : order) EXPECT_TRUE(p[0] < n && p[1] < n && p[2] < n);
  }
  EXPECT_EQ(GamutGridSteps(10), 10);
  EXPECT_EQ(GamutGridSteps(12), 8);
  EXPECT_EQ(GamutGridSteps(17), 5);
  EXPECT_EQ(GamutGridSteps(3), 10) << "clamped to 10";
  EXPECT_EQ(GamutGridSteps(99), 5) << "clamped to 25, then at least 5";
  // The output stops at its size; grids without a sampling order give nothing.
  std::array<GridIndex, 5> few;
  EXPECT_EQ(GamutSamplingOrder(10, few), 5);
  EXPECT_EQ(GamutSamplingOrder(0, few), 0);
  EXPECT_EQ(GamutSamplingOrder(5000, few), 0);
}

// ---- Colours -----------------------------------------------------------------------------------

TEST(GamutColour, DrawingColoursStayInRange) {
  // Neutral colours are drawn grey: white at full level, black as a dark grey (L' = 40 gives
  // Y = 0.1125), so that it shows on a dark background.
  const std::array<double, 3> white = GamutDrawingColour({100, 0, 0});
  for (double c : white) EXPECT_NEAR(c, 1.0, 0.01);
  const std::array<double, 3> black = GamutDrawingColour({0, 0, 0});
  for (double c : black) EXPECT_NEAR(c, 0.1125, 0.002);
  const std::array<double, 3> red = GamutDrawingColour({54, 80, 67});
  EXPECT_GT(red[0], red[1]);
  EXPECT_GT(red[0], red[2]);
  for (const Lab lab : {Lab{-500, 900, -900}, Lab{500, -900, 900}, Lab{1, 0, 0}}) {
    for (double c : GamutDrawingColour(lab)) {
      EXPECT_GE(c, 0.0);
      EXPECT_LE(c, 1.0);
    }
  }
}

// ---- Surfaces of point clouds ------------------------------------------------------------------

// The mesh checked twice: on the placed points, which it must wrap exactly, and on the real
// colours of its vertices (closed, outward, Euler 2).
std::string SurfaceProblems(std::span<const GamutPoint> samples, const GamutSurface& surface) {
  std::vector<Point3> real, placed;
  for (int s : surface.vertexSamples) {
    real.push_back(samples[s]);
    const auto at = std::lower_bound(surface.candidates.begin(), surface.candidates.end(), s);
    if (at == surface.candidates.end() || *at != s) return "vertex not a candidate";
    placed.push_back(surface.placed[at - surface.candidates.begin()]);
  }
  const std::vector<Point3> wrapped(surface.placed.begin(), surface.placed.end());
  return MeshProblems(placed, surface.triangles, wrapped, 0.0, true) +
         MeshProblems(real, surface.triangles, {}, 0.0);
}

std::vector<GamutPoint> CubeSamples(int n) {
  std::vector<GamutPoint> points;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) points.push_back({10.0 + 80.0 * i / (n - 1), -40.0 + 80.0 * j / (n - 1), -40.0 + 80.0 * k / (n - 1)});
  return points;
}

TEST(GamutSurfaceBuilder, ACubeOfSamplesGivesAClosedOutwardSurface) {
  // Many coplanar and cocircular points: the hull must decide them exactly.
  const std::vector<GamutPoint> cube = CubeSamples(10);
  GamutSurface surface;
  ASSERT_EQ(BuildGamutSurface(cube, 10.0, surface), GamutError::kNone);
  EXPECT_EQ(SurfaceProblems(cube, surface), "");
  // All eight corners are on the surface.
  int corners = 0;
  for (int s : surface.vertexSamples) {
    const GamutPoint& p = cube[s];
    corners += (p[0] == 10 || p[0] == 90) && std::abs(p[1]) == 40 && std::abs(p[2]) == 40;
  }
  EXPECT_EQ(corners, 8);
}

TEST(GamutSurfaceBuilder, DegenerateCloudsFailCleanly) {
  GamutSurface surface;
  std::vector<GamutPoint> flat;
  for (int i = 0; i < 50; ++i) flat.push_back({50.0 + i, 2.0 * i, -1.0 * i});  // one line
  EXPECT_EQ(BuildGamutSurface(flat, 10.0, surface), GamutError::kFlat);
  flat.clear();
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 20; ++j) flat.push_back({60.0, -50.0 + 5 * i, -50.0 + 5 * j});  // one plane
  EXPECT_EQ(BuildGamutSurface(flat, 10.0, surface), GamutError::kFlat);
  const std::vector<GamutPoint> same(100, GamutPoint{70, 10, 10});
  EXPECT_EQ(BuildGamutSurface(same, 10.0, surface), GamutError::kFlat);
  EXPECT_EQ(BuildGamutSurface({}, 10.0, surface), GamutError::kFlat);
  std::vector<GamutPoint> broken = CubeSamples(4);
  broken[5][1] = std::nan("");
  EXPECT_EQ(BuildGamutSurface(broken, 10.0, surface), GamutError::kNonFiniteSample);
  EXPECT_TRUE(surface.triangles.empty());
}

TEST(GamutSurfaceBuilder, RandomCloudsAlwaysGiveASoundSurface) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int run = 0; run < 60; ++run) {
    std::vector<GamutPoint> cloud;
    const int kind = run % 4;
    const int count = 5 + static_cast<int>(random() % 1000);
    for (int i = 0; i < count; ++i) {
      GamutPoint p{unit(random), unit(random), unit(random)};
      const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
      if (kind == 1 && length > 0) {
        for (double& c : p) c /= length;  // all on a sphere: every point a hull vertex
      }
      if (kind == 2) {
        for (double& c : p) c = std::round(c * 3);  // few distinct, many duplicates
      }
      const double radius = kind == 3 ? 1e-3 : 60.0;  // a tiny cloud too
      cloud.push_back({50.0 + radius * p[0], radius * p[1], radius * p[2]});
    }
    GamutSurface surface;
    const GamutError error = BuildGamutSurface(cloud, 10.0, surface);
    if (error == GamutError::kFlat) continue;
    ASSERT_EQ(error, GamutError::kNone) << run;
    EXPECT_EQ(SurfaceProblems(cloud, surface), "") << "run " << run << " kind " << kind;
  }
}

// ---- The engine's gamut exports ------------------------------------------------------------------

class FakePlatform final : public EnginePlatform {
 public:
  LoadError ReadTable(const char*, TableKind, TableImage&) override { return LoadError::kUnreadable; }
  void SendRamp(RampTable&) override {}
};

class GamutExports : public ::testing::Test {
 protected:
  EngineContext ctx() { return {*engine, shared, platform}; }

  // Loads tables straight into the engine and computes with gamut computing on.
  void Compute(const TableImage& panel, const TableImage& tone, std::int32_t method = 1) {
    engine->AcceptPanel(panel);
    engine->AcceptTone(tone);
    ASSERT_EQ(SetGamutComputingEnable(ctx(), 1), kOk);
    SetMethod(ctx(), method);
    SetGammaS(ctx(), 0.5);
    SetGammaV(ctx(), 1.4);
    SetColourfulness(ctx(), 3, 3, 3);
    RampTable ramp;
    ASSERT_EQ(PrepareColourEnhance(ctx(), &ramp), kOk);
  }

  // The mesh of a set as read through the exports, checked whole. It wraps the placed points
  // exactly; with `allSamples` also every sample within the resolution (a sample that lost its
  // direction cell to a farther one may stand out by about a cell).
  std::string ExportedMeshProblems(std::int32_t which, bool allSamples = true) {
    std::int32_t vertexCount = 0, triangleCount = 0;
    if (GetGamutSize(ctx(), which, &vertexCount, &triangleCount) != kOk) return "no size";
    std::vector<double> vertices(6 * vertexCount);
    std::vector<std::int32_t> triangles(3 * triangleCount);
    if (GetGamutSurface(ctx(), which, vertices.data(), triangles.data()) != kOk) return "no surface";
    std::vector<Point3> points;
    for (std::int32_t i = 0; i < vertexCount; ++i) {
      points.push_back({vertices[6 * i], vertices[6 * i + 1], vertices[6 * i + 2]});
      for (int c = 3; c < 6; ++c) {
        if (!(vertices[6 * i + c] >= 0 && vertices[6 * i + c] <= 1)) return "drawing colour out of range";
      }
    }
    std::vector<testing::Triangle> list;
    for (std::int32_t i = 0; i < triangleCount; ++i) list.push_back({triangles[3 * i], triangles[3 * i + 1], triangles[3 * i + 2]});
    const auto& samples = engine->gamut.samples[which];
    const std::span<const GamutPoint> all(samples.data(), engine->gamut.sampleCount[which]);
    GamutSurface surface;
    if (BuildGamutSurface(all, engine->gamut.resolution, surface) != GamutError::kNone) return "not rebuilt";
    if (surface.triangles != std::vector<testing::Triangle>(list.begin(), list.end())) return "not the mesh rebuilt";
    for (std::int32_t i = 0; i < vertexCount; ++i) {
      if (points[i] != all[surface.vertexSamples[i]]) return "a vertex is not its sample";
    }
    std::string problems = SurfaceProblems(all, surface);
    if (allSamples) problems += MeshProblems(points, list, std::vector<Point3>(all.begin(), all.end()), engine->gamut.resolution);
    return problems;
  }

  std::unique_ptr<CTintorEngine> engine = std::make_unique<CTintorEngine>();
  TintorShared shared;
  FakePlatform platform;
};

TEST_F(GamutExports, CodesBeforeAnyComputationAndForWrongSelectors) {
  EXPECT_EQ(CalGamutSurface(ctx(), 1), kGamutSurfaceFailed) << "gamut computing is off";
  SetGamutComputingEnable(ctx(), 1);
  EXPECT_EQ(CalGamutSurface(ctx(), 1), kGamutSurfaceFailed) << "enabled, nothing computed yet";
  EXPECT_EQ(CalGamutSurface(ctx(), 0), kGamutSurfaceFailed);
  std::int32_t v = -1, t = -1;
  EXPECT_EQ(GetGamutSize(ctx(), 1, &v, &t), kGamutSizeFailed);
  double vertices[6];
  std::int32_t triangles[3];
  EXPECT_EQ(GetGamutSurface(ctx(), 0, vertices, triangles), kGamutReadOutFailed);
  double difference = 0;
  EXPECT_EQ(GamutColourDifference(ctx(), &difference), kOk);
  EXPECT_EQ(difference, -1.0);
  SetGamutComputingEnable(ctx(), 2);
  EXPECT_EQ(GamutColourDifference(ctx(), &difference), kColourDifferenceFailed);
}

TEST_F(GamutExports, BothSetsGiveSoundMeshesAndTheirDifference) {
  const TableImage panel = testing::DisplayPanel(2.4);
  Compute(panel, testing::PowerTone(2.0, panel.ext));
  ASSERT_EQ(engine->enhancedReady, 1u);
  ASSERT_EQ(engine->displayedReady, 1u);

  EXPECT_EQ(CalGamutSurface(ctx(), 2), kGamutSurfaceFailed);
  ASSERT_EQ(CalGamutSurface(ctx(), 1), kOk);
  EXPECT_EQ(engine->gamut.sampleCount[1], 1000) << "the initial resolution takes 1000 samples";
  double difference = 0;
  EXPECT_EQ(GamutColourDifference(ctx(), &difference), kOk);
  EXPECT_EQ(difference, -1.0) << "one set only";

  ASSERT_EQ(CalGamutSurface(ctx(), 0), kOk);
  for (std::int32_t which : {0, 1}) {
    std::int32_t vertexCount = 0, triangleCount = 0;
    ASSERT_EQ(GetGamutSize(ctx(), which, &vertexCount, &triangleCount), kOk);
    EXPECT_GT(vertexCount, 50);
    EXPECT_LT(vertexCount, 1000) << "only the vertices on the surface";
    EXPECT_EQ(triangleCount, 2 * vertexCount - 4);
    EXPECT_EQ(ExportedMeshProblems(which), "") << which;
  }
  // Any selector other than 1 reads the displayed set.
  std::int32_t v7 = 0, t7 = 0, v0 = 0, t0 = 0;
  GetGamutSize(ctx(), 7, &v7, &t7);
  GetGamutSize(ctx(), 0, &v0, &t0);
  EXPECT_EQ(v7, v0);

  ASSERT_EQ(GamutColourDifference(ctx(), &difference), kOk);
  EXPECT_GT(difference, 0.0);
  EXPECT_EQ(shared.colourDifference, difference);
  double direct = 0;
  for (int s = 0; s < 1000; ++s) {
    const GamutPoint& a = engine->gamut.samples[0][s];
    const GamutPoint& b = engine->gamut.samples[1][s];
    direct += std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
  }
  EXPECT_NEAR(difference, direct / 1000, 1e-9);

  // The same grid is reused; a new resolution makes a new grid, and sets of two grids have no
  // difference between them.
  const std::uint32_t generation = engine->gamut.gridGeneration;
  ASSERT_EQ(CalGamutSurface(ctx(), 1), kOk);
  EXPECT_EQ(engine->gamut.gridGeneration, generation);
  engine->gamut.resolution = 20;
  ASSERT_EQ(CalGamutSurface(ctx(), 1), kOk);
  EXPECT_EQ(engine->gamut.sampleCount[1], 125);
  EXPECT_EQ(GamutColourDifference(ctx(), &difference), kOk);
  EXPECT_EQ(difference, -1.0);
  EXPECT_EQ(ExportedMeshProblems(1), "");
}

TEST_F(GamutExports, ANonDarkBlackFailsTheRunAndForgetsTheSet) {
  TableImage panel = testing::DisplayPanel(2.4);
  Compute(panel, testing::PowerTone(2.0, panel.ext));
  ASSERT_EQ(CalGamutSurface(ctx(), 1), kOk);
  engine->panelExt.black = {0.2, 0.2, 0.2};
  EXPECT_EQ(CalGamutSurface(ctx(), 1), kGamutSurfaceFailed);
  std::int32_t v = 0, t = 0;
  EXPECT_EQ(GetGamutSize(ctx(), 1, &v, &t), kGamutSizeFailed);
  EXPECT_EQ(GetGamutSurface(ctx(), 1, nullptr, nullptr), kGamutReadOutFailed);
}

TEST_F(GamutExports, SameColoursInBothSetsDifferByNothing) {
  const TableImage panel = testing::LinearPanel();
  Compute(panel, panel, 0);
  // Give the displayed set exactly the enhanced colours.
  engine->displayedColours = engine->enhancedColours;
  ASSERT_EQ(CalGamutSurface(ctx(), 0), kOk);
  ASSERT_EQ(CalGamutSurface(ctx(), 1), kOk);
  double difference = -5;
  ASSERT_EQ(GamutColourDifference(ctx(), &difference), kOk);
  EXPECT_EQ(difference, 0.0);
}

// Random monotone panels with random primaries, whites and blacks, random tones and methods:
// every run ends in a sound mesh or a failure status, never a crash.
TEST_F(GamutExports, RandomTablesGiveASoundMeshOrAFailureStatus) {
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int built = 0, refused = 0;
  for (int run = 0; run < 120; ++run) {
    auto xyz = [&](double scale) { return Vec3{unit(random) * scale, unit(random) * scale, unit(random) * scale}; };
    ExtBlock ext = testing::MakeExt(run % 5 == 0 ? Vec3{} : xyz(1.2), xyz(0.6), xyz(0.8), xyz(0.9));
    ext.black = run % 7 == 0 ? xyz(0.4) : xyz(0.02);
    if (run % 11 == 0) ext.blue = ext.red;  // a singular primaries matrix
    TableImage panel;
    panel.ext = ext;
    for (auto& channel : panel.data) {
      double level = 0;
      const double step = 1.0 + unit(random) * 500;
      for (int i = 0; i < kLevels; ++i) {
        level = std::min(65535.0, level + unit(random) * step);
        channel[i] = std::floor(level);
      }
    }
    TableImage tone = testing::PowerTone(0.5 + 3 * unit(random), testing::MakeExt(xyz(1.1), xyz(0.6), xyz(0.8), xyz(0.9)));
    engine = std::make_unique<CTintorEngine>();
    engine->AcceptPanel(panel);
    engine->AcceptTone(tone);
    SetGamutComputingEnable(ctx(), 1);
    SetMethod(ctx(), static_cast<std::int32_t>(run % 3));
    RampTable ramp;
    PrepareColourEnhance(ctx(), &ramp);
    for (std::int32_t which : {0, 1}) {
      const Status status = CalGamutSurface(ctx(), which);
      if (status != kOk) {
        EXPECT_EQ(status, kGamutSurfaceFailed);
        ++refused;
        continue;
      }
      ++built;
      EXPECT_EQ(ExportedMeshProblems(which, false), "") << "run " << run << " set " << which;
    }
  }
  std::printf("random tables: %d meshes built, %d runs refused\n", built, refused);
  EXPECT_GT(built, 60);
}

}  // namespace
}  // namespace tl::engine
