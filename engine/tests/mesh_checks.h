// Checks of a gamut mesh shared by the engine's tests: a closed, consistently and outwardly
// oriented triangle surface of sphere topology that wraps the points it was built from.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tl::engine::testing {

using Point3 = std::array<double, 3>;
using Triangle = std::array<std::int32_t, 3>;

inline Point3 Sub(const Point3& a, const Point3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Point3 Cross(const Point3& a, const Point3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline double Norm(const Point3& a) { return std::sqrt(Dot(a, a)); }

// Empty when the mesh is sound; otherwise what is wrong. `wrapped` are the points the surface
// must hold inside (within `tolerance`). `exactVertices`: the vertices are the very points the
// hull was built on, so that even a sliver face has a side.
inline std::string MeshProblems(std::span<const Point3> vertices, std::span<const Triangle> triangles,
                                std::span<const Point3> wrapped, double tolerance, bool exactVertices = false) {
  std::ostringstream problems;
  const auto v = static_cast<std::int64_t>(vertices.size());
  if (v < 4 || triangles.size() < 4) problems << "fewer than 4 vertices or triangles; ";
  std::map<std::pair<std::int32_t, std::int32_t>, int> directed;
  std::vector<int> used(vertices.size(), 0);
  for (const Triangle& t : triangles) {
    for (int i = 0; i < 3; ++i) {
      if (t[i] < 0 || t[i] >= v) {
        problems << "vertex index out of range; ";
        return problems.str();
      }
      used[t[i]] = 1;
    }
    if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) problems << "triangle repeats a vertex; ";
    for (int i = 0; i < 3; ++i) ++directed[{t[i], t[(i + 1) % 3]}];
  }
  // Closed and consistently oriented: every directed edge once, and its reverse once.
  for (const auto& [edge, count] : directed) {
    if (count != 1) problems << "directed edge " << edge.first << "-" << edge.second << " used " << count << " times; ";
    if (!directed.count({edge.second, edge.first})) problems << "edge " << edge.first << "-" << edge.second << " is open; ";
  }
  for (size_t i = 0; i < used.size(); ++i) {
    if (!used[i]) problems << "vertex " << i << " in no triangle; ";
  }
  const auto e = static_cast<std::int64_t>(directed.size() / 2);
  const auto f = static_cast<std::int64_t>(triangles.size());
  if (v - e + f != 2) problems << "Euler characteristic " << (v - e + f) << "; ";

  // Outward: the enclosed volume is positive, and every wrapped point lies behind every face.
  double volume = 0;
  for (const Triangle& t : triangles) volume += Dot(vertices[t[0]], Cross(vertices[t[1]], vertices[t[2]])) / 6.0;
  if (!(volume > 0)) problems << "volume " << volume << " is not positive; ";
  double worst = 0;
  for (const Triangle& t : triangles) {
    const Point3 e1 = Sub(vertices[t[1]], vertices[t[0]]), e2 = Sub(vertices[t[2]], vertices[t[0]]);
    const Point3 normal = Cross(e1, e2);
    const double length = Norm(normal);
    if (length == 0) continue;
    if (!exactVertices) {
      // Vertices that are not where the hull placed them leave a sliver (three nearly
      // collinear points, as along an edge of the colour solid) without a well-defined side;
      // its neighbours bound the solid there.
      const double longest = std::max({Norm(e1), Norm(e2), Norm(Sub(vertices[t[2]], vertices[t[1]]))});
      if (length <= 1e-6 * longest * longest) continue;
    }
    for (const Point3& p : wrapped) {
      const Point3 d = Sub(p, vertices[t[0]]);
      // Rounding of the triple product itself is allowed for.
      const double excess = Dot(normal, d) - 1e-12 * Norm(e1) * Norm(e2) * Norm(d);
      worst = std::max(worst, excess / length);
    }
  }
  if (worst > tolerance) problems << "a wrapped point lies " << worst << " outside a face; ";
  return problems.str();
}

}  // namespace tl::engine::testing
