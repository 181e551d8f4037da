// What each export of the engine does, on the process's engine record and the shared record,
// with the platform (files, display) behind an interface so that it runs natively in tests.
#pragma once

#include <cstdint>

#include "engine/core/engine.h"
#include "engine/core/shared_record.h"
#include "engine/core/status.h"

namespace tl::engine {

class EnginePlatform {
 public:
  // Opens path (narrow, the system's code page) and reads it as a table file.
  virtual LoadError ReadTable(const char* path, TableKind kind, TableImage& out) = 0;
  // Sends a ramp to the display by the current road; may change it in place (headroom rule).
  virtual void SendRamp(RampTable& ramp) = 0;

 protected:
  ~EnginePlatform() = default;
};

struct EngineContext {
  CTintorEngine& engine;
  TintorShared& shared;
  EnginePlatform& platform;
};

Status SetPanelTable(EngineContext ctx, const char* path);
Status GetPanelTable(const EngineContext& ctx, char* out);
Status SetToneTable(EngineContext ctx, const char* path);
Status GetToneTable(const EngineContext& ctx, char* out);
Status SetColourfulness(EngineContext ctx, std::uint32_t r, std::uint32_t g, std::uint32_t b);
Status GetColourfulness(const EngineContext& ctx, std::uint16_t* r, std::uint16_t* g, std::uint16_t* b);
Status SetColourTemperature(EngineContext ctx, std::uint32_t kelvin);
Status GetColourTemperature(const EngineContext& ctx, std::uint16_t* kelvin);
Status ApplyColourEnhance(EngineContext ctx);
Status CancelColourEnhance(EngineContext ctx);
Status PrepareColourEnhance(EngineContext ctx, RampTable* out);
Status SetMethod(EngineContext ctx, std::int32_t method);
Status GamutColourDifference(EngineContext ctx, double* out);
Status SetGamutComputingEnable(EngineContext ctx, std::int32_t value);
Status CalGamutSurface(EngineContext ctx, std::int32_t which);
Status GetGamutSize(EngineContext ctx, std::int32_t which, std::int32_t* vertices, std::int32_t* triangles);
Status GetGamutSurface(EngineContext ctx, std::int32_t which, double* vertices, std::int32_t* triangles);
Status SetGammaS(EngineContext ctx, double value);
Status SetGammaV(EngineContext ctx, double value);
Status GetGammaS(const EngineContext& ctx, double* out);
Status GetGammaV(const EngineContext& ctx, double* out);

}  // namespace tl::engine
