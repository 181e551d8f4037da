// Colorimetry in double precision: 3 x 3 matrices, chromatic adaptation, daylight whites and
// CIE L*a*b*.
#pragma once

#include <array>

namespace tl::engine {

struct Vec3 {
  double x = 0, y = 0, z = 0;
  double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
  double Sum() const { return x + y + z; }
};

// Row-major.
struct Mat3 {
  std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
  double at(int row, int col) const { return m[row * 3 + col]; }
  static Mat3 Diagonal(Vec3 d) { return Mat3{{d.x, 0, 0, 0, d.y, 0, 0, 0, d.z}}; }
};

Vec3 operator*(const Mat3& a, Vec3 v);
Mat3 operator*(const Mat3& a, const Mat3& b);
Vec3 operator*(double k, Vec3 v);
double Determinant(const Mat3& a);
// Inverse by cofactors; the caller decides which determinants are too small.
Mat3 Inverse(const Mat3& a, double determinant);

// Columns are the XYZ of the red, green and blue primaries: maps linear RGB to XYZ.
Mat3 PrimariesMatrix(Vec3 red, Vec3 green, Vec3 blue);

inline constexpr Vec3 kD50{0.9642, 1.0, 0.8249};
inline constexpr Vec3 kD55{0.9568, 1.0, 0.9214};
inline constexpr Vec3 kD65{0.9505, 1.0, 1.089};
inline constexpr Vec3 kD75{0.9496, 1.0, 1.2261};

// Whites of X + Y + Z at or below this count as absent.
inline constexpr double kAbsentWhiteSum = 0.5;
inline Vec3 WhiteOrD65(Vec3 white) { return white.Sum() > kAbsentWhiteSum ? white : kD65; }

const Mat3& BradfordMatrix();
const Mat3& BradfordInverse();
// Carries colours seen under `from` to `to`: M^-1 . diag((M.to) / (M.from)) . M.
Mat3 BradfordAdaptation(Vec3 from, Vec3 to);

// White of the CIE daylight locus at kelvin (Y = 1); meant for 4000..25000 K.
Vec3 DaylightWhite(double kelvin);

struct Lab {
  double l = 0, a = 0, b = 0;
};
Lab XyzToLab(Vec3 xyz, Vec3 white);
Vec3 LabToXyz(Lab lab, Vec3 white);

}  // namespace tl::engine
