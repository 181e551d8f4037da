#include "engine/core/colour.h"

#include <cmath>

namespace tl::engine {

Vec3 operator*(const Mat3& a, Vec3 v) {
  return {a.at(0, 0) * v.x + a.at(0, 1) * v.y + a.at(0, 2) * v.z,
          a.at(1, 0) * v.x + a.at(1, 1) * v.y + a.at(1, 2) * v.z,
          a.at(2, 0) * v.x + a.at(2, 1) * v.y + a.at(2, 2) * v.z};
}

Mat3 operator*(const Mat3& a, const Mat3& b) {
  Mat3 r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      r.m[i * 3 + j] = a.at(i, 0) * b.at(0, j) + a.at(i, 1) * b.at(1, j) + a.at(i, 2) * b.at(2, j);
    }
  }
  return r;
}

Vec3 operator*(double k, Vec3 v) { return {k * v.x, k * v.y, k * v.z}; }

double Determinant(const Mat3& a) {
  return a.at(0, 0) * (a.at(1, 1) * a.at(2, 2) - a.at(1, 2) * a.at(2, 1)) -
         a.at(0, 1) * (a.at(1, 0) * a.at(2, 2) - a.at(1, 2) * a.at(2, 0)) +
         a.at(0, 2) * (a.at(1, 0) * a.at(2, 1) - a.at(1, 1) * a.at(2, 0));
}

Mat3 Inverse(const Mat3& a, double d) {
  Mat3 r;
  r.m = {(a.at(1, 1) * a.at(2, 2) - a.at(1, 2) * a.at(2, 1)) / d,
         (a.at(0, 2) * a.at(2, 1) - a.at(0, 1) * a.at(2, 2)) / d,
         (a.at(0, 1) * a.at(1, 2) - a.at(0, 2) * a.at(1, 1)) / d,
         (a.at(1, 2) * a.at(2, 0) - a.at(1, 0) * a.at(2, 2)) / d,
         (a.at(0, 0) * a.at(2, 2) - a.at(0, 2) * a.at(2, 0)) / d,
         (a.at(0, 2) * a.at(1, 0) - a.at(0, 0) * a.at(1, 2)) / d,
         (a.at(1, 0) * a.at(2, 1) - a.at(1, 1) * a.at(2, 0)) / d,
         (a.at(0, 1) * a.at(2, 0) - a.at(0, 0) * a.at(2, 1)) / d,
         (a.at(0, 0) * a.at(1, 1) - a.at(0, 1) * a.at(1, 0)) / d};
  return r;
}

Mat3 PrimariesMatrix(Vec3 red, Vec3 green, Vec3 blue) {
  return Mat3{{red.x, green.x, blue.x, red.y, green.y, blue.y, red.z, green.z, blue.z}};
}

const Mat3& BradfordMatrix() {
  static const Mat3 m{{0.8951, 0.2664, -0.1614, -0.7502, 1.7135, 0.0367, 0.0389, -0.0685, 1.0296}};
  return m;
}

const Mat3& BradfordInverse() {
  static const Mat3 inverse = Inverse(BradfordMatrix(), Determinant(BradfordMatrix()));
  return inverse;
}

Mat3 BradfordAdaptation(Vec3 from, Vec3 to) {
  const Mat3& m = BradfordMatrix();
  const Vec3 src = m * from;
  const Vec3 dst = m * to;
  return BradfordInverse() * (Mat3::Diagonal({dst.x / src.x, dst.y / src.y, dst.z / src.z}) * m);
}

Vec3 DaylightWhite(double kelvin) {
  const double c = 1000.0 / kelvin;
  double x;
  if (kelvin <= 7000.0) {
    x = -4.607 * c * c * c + 2.9678 * c * c + 0.09911 * c + 0.244063;
  } else {
    x = -2.0064 * c * c * c + 1.9018 * c * c + 0.24748 * c + 0.23704;
  }
  const double y = -3.0 * x * x + 2.87 * x - 0.275;
  return {x / y, 1.0, (1.0 - x - y) / y};
}

namespace {

constexpr double kLabEpsilon = 0.008856451586;
constexpr double kLabKappa = 7.787036979;
constexpr double kLabOffset = 0.13793103448275862;  // 16 / 116
constexpr double kLabFEpsilon = 0.20689655172413793;  // 6 / 29

double LabF(double t) { return t > kLabEpsilon ? std::cbrt(t) : kLabKappa * t + kLabOffset; }
double LabFInverse(double f) { return f > kLabFEpsilon ? f * f * f : (f - kLabOffset) / kLabKappa; }

}  // namespace

Lab XyzToLab(Vec3 xyz, Vec3 white) {
  const double fx = LabF(xyz.x / white.x);
  const double fy = LabF(xyz.y / white.y);
  const double fz = LabF(xyz.z / white.z);
  return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

Vec3 LabToXyz(Lab lab, Vec3 white) {
  const double fy = (lab.l + 16.0) / 116.0;
  const double fx = fy + lab.a / 500.0;
  const double fz = fy - lab.b / 200.0;
  return {white.x * LabFInverse(fx), white.y * LabFInverse(fy), white.z * LabFInverse(fz)};
}

}  // namespace tl::engine
