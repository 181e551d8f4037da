// The L*a*b* values and the Bradford step of gamut computing against Little CMS, the field's
// reference implementation (used by this test only).
#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/core/gamut.h"
#include "engine/tests/test_tables.h"

namespace tl::engine {
namespace {

// ---- L*a*b* against Little CMS -----------------------------------------------------------------

cmsCIEXYZ Cms(Vec3 v) { return {v.x, v.y, v.z}; }

TEST(GamutColour, LabWithTheBradfordStepMatchesLittleCms) {
  // A panel with its own (bluish) white and the shipped panel's kind of primaries.
  const ExtBlock panel = testing::MakeExt({0.9505, 1.0, 1.089}, {0.4124, 0.2126, 0.0193}, {0.3576, 0.7152, 0.1192},
                                          {0.1805, 0.0722, 0.9505});
  const TableImage tables = testing::DisplayPanel(2.2, panel);
  const GamutColourModel model = MakeGamutColourModel(tables.data, panel, kAdaptingIlluminant);
  ASSERT_TRUE(model.scaled);
  const cmsCIEXYZ d50 = *cmsD50_XYZ();
  const cmsCIEXYZ white = Cms(panel.white);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  double worst = 0;
  for (int i = 0; i < 2000; ++i) {
    const GamutPoint rgb{unit(random), unit(random), unit(random)};
    const Lab ours = GamutSampleLab(tables.data, model, rgb);
    const Vec3 linear{GamutChannelValue(tables.data[0], rgb[0], true), GamutChannelValue(tables.data[1], rgb[1], true),
                      GamutChannelValue(tables.data[2], rgb[2], true)};
    const cmsCIEXYZ xyz = Cms(model.rgbToXyz * linear);
    cmsCIEXYZ adapted;
    ASSERT_TRUE(cmsAdaptToIlluminant(&adapted, &white, &d50, &xyz));
    cmsCIELab reference;
    cmsXYZ2Lab(&d50, &reference, &adapted);
    worst = std::max({worst, std::abs(ours.l - reference.L), std::abs(ours.a - reference.a),
                      std::abs(ours.b - reference.b)});
  }
  // The engine's lightness constants (0.008856451586, 7.787036979) are (6/29)^3 and 841/108
  // rounded; over the cube the difference stays far below any visible difference.
  EXPECT_LT(worst, 1e-6);

  // The panel's white lands on the neutral axis.
  const Lab whiteLab = GamutSampleLab(tables.data, model, {1.0, 1.0, 1.0});
  EXPECT_NEAR(whiteLab.l, 100.0, 1e-3);
  EXPECT_NEAR(whiteLab.a, 0.0, 1e-3);
  EXPECT_NEAR(whiteLab.b, 0.0, 1e-3);

  // Without the adapting illuminant the colours are taken as they are.
  const GamutColourModel plain = MakeGamutColourModel(tables.data, panel, 2);
  const Lab unadapted = GamutSampleLab(tables.data, plain, {1.0, 1.0, 1.0});
  cmsCIELab reference;
  cmsXYZ2Lab(&d50, &reference, &white);
  EXPECT_NEAR(unadapted.l, reference.L, 1e-6);
  EXPECT_NEAR(unadapted.b, reference.b, 1e-6);
}

TEST(GamutColour, LightnessNearTheLinearBranchAndTheBradfordMatrixAgreeWithLittleCms) {
  const cmsCIEXYZ d50 = *cmsD50_XYZ();
  for (double y : {0.0, 1e-4, 0.0088564, 0.00885645, 0.0088565, 0.01, 0.5}) {
    const Vec3 xyz{y * d50.X, y, y * d50.Z};
    const Lab ours = XyzToLab(xyz, kD50);
    cmsCIELab reference;
    const cmsCIEXYZ in = Cms(xyz);
    cmsXYZ2Lab(&d50, &reference, &in);
    EXPECT_NEAR(ours.l, reference.L, 1e-6) << y;
  }
  // Adaptation between two whites carries the first onto the second.
  const Mat3 a = BradfordAdaptation(kD65, kD50);
  const Vec3 carried = a * kD65;
  EXPECT_NEAR(carried.x, kD50.x, 1e-12);
  EXPECT_NEAR(carried.z, kD50.z, 1e-12);
  const cmsCIEXYZ d65 = Cms(kD65);
  const cmsCIEXYZ red = Cms(Vec3{0.4124, 0.2126, 0.0193});
  cmsCIEXYZ reference;
  cmsAdaptToIlluminant(&reference, &d65, &d50, &red);
  const Vec3 ours = a * Vec3{0.4124, 0.2126, 0.0193};
  EXPECT_NEAR(ours.x, reference.X, 1e-12);
  EXPECT_NEAR(ours.y, reference.Y, 1e-12);
  EXPECT_NEAR(ours.z, reference.Z, 1e-12);
}

}  // namespace
}  // namespace tl::engine
