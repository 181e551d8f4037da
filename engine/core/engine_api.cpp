#include "engine/core/engine_api.h"

#include <cmath>
#include <cstring>

#include "engine/core/gamut.h"

namespace tl::engine {
namespace {

// Copies a caller's path into a field; false (field emptied) when it does not fit, so that
// nothing is ever read or written past the field.
bool StorePath(const char* path, std::array<char, kPathField>& field) {
  field.fill('\0');
  if (!path) return false;
  const std::size_t length = strnlen(path, kPathField);
  if (length >= kPathField) return false;
  std::memcpy(field.data(), path, length);
  return true;
}

Status LoadTable(EngineContext& ctx, const char* path, TableKind kind) {
  const bool panel = kind == TableKind::kPanel;
  auto& field = panel ? ctx.engine.panelPath : ctx.engine.tonePath;
  std::uint32_t& loaded = panel ? ctx.engine.panelLoaded : ctx.engine.toneLoaded;
  const Status failure = panel ? kPanelTableFailed : kToneTableFailed;
  loaded = 0;
  if (!StorePath(path, field)) return failure;
  // Read into a scratch image first: a failed load leaves the previous tables whole.
  TableImage image;
  if (ctx.platform.ReadTable(field.data(), kind, image) != LoadError::kNone) return failure;
  if (panel) {
    ctx.engine.AcceptPanel(image);
    ctx.shared.panelTemperature = image.ext.nativeTemperature;
  } else {
    ctx.engine.AcceptTone(image);
  }
  return kOk;
}

Status CopyPath(const std::array<char, kPathField>& field, char* out) {
  if (out) std::memcpy(out, field.data(), kPathField);
  return kOk;
}

double Clamp(double value, double low, double high) {
  if (std::isnan(value)) return low;
  return value < low ? low : (value > high ? high : value);
}

bool ValidSet(std::int32_t which) { return which == kGamutSetDisplayed || which == kGamutSetEnhanced; }

}  // namespace

Status SetPanelTable(EngineContext ctx, const char* path) { return LoadTable(ctx, path, TableKind::kPanel); }
Status GetPanelTable(const EngineContext& ctx, char* out) { return CopyPath(ctx.engine.panelPath, out); }
Status SetToneTable(EngineContext ctx, const char* path) { return LoadTable(ctx, path, TableKind::kTone); }
Status GetToneTable(const EngineContext& ctx, char* out) { return CopyPath(ctx.engine.tonePath, out); }

Status SetColourfulness(EngineContext ctx, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  // Only the low 16 bits of each argument count.
  const Levels levels{ClampLevel(r & 0xFFFF), ClampLevel(g & 0xFFFF), ClampLevel(b & 0xFFFF)};
  ctx.engine.colourfulness = levels;
  ctx.shared.colourfulnessR = levels[0];
  ctx.shared.colourfulnessG = levels[1];
  ctx.shared.colourfulnessB = levels[2];
  ctx.engine.colourfulnessOn = 1;
  return kOk;
}

Status GetColourfulness(const EngineContext& ctx, std::uint16_t* r, std::uint16_t* g, std::uint16_t* b) {
  if (r) *r = ctx.shared.colourfulnessR;
  if (g) *g = ctx.shared.colourfulnessG;
  if (b) *b = ctx.shared.colourfulnessB;
  return kOk;
}

Status SetColourTemperature(EngineContext ctx, std::uint32_t kelvin) {
  std::uint32_t k = kelvin & 0xFFFF;
  k = k < kMinTemperature ? kMinTemperature : (k > kMaxTemperature ? kMaxTemperature : k);
  ctx.engine.targetTemperature = static_cast<std::uint16_t>(k);
  ctx.shared.colourTemperature = static_cast<std::uint16_t>(k);
  ctx.engine.temperatureOn = 1;
  return kOk;
}

Status GetColourTemperature(const EngineContext& ctx, std::uint16_t* kelvin) {
  if (kelvin) *kelvin = ctx.shared.colourTemperature;
  return kOk;
}

Status ApplyColourEnhance(EngineContext ctx) {
  if (ctx.engine.prepared != 1) {
    ctx.engine.lastResult = ctx.engine.Compute(ctx.shared.method) ? 1 : 0;
  }
  ctx.platform.SendRamp(ctx.engine.ramp);
  ctx.engine.prepared = 0;
  return kOk;
}

Status CancelColourEnhance(EngineContext ctx) {
  ctx.engine.ramp = IdentityRamp();
  ctx.engine.prepared = 0;
  ctx.platform.SendRamp(ctx.engine.ramp);
  return kOk;
}

Status PrepareColourEnhance(EngineContext ctx, RampTable* out) {
  const bool ok = ctx.engine.Compute(ctx.shared.method);
  ctx.engine.lastResult = ok ? 1 : 0;
  if (!ok) return kPrepareFailed;
  if (out) *out = ctx.engine.ramp;
  return kOk;
}

Status SetMethod(EngineContext ctx, std::int32_t method) {
  if (method < 0 || method > 2) return kMethodRefused;
  ctx.shared.method = method;
  return kOk;
}

Status GamutColourDifference(EngineContext ctx, double* out) {
  if (ctx.shared.gamutEnable != 1) return kColourDifferenceFailed;
  // -1 without both meshes (of the same grid) to compare.
  const double difference = GamutMeanColourDifference(ctx.engine.gamut);
  ctx.shared.colourDifference = difference;
  if (out) *out = difference;
  return kOk;
}

Status SetGamutComputingEnable(EngineContext ctx, std::int32_t value) {
  ctx.engine.gamutOn = value == 1 ? 1 : 0;
  ctx.shared.gamutEnable = value;
  return kOk;
}

Status CalGamutSurface(EngineContext ctx, std::int32_t which) {
  if (!ValidSet(which) || ctx.shared.gamutEnable != 1) return kGamutSurfaceFailed;
  const bool ready = which == kGamutSetEnhanced ? ctx.engine.enhancedReady == 1 : ctx.engine.displayedReady == 1;
  if (!ready) return kGamutSurfaceFailed;
  const ColourTables& colours = which == kGamutSetEnhanced ? ctx.engine.enhancedColours : ctx.engine.displayedColours;
  return RunGamutSurface(ctx.engine.gamut, which, colours, ctx.engine.panelExt) == GamutError::kNone
             ? kOk
             : kGamutSurfaceFailed;
}

Status GetGamutSize(EngineContext ctx, std::int32_t which, std::int32_t* vertices, std::int32_t* triangles) {
  const int set = which == kGamutSetEnhanced ? kGamutSetEnhanced : kGamutSetDisplayed;
  const CGamutEngine& gamut = ctx.engine.gamut;
  if (vertices) *vertices = gamut.vertexCount[set];
  if (triangles) *triangles = gamut.triangleCount[set];
  if (gamut.vertexCount[set] <= 0 || gamut.triangleCount[set] <= 0) return kGamutSizeFailed;
  return kOk;
}

Status GetGamutSurface(EngineContext ctx, std::int32_t which, double* vertices, std::int32_t* triangles) {
  const int set = which == kGamutSetEnhanced ? kGamutSetEnhanced : kGamutSetDisplayed;
  const CGamutEngine& gamut = ctx.engine.gamut;
  const std::int32_t vertexCount = gamut.vertexCount[set], triangleCount = gamut.triangleCount[set];
  if (vertexCount <= 0 || triangleCount <= 0 || !vertices || !triangles) return kGamutReadOutFailed;
  const GamutMeshStore& mesh = gamut.meshes[set];
  for (std::int32_t i = 0; i < vertexCount; ++i) std::memcpy(vertices + 6 * i, mesh.vertices[i].data(), sizeof(GamutVertex));
  for (std::int32_t i = 0; i < triangleCount; ++i) std::memcpy(triangles + 3 * i, mesh.triangles[i].data(), sizeof(GamutTriangle));
  return kOk;
}

Status SetGammaS(EngineContext ctx, double value) {
  const double v = Clamp(value, 0.0, 1.0);
  ctx.engine.strength = v;
  ctx.shared.gammaS = v;
  return kOk;
}

Status SetGammaV(EngineContext ctx, double value) {
  const double v = Clamp(value, 0.5, 1.975);
  ctx.engine.gammaV = v;
  ctx.shared.gammaV = v;
  return kOk;
}

Status GetGammaS(const EngineContext& ctx, double* out) {
  if (out) *out = ctx.shared.gammaS;
  return kOk;
}

Status GetGammaV(const EngineContext& ctx, double* out) {
  if (out) *out = ctx.shared.gammaV;
  return kOk;
}

}  // namespace tl::engine
