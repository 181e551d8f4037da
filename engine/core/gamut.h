// Gamut computing: the panel's RGB cube sampled in Gray-code order, each sample in CIE L*a*b*,
// the outermost sample per direction around mid-grey, and their convex hull as a closed,
// outward-oriented triangle mesh. Faults are reported as results; nothing here ends the process.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/core/colour.h"
#include "engine/core/gamut_state.h"
#include "engine/core/table_file.h"

namespace tl::engine {

// Steps per RGB axis: max(5, trunc(100 / resolution)) with the resolution clamped to 10..25.
int GamutGridSteps(std::int32_t resolution);
std::int32_t ClampGamutResolution(std::int32_t resolution);

using GridIndex = std::array<int, 3>;

// The n x n x n grid (1 <= n <= 1024) in sampling order: (0, 0, 0), then for t = 1 .. 2^(3b) - 1 (b the
// bits of n - 1) the Gray code of t dealt out bit by bit, lowest level first, to the coordinates
// 0, 1, 2 at even levels and 2, 1, 0 at odd ones, each coordinate turned from Gray code into
// binary, points with a coordinate of n or more skipped. Fills `out` up to its size; gives the
// number of points.
int GamutSamplingOrder(int n, std::span<GridIndex> out);

// The viewing conditions by selector; 4 and 5 keep the adapting luminance of `previous`.
ViewingCondition SelectViewingCondition(std::int32_t selector, const ViewingCondition& previous);

// How the samples of one set are turned into L*a*b*.
struct GamutColourModel {
  Mat3 rgbToXyz;        // columns: the panel's red, green and blue XYZ
  Mat3 adaptation;      // Bradford from the viewing white to D50, or the identity
  bool scaled = false;  // the tables hold 0..65535 values
  Vec3 viewingWhite;    // the panel white, or D65 when the panel has none
};

// The model for a set: the panel's primaries, and with the adapting illuminant the Bradford
// adaptation from the panel white to D50, the white of L*a*b*. The red table decides the scale.
GamutColourModel MakeGamutColourModel(const ColourTables& colours, const ExtBlock& panel, std::int32_t illuminant);

// One channel of a set at x in 0..1: linear between the two nearest of its 256 entries.
double GamutChannelValue(const ChannelTable& table, double x, bool scaled);

// The L*a*b* (relative to D50) of the set's colour for an RGB grid point.
Lab GamutSampleLab(const ColourTables& colours, const GamutColourModel& model, const GamutPoint& rgb);

// The colour a vertex is drawn in: (0.6 L* + 40, a*, b*) back to XYZ relative to D50, carried
// to D65 and turned into linear RGB, each clamped to 0..1.
std::array<double, 3> GamutDrawingColour(Lab lab);

enum class GamutError {
  kNone,
  kBlackNotDark,     // the panel black's X + Y + Z is 0.5 or more
  kNonFiniteSample,  // a sample came out NaN or infinite
  kFlat,             // the samples lie on one plane (or line, or point): no solid to wrap
  kNoMemory,         // the surface structures could not be allocated
  kInternal,         // the hull's own bookkeeping disagreed; the run is abandoned
};
const char* Describe(GamutError error);

// The surface of a cloud of L*a*b* samples.
struct GamutSurface {
  std::vector<int> candidates;          // samples kept as the outermost of their direction, ascending
  std::vector<GamutPoint> placed;       // per candidate, where the hull took it (within 2e-6 of the extent)
  std::vector<int> vertexSamples;       // per output vertex, its sample; ascending
  std::vector<GamutTriangle> triangles;  // output vertex indices, counter-clockwise seen from outside
};

// Mid-grey, the centre of the direction cells.
inline constexpr Lab kGamutCentre{50.0, 0.0, 0.0};

// Keeps the farthest sample from mid-grey per direction cell (a cell spans about `resolution`
// units of L*a*b* distance at the sample's radius) and builds the convex hull of those.
GamutError BuildGamutSurface(std::span<const GamutPoint> samples, double resolution, GamutSurface& out);

// One run of AC_CalGamutSurface on a set (kGamutSetDisplayed or kGamutSetEnhanced) whose readiness
// the caller has checked. On success the set's samples and mesh are stored and marked built; on
// failure the set is marked not built and its counts are 0.
GamutError RunGamutSurface(CGamutEngine& gamut, int set, const ColourTables& colours, const ExtBlock& panel);

// Mean CIE 1976 colour difference between sample s of the enhanced and of the displayed set, or
// -1.0 when the two sets were not both built from the same grid.
double GamutMeanColourDifference(const CGamutEngine& gamut);

}  // namespace tl::engine
