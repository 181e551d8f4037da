// Gamut computing from what a caller or a table file can hand it. The first 16 bytes are the
// control block; byte 0 picks the kind of run:
//   even: the engine's exports. The rest of the input is a panel file (its usual 1926 bytes)
//         followed by a tone file; the settings, the set asked for and the gamut record's
//         resolution and illuminant come from the control block. A built set must read out as a
//         closed mesh whose indices stay inside the sizes the engine reported.
//   odd:  the surface of a cloud of points (6 bytes each: three signed 16-bit values / 64), with
//         a NaN, an infinity or a huge value mixed in when byte 1 asks for it. A surface must be a
//         closed, outward mesh that wraps every point it was built on.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "engine/core/engine.h"
#include "engine/core/engine_api.h"
#include "engine/core/gamut.h"
#include "engine/tests/mesh_checks.h"

namespace {

using namespace tl::engine;

constexpr std::size_t kControl = 16;
constexpr std::size_t kPanelFileBytes = kHeaderSize + kPanelDataSize + kExtSize;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::int32_t I32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return static_cast<std::int32_t>(v);
}

class FuzzPlatform final : public EnginePlatform {
 public:
  std::span<const std::uint8_t> panel, tone;
  LoadError ReadTable(const char*, TableKind kind, TableImage& out) override {
    MemorySource source(kind == TableKind::kPanel ? panel : tone);
    return ReadTableFile(source, kind, out);
  }
  void SendRamp(RampTable&) override {}
};

void EngineRun(const std::uint8_t* control, std::span<const std::uint8_t> files) {
  static auto engine = std::make_unique<CTintorEngine>();
  static TintorShared shared{};
  static FuzzPlatform platform;
  const std::size_t split = std::min(files.size(), kPanelFileBytes);
  platform.panel = files.first(split);
  platform.tone = files.subspan(split);
  EngineContext ctx{*engine, shared, platform};

  SetPanelTable(ctx, "panel");
  SetToneTable(ctx, "tone");
  SetMethod(ctx, static_cast<std::int8_t>(control[1]) % 4);
  SetColourfulness(ctx, control[2] % 12, control[3] % 12, control[2] / 12);
  SetColourTemperature(ctx, 4000 + 24u * control[4]);
  SetGammaS(ctx, control[5] == 255 ? std::nan("") : control[5] / 254.0);
  SetGammaV(ctx, control[6] == 255 ? std::numeric_limits<double>::infinity() : 0.5 + control[6] / 170.0);
  SetGamutComputingEnable(ctx, control[7] & 3);
  // Any state the record may be left in, including values no export sets.
  engine->gamut.resolution = I32(control + 8);
  engine->gamut.illuminant = static_cast<std::int8_t>(control[12]);
  const std::int32_t which = static_cast<std::int8_t>(control[13]);
  RampTable ramp{};
  PrepareColourEnhance(ctx, &ramp);
  const std::int32_t sets[] = {which, control[14] & 1};
  for (std::int32_t set : sets) {
    const Status built = CalGamutSurface(ctx, set);
    std::int32_t vertices = -7, triangles = -7;
    const Status sized = GetGamutSize(ctx, set, &vertices, &triangles);
    if (built == kOk) Check(sized == kOk);
    if (sized != kOk) continue;
    Check(vertices >= 4 && vertices <= kMaxGamutSamples && triangles >= 4 && triangles <= kMaxGamutTriangles);
    // Exactly the sizes reported: AddressSanitizer catches a single value written beyond them.
    std::vector<double> vertexData(6 * static_cast<std::size_t>(vertices));
    std::vector<std::int32_t> triangleData(3 * static_cast<std::size_t>(triangles));
    Check(GetGamutSurface(ctx, set, vertexData.data(), triangleData.data()) == kOk);
    std::vector<testing::Point3> points;
    for (std::int32_t v = 0; v < vertices; ++v) {
      points.push_back({vertexData[6 * v], vertexData[6 * v + 1], vertexData[6 * v + 2]});
      for (int c = 0; c < 6; ++c) Check(std::isfinite(vertexData[6 * v + c]));
      for (int c = 3; c < 6; ++c) Check(vertexData[6 * v + c] >= 0.0 && vertexData[6 * v + c] <= 1.0);
    }
    std::vector<testing::Triangle> mesh;
    for (std::int32_t t = 0; t < triangles; ++t)
      mesh.push_back({triangleData[3 * t], triangleData[3 * t + 1], triangleData[3 * t + 2]});
    // The structure only: the vertices read out are the real colours, not the snapped ones.
    const std::string problems = testing::MeshProblems(points, mesh, {}, 1e300);
    Check(problems.find("index") == std::string::npos && problems.find("edge") == std::string::npos &&
          problems.find("Euler") == std::string::npos && problems.find("no triangle") == std::string::npos);
  }
  double difference = 0;
  if (GamutColourDifference(ctx, &difference) == kOk) Check(difference == -1.0 || (std::isfinite(difference) && difference >= 0));
}

void CloudRun(const std::uint8_t* control, std::span<const std::uint8_t> rest) {
  std::vector<GamutPoint> cloud;
  for (std::size_t at = 0; at + 6 <= rest.size() && cloud.size() < kMaxGamutSamples; at += 6) {
    GamutPoint p;
    for (int c = 0; c < 3; ++c) {
      std::int16_t v;
      std::memcpy(&v, rest.data() + at + 2 * c, 2);
      p[c] = v / 64.0;
    }
    cloud.push_back(p);
  }
  bool special = false;
  if (control[1] != 0 && !cloud.empty()) {
    const double values[] = {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300,
                             std::numeric_limits<double>::denorm_min()};
    const double value = values[control[1] % 5];
    cloud[control[2] % cloud.size()][control[3] % 3] = value;
    special = !(std::abs(value) < 1e6);
  }
  const double resolution = control[4] == 0 ? 10.0 : control[4] / 8.0;
  GamutSurface surface;
  const GamutError error = BuildGamutSurface(cloud, resolution, surface);
  if (special) Check(error != GamutError::kNone || std::isfinite(cloud[control[2] % cloud.size()][control[3] % 3]));
  if (error != GamutError::kNone) {
    Check(surface.triangles.empty() || error == GamutError::kInternal);
    Check(error != GamutError::kInternal && error != GamutError::kNoMemory);
    return;
  }
  std::vector<testing::Point3> placed;
  for (int s : surface.vertexSamples) {
    Check(s >= 0 && static_cast<std::size_t>(s) < cloud.size());
    const auto at = std::lower_bound(surface.candidates.begin(), surface.candidates.end(), s);
    Check(at != surface.candidates.end() && *at == s);
    placed.push_back(surface.placed[at - surface.candidates.begin()]);
  }
  const std::vector<testing::Point3> wrapped(surface.placed.begin(), surface.placed.end());
  Check(testing::MeshProblems(placed, surface.triangles, wrapped, 0.0, true).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kControl) return 0;
  const std::span<const std::uint8_t> rest(data + kControl, size - kControl);
  if (data[0] & 1)
    CloudRun(data, rest);
  else
    EngineRun(data, rest);
  return 0;
}
