#include "engine/core/gamut.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace tl::engine {
namespace {

constexpr double kPi = std::numbers::pi;

// ---- Direction cells -------------------------------------------------------------------------

struct Polar {
  double radius = 0, hue = 0, elevation = 0;
};

Polar ToPolar(const GamutPoint& lab) {
  const double dl = lab[0] - kGamutCentre.l, da = lab[1] - kGamutCentre.a, db = lab[2] - kGamutCentre.b;
  Polar p;
  p.radius = std::sqrt(dl * dl + da * da + db * db);
  if (p.radius < 1e-6) return p;
  p.hue = std::atan2(db, da);
  p.elevation = std::asin(std::clamp(dl / p.radius, -1.0, 1.0));
  return p;
}

// The farthest sample wins its cell. Any rank that grows with the radius would do; the radius
// itself places every sample where it is, so the hull below is that of the real colours.
double Rank(const Polar& p) { return p.radius; }

// Cells are split in four (hue and elevation halved) down to the size a sample asks for; deeper
// than this the cells are far below any colour difference.
constexpr int kMaxCellDepth = 30;

struct Cell {
  std::int32_t firstChild = -1;  // four children from here, or none
  std::int32_t sample = -1;
};

class DirectionCells {
 public:
  explicit DirectionCells(double resolution) : resolution_(resolution) {
    cells_.reserve(1024);
    cells_.resize(2);  // hue -pi..0 and 0..pi, each with elevation -pi/2..pi/2
  }

  void Add(int sample, const Polar& p, std::span<const Polar> all) {
    std::int32_t node = p.hue < 0 ? 0 : 1;
    double hue0 = p.hue < 0 ? -kPi : 0.0, hue1 = p.hue < 0 ? 0.0 : kPi;
    double el0 = -kPi / 2, el1 = kPi / 2;
    for (int depth = 0;; ++depth) {
      const double hueMid = (hue0 + hue1) / 2, elMid = (el0 + el1) / 2;
      if (cells_[node].firstChild >= 0) {
        node = Child(node, p, hueMid, elMid, hue0, hue1, el0, el1);
        continue;
      }
      const bool fine = (hue1 - hue0) * p.radius * std::cos(p.elevation) <= resolution_ &&
                        (el1 - el0) * p.radius <= resolution_;
      if (fine || depth >= kMaxCellDepth) {
        std::int32_t& kept = cells_[node].sample;
        if (kept < 0 || Rank(p) > Rank(all[kept])) kept = sample;  // an equal rank keeps the earlier
        return;
      }
      // Finer cells are needed here: the sample kept so far moves into its own child.
      const std::int32_t previous = cells_[node].sample;
      cells_[node].sample = -1;
      const auto first = static_cast<std::int32_t>(cells_.size());
      cells_.resize(cells_.size() + 4);
      cells_[node].firstChild = first;
      if (previous >= 0) {
        const Polar& q = all[previous];
        cells_[first + (q.hue >= hueMid ? 1 : 0) + (q.elevation >= elMid ? 2 : 0)].sample = previous;
      }
    }
  }

  // The kept samples, ascending.
  std::vector<int> Kept() const {
    std::vector<int> kept;
    for (const Cell& cell : cells_) {
      if (cell.sample >= 0) kept.push_back(cell.sample);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
  }

 private:
  std::int32_t Child(std::int32_t node, const Polar& p, double hueMid, double elMid, double& hue0, double& hue1,
                     double& el0, double& el1) const {
    const bool upperHue = p.hue >= hueMid, upperEl = p.elevation >= elMid;
    (upperHue ? hue0 : hue1) = hueMid;
    (upperEl ? el0 : el1) = elMid;
    return cells_[node].firstChild + (upperHue ? 1 : 0) + (upperEl ? 2 : 0);
  }

  double resolution_;
  std::vector<Cell> cells_;
};

// ---- Convex hull -----------------------------------------------------------------------------

// Points are snapped to integers within +-2^19, so that the orientation test below is exact in
// 64-bit arithmetic (terms stay below 2^62): the hull is then decided without rounding, and
// coplanar and duplicate points need no tolerance. The snap moves a point by at most
// 1/2^20 of the cloud's extent (about 2e-4 units of L*a*b*).
constexpr double kSnapRange = 524288.0;  // 2^19

struct IPoint {
  std::int64_t x = 0, y = 0, z = 0;
};

// Positive when d lies on the side of plane (a, b, c) that (b - a) x (c - a) points to.
std::int64_t Orient(const IPoint& a, const IPoint& b, const IPoint& c, const IPoint& d) {
  const std::int64_t bx = b.x - a.x, by = b.y - a.y, bz = b.z - a.z;
  const std::int64_t cx = c.x - a.x, cy = c.y - a.y, cz = c.z - a.z;
  const std::int64_t dx = d.x - a.x, dy = d.y - a.y, dz = d.z - a.z;
  return bx * (cy * dz - cz * dy) - by * (cx * dz - cz * dx) + bz * (cx * dy - cy * dx);
}

struct Face {
  std::array<std::int32_t, 3> v{};   // counter-clockwise seen from outside
  std::array<std::int32_t, 3> nb{};  // nb[i]: the face across edge v[i] -> v[i + 1]
  std::int32_t conflicts = -1;       // first point outside this face (linked through nextConflict)
  bool alive = false;
};

class Hull {
 public:
  explicit Hull(std::span<const IPoint> points)
      : points_(points),
        conflictFace_(points.size(), -1),
        nextConflict_(points.size(), -1),
        startAt_(points.size(), -1),
        endAt_(points.size(), -1) {
    // A hull of m points has at most 2m - 4 faces, and one insertion adds at most as many as it
    // removes plus two: the freed slots are reused, so this never grows.
    faces_.reserve(4 * points.size() + 8);
    stampOf_.assign(faces_.capacity(), 0);
    visible_.assign(faces_.capacity(), false);
  }

  // Inserts the points in `order`; false (with error_) when the cloud is flat or the
  // bookkeeping failed.
  bool Build(std::span<const int> order) {
    if (!StartTetrahedron(order)) return false;
    for (int p : order) {
      if (inSimplex(p) || conflictFace_[p] < 0) continue;  // a corner already, or inside
      if (!Insert(p)) return false;
    }
    return true;
  }

  GamutError error() const { return error_; }
  const std::vector<Face>& faces() const { return faces_; }

 private:
  bool inSimplex(int p) const { return std::find(simplex_.begin(), simplex_.end(), p) != simplex_.end(); }

  std::int64_t Side(std::int32_t face, int p) const {
    const Face& f = faces_[face];
    return Orient(points_[f.v[0]], points_[f.v[1]], points_[f.v[2]], points_[p]);
  }

  std::int32_t NewFace(std::int32_t a, std::int32_t b, std::int32_t c) {
    std::int32_t index;
    if (!free_.empty()) {
      index = free_.back();
      free_.pop_back();
    } else {
      if (faces_.size() == faces_.capacity()) return -1;  // more than a hull can need
      index = static_cast<std::int32_t>(faces_.size());
      faces_.emplace_back();
    }
    Face& f = faces_[index];
    f = Face{};
    f.v = {a, b, c};
    f.alive = true;
    return index;
  }

  bool Fail(GamutError error) {
    error_ = error;
    return false;
  }

  bool StartTetrahedron(std::span<const int> order) {
    if (order.size() < 4) return Fail(GamutError::kFlat);
    const int p0 = order[0];
    const IPoint& a = points_[p0];
    auto farthest = [&](auto measure) {
      int best = -1;
      std::int64_t bestValue = 0;
      for (int q : order) {
        const std::int64_t value = measure(q);
        if (value > bestValue) {
          bestValue = value;
          best = q;
        }
      }
      return best;
    };
    const int p1 = farthest([&](int q) {
      const IPoint& b = points_[q];
      return (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z);
    });
    if (p1 < 0) return Fail(GamutError::kFlat);
    const IPoint& b = points_[p1];
    const int p2 = farthest([&](int q) {
      const IPoint& c = points_[q];
      const std::int64_t ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
      const std::int64_t vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
      return std::abs(uy * vz - uz * vy) + std::abs(uz * vx - ux * vz) + std::abs(ux * vy - uy * vx);
    });
    if (p2 < 0) return Fail(GamutError::kFlat);
    const IPoint& c = points_[p2];
    const int p3 = farthest([&](int q) { return std::abs(Orient(a, b, c, points_[q])); });
    if (p3 < 0) return Fail(GamutError::kFlat);

    // Faces outward: the fourth corner must lie on the inner side of each.
    int q0 = p0, q1 = p1, q2 = p2;
    if (Orient(a, b, c, points_[p3]) > 0) std::swap(q1, q2);
    const std::int32_t f0 = NewFace(q0, q1, q2);
    const std::int32_t f1 = NewFace(q0, p3, q1);
    const std::int32_t f2 = NewFace(q1, p3, q2);
    const std::int32_t f3 = NewFace(q2, p3, q0);
    faces_[f0].nb = {f1, f2, f3};
    faces_[f1].nb = {f3, f2, f0};
    faces_[f2].nb = {f1, f3, f0};
    faces_[f3].nb = {f2, f1, f0};
    simplex_ = {p0, p1, p2, p3};

    const std::array<std::int32_t, 4> start{f0, f1, f2, f3};
    for (int q : order) {
      if (inSimplex(q)) continue;
      for (std::int32_t f : start) {
        if (Side(f, q) > 0) {
          AddConflict(f, q);
          break;
        }
      }
    }
    return true;
  }

  void AddConflict(std::int32_t face, int p) {
    conflictFace_[p] = face;
    nextConflict_[p] = faces_[face].conflicts;
    faces_[face].conflicts = p;
  }

  struct HorizonEdge {
    std::int32_t from, to, outside, inside;
  };

  bool Insert(int p) {
    // The faces p sees form one connected patch; walk it from the face p was filed under.
    ++stamp_;
    visibleFaces_.clear();
    horizon_.clear();
    const std::int32_t first = conflictFace_[p];
    stampOf_[first] = stamp_;
    visible_[first] = true;
    visibleFaces_.push_back(first);
    for (size_t i = 0; i < visibleFaces_.size(); ++i) {
      const std::int32_t f = visibleFaces_[i];
      for (int e = 0; e < 3; ++e) {
        const std::int32_t g = faces_[f].nb[e];
        if (stampOf_[g] != stamp_) {
          stampOf_[g] = stamp_;
          visible_[g] = Side(g, p) > 0;
          if (visible_[g]) visibleFaces_.push_back(g);
        }
        if (!visible_[g]) horizon_.push_back({faces_[f].v[e], faces_[f].v[(e + 1) % 3], g, f});
      }
    }

    // A cone of new faces from the horizon to p, keeping the horizon's orientation.
    newFaces_.clear();
    for (const HorizonEdge& edge : horizon_) {
      if (startAt_[edge.from] >= 0 || endAt_[edge.to] >= 0) return Fail(GamutError::kInternal);
      const std::int32_t nf = NewFace(edge.from, edge.to, p);
      if (nf < 0) return Fail(GamutError::kInternal);
      faces_[nf].nb[0] = edge.outside;
      std::array<std::int32_t, 3>& across = faces_[edge.outside].nb;
      const auto back = std::find(across.begin(), across.end(), edge.inside);
      if (back == across.end()) return Fail(GamutError::kInternal);
      *back = nf;
      startAt_[edge.from] = nf;
      endAt_[edge.to] = nf;
      newFaces_.push_back(nf);
    }
    bool linked = true;
    for (std::int32_t nf : newFaces_) {
      Face& f = faces_[nf];
      f.nb[1] = startAt_[f.v[1]];  // edge v1 -> p is edge p -> v1 of the face starting at v1
      f.nb[2] = endAt_[f.v[0]];    // edge p -> v0 is edge v0 -> p of the face ending at v0
      linked = linked && f.nb[1] >= 0 && f.nb[2] >= 0;
    }
    for (const HorizonEdge& edge : horizon_) {
      startAt_[edge.from] = -1;
      endAt_[edge.to] = -1;
    }
    if (!linked) return Fail(GamutError::kInternal);

    // The points outside the removed faces are filed under a new face they see, or dropped
    // when they are now inside (they stay inside for good).
    for (std::int32_t f : visibleFaces_) {
      for (int q = faces_[f].conflicts; q >= 0;) {
        const int next = nextConflict_[q];
        conflictFace_[q] = -1;
        if (q != p) {
          for (std::int32_t nf : newFaces_) {
            if (Side(nf, q) > 0) {
              AddConflict(nf, q);
              break;
            }
          }
        }
        q = next;
      }
      faces_[f].alive = false;
      faces_[f].conflicts = -1;
      visible_[f] = false;
      free_.push_back(f);
    }
    conflictFace_[p] = -1;
    return true;
  }

  std::span<const IPoint> points_;
  std::vector<Face> faces_;
  std::vector<std::int32_t> free_;
  std::vector<std::int32_t> conflictFace_, nextConflict_, startAt_, endAt_;
  std::vector<std::uint32_t> stampOf_;
  std::vector<bool> visible_;
  std::uint32_t stamp_ = 0;
  std::vector<std::int32_t> visibleFaces_, newFaces_;
  std::vector<HorizonEdge> horizon_;
  std::array<int, 4> simplex_{-1, -1, -1, -1};
  GamutError error_ = GamutError::kNone;
};

GamutError BuildSurfaceUnguarded(std::span<const GamutPoint> samples, double resolution, GamutSurface& out) {
  out = GamutSurface{};
  std::vector<Polar> polar(samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    for (double v : samples[i]) {
      if (!std::isfinite(v)) return GamutError::kNonFiniteSample;
    }
    polar[i] = ToPolar(samples[i]);
  }
  DirectionCells cells(resolution);
  for (size_t i = 0; i < samples.size(); ++i) cells.Add(static_cast<int>(i), polar[i], polar);
  out.candidates = cells.Kept();
  const auto& candidates = out.candidates;

  // Snap the candidates, relative to mid-grey, into the exact integer range.
  double extent = 0;
  for (int s : candidates) {
    extent = std::max({extent, std::abs(samples[s][0] - kGamutCentre.l), std::abs(samples[s][1]),
                       std::abs(samples[s][2])});
  }
  if (!(extent > 0) || !std::isfinite(extent)) return GamutError::kFlat;
  const double scale = kSnapRange / extent;
  std::vector<IPoint> snapped(candidates.size());
  for (size_t i = 0; i < candidates.size(); ++i) {
    const GamutPoint& lab = samples[candidates[i]];
    snapped[i] = {std::llround((lab[0] - kGamutCentre.l) * scale), std::llround(lab[1] * scale),
                  std::llround(lab[2] * scale)};
  }
  out.placed.resize(candidates.size());
  for (size_t i = 0; i < candidates.size(); ++i) {
    out.placed[i] = {kGamutCentre.l + snapped[i].x / scale, kGamutCentre.a + snapped[i].y / scale,
                     kGamutCentre.b + snapped[i].z / scale};
  }

  // Outermost first: the hull is large early and most later points fall inside at once.
  std::vector<int> order(candidates.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int x, int y) { return Rank(polar[candidates[x]]) > Rank(polar[candidates[y]]); });

  Hull hull(snapped);
  if (!hull.Build(order)) return hull.error();

  // Candidates on the hull, numbered in candidate order.
  std::vector<std::int32_t> number(candidates.size(), -1);
  for (const Face& f : hull.faces()) {
    if (!f.alive) continue;
    for (std::int32_t v : f.v) number[v] = 0;
  }
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (number[i] < 0) continue;
    number[i] = static_cast<std::int32_t>(out.vertexSamples.size());
    out.vertexSamples.push_back(candidates[i]);
  }
  for (const Face& f : hull.faces()) {
    if (f.alive) out.triangles.push_back({number[f.v[0]], number[f.v[1]], number[f.v[2]]});
  }
  // The mesh follows the real colours, which lie within half a snap step of where the hull took
  // them: a solid thinner than a few steps could turn inside out there, so it counts as flat.
  double volume = 0, area = 0;
  for (const GamutTriangle& t : out.triangles) {
    const GamutPoint& a = samples[out.vertexSamples[t[0]]];
    const GamutPoint& b = samples[out.vertexSamples[t[1]]];
    const GamutPoint& c = samples[out.vertexSamples[t[2]]];
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    volume += (a[0] - kGamutCentre.l) * n[0] + (a[1] - kGamutCentre.a) * n[1] + (a[2] - kGamutCentre.b) * n[2];
    area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  }
  // Both doubled: the thickness 3V/A is volume / area here.
  const double snapStep = extent / kSnapRange;
  if (!(volume > 0) || !(volume / area > 64 * snapStep)) {
    out = GamutSurface{};
    return GamutError::kFlat;
  }
  if (out.vertexSamples.size() > static_cast<size_t>(kMaxGamutSamples) ||
      out.triangles.size() > static_cast<size_t>(kMaxGamutTriangles)) {
    return GamutError::kInternal;
  }
  return GamutError::kNone;
}

void ForgetSet(CGamutEngine& gamut, int set) {
  gamut.built[set] = 0;
  gamut.vertexCount[set] = 0;
  gamut.triangleCount[set] = 0;
  gamut.sampleCount[set] = 0;
}

void MakeGrid(CGamutEngine& gamut, std::int32_t resolution) {
  const int n = GamutGridSteps(resolution);
  std::array<GridIndex, kMaxGamutSamples> order;
  const int count = GamutSamplingOrder(n, order);
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) gamut.grid[i][c] = static_cast<double>(order[i][c]) / (n - 1);
  }
  gamut.gridCount = count;
  gamut.gridResolution = resolution;
  ++gamut.gridGeneration;
}

}  // namespace

std::int32_t ClampGamutResolution(std::int32_t resolution) {
  return std::clamp(resolution, kMinGamutResolution, kMaxGamutResolution);
}

int GamutGridSteps(std::int32_t resolution) { return std::max(5, 100 / ClampGamutResolution(resolution)); }

int GamutSamplingOrder(int n, std::span<GridIndex> out) {
  // Beyond 1024 steps the Gray codes would not fit 32 bits; the engine uses at most 10.
  if (n < 1 || n > 1024 || out.empty()) return 0;
  int bits = 0;
  while ((1 << bits) < n) ++bits;
  int count = 0;
  out[count++] = {0, 0, 0};
  const std::uint32_t end = 1u << (3 * bits);
  for (std::uint32_t t = 1; t < end && count < static_cast<int>(out.size()); ++t) {
    const std::uint32_t gray = t ^ (t >> 1);
    std::array<std::uint32_t, 3> coordinate{};
    for (int level = 0; level < bits; ++level) {
      for (int k = 0; k < 3; ++k) {
        const int axis = level % 2 == 0 ? k : 2 - k;
        coordinate[axis] |= ((gray >> (3 * level + k)) & 1u) << level;
      }
    }
    bool inside = true;
    GridIndex point{};
    for (int axis = 0; axis < 3; ++axis) {
      std::uint32_t binary = coordinate[axis];
      for (std::uint32_t shift = coordinate[axis] >> 1; shift; shift >>= 1) binary ^= shift;
      point[axis] = static_cast<int>(binary);
      inside = inside && point[axis] < n;
    }
    if (inside) out[count++] = point;
  }
  return count;
}

ViewingCondition SelectViewingCondition(std::int32_t selector, const ViewingCondition& previous) {
  ViewingCondition v;
  switch (selector) {
    case 0: v = {"Practical Reflection Print", 0.2, 3, 34.0, 0.02}; break;
    case 1: v = {"Print evaluation environment", 0.2, 3, 60.0, 0.02}; break;
    case 2: v = {"Monitor in typical work environment", 0.2, 3, 33.0, 0.02}; break;
    case 3: v = {"Monitor in darkened work environment", 0.2, 2, 4.0, 0.01}; break;
    case 4: v = {"Projector in dim environment", 0.2, 2, previous.adaptingLuminance, 0.01}; break;
    case 5: v = {"Projector in dark environment", 0.2, 1, previous.adaptingLuminance, 0.01}; break;
    case 6: v = {"Original scene - Outdoors", 0.2, 3, 200.0, 0.0}; break;
    case 7: v = {"Photo CD - original scene", 0.2, 3, 320.0, 0.0}; break;
    case 8: v = {"Transparencies on a viewing box", 0.2, 4, 53.0, 0.01}; break;
    default: v = {"Default Viewing Condition", 0.2, 3, 50.0, 0.02}; break;
  }
  return v;
}

double GamutChannelValue(const ChannelTable& table, double x, bool scaled) {
  const double a = std::clamp(x * 255.0, 0.0, 255.0);
  const int k = std::min(static_cast<int>(std::floor(a)), kLevels - 2);
  const double value = table[k] + (a - k) * (table[k + 1] - table[k]);
  return scaled ? value / 65535.0 : value;
}

GamutColourModel MakeGamutColourModel(const ColourTables& colours, const ExtBlock& panel, std::int32_t illuminant) {
  GamutColourModel model;
  model.rgbToXyz = PrimariesMatrix(panel.red, panel.green, panel.blue);
  model.viewingWhite = WhiteOrD65(panel.white);
  // Colours relative to the panel's white are carried to D50, the white of L*a*b*, so that the
  // panel white is neutral there.
  if (illuminant == kAdaptingIlluminant) model.adaptation = BradfordAdaptation(model.viewingWhite, kD50);
  model.scaled = GamutChannelValue(colours[0], 254.0 / 255.0, false) > 1.0;
  return model;
}

Lab GamutSampleLab(const ColourTables& colours, const GamutColourModel& model, const GamutPoint& rgb) {
  const Vec3 linear{GamutChannelValue(colours[0], rgb[0], model.scaled),
                    GamutChannelValue(colours[1], rgb[1], model.scaled),
                    GamutChannelValue(colours[2], rgb[2], model.scaled)};
  return XyzToLab(model.adaptation * (model.rgbToXyz * linear), kD50);
}

std::array<double, 3> GamutDrawingColour(Lab lab) {
  Lab lighter = lab;
  lighter.l = 0.6 * lab.l + 40.0;
  Vec3 xyz = LabToXyz(lighter, kD50);
  if (lighter.l <= 8.0) {
    xyz.y = lighter.l / 903.2963058 * kD50.y;
  } else {
    const double fy = (lighter.l + 16.0) / 116.0;
    xyz.y = fy * fy * fy * kD50.y;
  }
  // The RGB matrix below is made for a D65 white; carried there first, a neutral L*a*b* colour
  // is drawn grey rather than yellowish.
  static const Mat3 toD65 = BradfordAdaptation(kD50, kD65);
  xyz = toD65 * xyz;
  const std::array<double, 3> rgb{3.241 * xyz.x - 1.5374 * xyz.y - 0.4986 * xyz.z,
                                  -0.9692 * xyz.x + 1.876 * xyz.y + 0.0416 * xyz.z,
                                  0.0556 * xyz.x - 0.204 * xyz.y + 1.057 * xyz.z};
  return {std::clamp(rgb[0], 0.0, 1.0), std::clamp(rgb[1], 0.0, 1.0), std::clamp(rgb[2], 0.0, 1.0)};
}

const char* Describe(GamutError error) {
  switch (error) {
    case GamutError::kNone: return "no error";
    case GamutError::kBlackNotDark: return "the panel black is not dark";
    case GamutError::kNonFiniteSample: return "a sample is not a finite colour";
    case GamutError::kFlat: return "the samples do not span a solid";
    case GamutError::kNoMemory: return "out of memory for the surface";
    case GamutError::kInternal: return "internal error of the surface builder";
  }
  return "unknown error";
}

GamutError BuildGamutSurface(std::span<const GamutPoint> samples, double resolution, GamutSurface& out) {
  try {
    return BuildSurfaceUnguarded(samples, resolution, out);
  } catch (const std::bad_alloc&) {
    out = GamutSurface{};
    return GamutError::kNoMemory;
  } catch (...) {
    out = GamutSurface{};
    return GamutError::kInternal;
  }
}

GamutError RunGamutSurface(CGamutEngine& gamut, int set, const ColourTables& colours, const ExtBlock& panel) {
  ForgetSet(gamut, set);
  gamut.resolution = ClampGamutResolution(gamut.resolution);
  gamut.viewing = SelectViewingCondition(kMonitorTypicalWork, gamut.viewing);
  if (panel.black.Sum() >= kAbsentWhiteSum || !std::isfinite(panel.black.Sum())) return GamutError::kBlackNotDark;
  if (gamut.gridResolution != gamut.resolution || gamut.gridCount == 0) MakeGrid(gamut, gamut.resolution);

  const GamutColourModel model = MakeGamutColourModel(colours, panel, gamut.illuminant);
  auto& samples = gamut.samples[set];
  for (int i = 0; i < gamut.gridCount; ++i) {
    const Lab lab = GamutSampleLab(colours, model, gamut.grid[i]);
    samples[i] = {lab.l, lab.a, lab.b};
  }

  GamutSurface surface;
  const GamutError error =
      BuildGamutSurface(std::span<const GamutPoint>(samples.data(), gamut.gridCount), gamut.resolution, surface);
  if (error != GamutError::kNone) return error;

  GamutMeshStore& mesh = gamut.meshes[set];
  for (size_t i = 0; i < surface.vertexSamples.size(); ++i) {
    const GamutPoint& lab = samples[surface.vertexSamples[i]];
    const std::array<double, 3> colour = GamutDrawingColour({lab[0], lab[1], lab[2]});
    mesh.vertices[i] = {lab[0], lab[1], lab[2], colour[0], colour[1], colour[2]};
  }
  std::copy(surface.triangles.begin(), surface.triangles.end(), mesh.triangles.begin());
  gamut.vertexCount[set] = static_cast<std::int32_t>(surface.vertexSamples.size());
  gamut.triangleCount[set] = static_cast<std::int32_t>(surface.triangles.size());
  gamut.sampleCount[set] = gamut.gridCount;
  gamut.sampleGeneration[set] = gamut.gridGeneration;
  gamut.lastSampleCount = gamut.gridCount;
  gamut.built[set] = 1;
  return GamutError::kNone;
}

double GamutMeanColourDifference(const CGamutEngine& gamut) {
  const int d = kGamutSetDisplayed, e = kGamutSetEnhanced;
  if (!gamut.built[d] || !gamut.built[e] || gamut.sampleGeneration[d] != gamut.sampleGeneration[e] ||
      gamut.sampleCount[d] != gamut.sampleCount[e] || gamut.sampleCount[d] <= 0) {
    return -1.0;
  }
  double sum = 0;
  for (int s = 0; s < gamut.sampleCount[d]; ++s) {
    const GamutPoint& x = gamut.samples[e][s];
    const GamutPoint& y = gamut.samples[d][s];
    sum += std::sqrt((x[0] - y[0]) * (x[0] - y[0]) + (x[1] - y[1]) * (x[1] - y[1]) + (x[2] - y[2]) * (x[2] - y[2]));
  }
  return sum / gamut.sampleCount[d];
}

}  // namespace tl::engine
