#include "engine/core/inversion.h"

#include <cmath>

namespace tl::engine {

std::uint16_t TruncateToU16(double x) {
  if (!(x > 0.0)) return 0;
  if (x >= 65535.0) return 65535;
  return static_cast<std::uint16_t>(x);
}

std::int64_t TruncateToI64(double x) {
  if (std::isnan(x)) return 0;
  if (x <= -9.0e18) return static_cast<std::int64_t>(-9.0e18);
  if (x >= 9.0e18) return static_cast<std::int64_t>(9.0e18);
  return static_cast<std::int64_t>(x);
}

double Interpolate(const double* table, int n, double x) {
  double a = x;
  if (!(a >= 0.0)) a = 0.0;  // NaN lands on the first entry
  if (a > n) a = n;
  int k = static_cast<int>(std::floor(a));
  if (k > n - 1) k = n - 1;
  return table[k] + (a - k) * (table[k + 1] - table[k]);
}

void InvertRamp(std::span<const double, kLevels> wanted, std::span<const double, kLevels> p,
                std::span<std::uint16_t, kLevels> ramp) {
  const double low = p[0];
  const double high = p[kLevels - 1];
  int i = 0;
  for (int j = 0; j < kLevels; ++j) {
    double w = wanted[j];
    // Written so that a decreasing panel table (low > high) still yields a bounded value.
    if (!(w <= high)) w = high;
    if (w < low) w = low;
    while (i < kLevels - 1 && w >= p[i + 1]) ++i;
    if (w <= p[i]) {
      ramp[j] = static_cast<std::uint16_t>(i * 257);
    } else if (i == kLevels - 1) {
      ramp[j] = 65535;
    } else {
      // p[i] < w < p[i + 1] here, so the division is safe and the fraction lies in 0..1.
      const double level = i + (w - p[i]) / (p[i + 1] - p[i]);
      ramp[j] = TruncateToU16(level * 257.0 + 0.5);
    }
  }

  // Straighten a flat start: ramp linearly from entry 0 to the first entry that differs.
  int k = 1;
  while (k < kLevels - 1 && ramp[k] == ramp[0]) ++k;
  const std::int64_t first = ramp[0];
  const std::int64_t rise = static_cast<std::int64_t>(ramp[k]) - first;
  for (int l = 1; l < k; ++l) ramp[l] = static_cast<std::uint16_t>(first + (rise * l) / k);
}

bool BuildInverseTable(std::span<const double, kLevels> s, InverseTable& t) {
  std::array<std::int64_t, kLevels> whole;
  for (int i = 0; i < kLevels; ++i) whole[i] = TruncateToI64(s[i]);
  int i = 0;
  for (int j = 0; j < kInverseSize; ++j) {
    if (j <= whole[0]) {
      t[j] = 0.0;
    } else if (j < whole[kLevels - 1]) {
      while (!(whole[i] < j && j <= whole[i + 1])) {
        if (++i > kLevels - 2) return false;
      }
      t[j] = i + (j - s[i]) / (s[i + 1] - s[i]);
    } else {
      t[j] = kLevels - 1;
    }
  }
  return true;
}

}  // namespace tl::engine
