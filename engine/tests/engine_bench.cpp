// One full colour-tone computation per method, with gamut computing off and on, and the gamut
// surface of each colour set at the initial resolution (1000 samples).
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/core/engine.h"
#include "engine/core/gamut.h"
#include "engine/tests/test_tables.h"

namespace {

using namespace tl::engine;

void FullComputation(benchmark::State& state) {
  const auto method = static_cast<std::int32_t>(state.range(0));
  const bool gamut = state.range(1) != 0;
  auto engine = std::make_unique<CTintorEngine>();
  const TableImage panel = testing::DisplayPanel(2.4);
  engine->AcceptPanel(panel);
  engine->AcceptTone(testing::PowerTone(2.0, panel.ext));
  // The settings every caller uses: temperature and colourfulness steps on.
  engine->temperatureOn = 1;
  engine->targetTemperature = 7500;
  engine->colourfulnessOn = 1;
  engine->colourfulness = {3, 3, 3};
  engine->strength = 0.5;
  engine->gammaV = 1.4;
  engine->gamutOn = gamut ? 1 : 0;
  for (auto _ : state) {
    const bool ok = engine->Compute(method);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(engine->ramp.data());
  }
}

BENCHMARK(FullComputation)
    ->ArgNames({"method", "gamut"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// AC_CalGamutSurface on one set: the samples in L*a*b*, the direction cells and the hull.
void GamutSurface(benchmark::State& state) {
  const int set = static_cast<int>(state.range(0));
  auto engine = std::make_unique<CTintorEngine>();
  const TableImage panel = testing::DisplayPanel(2.4);
  engine->AcceptPanel(panel);
  engine->AcceptTone(testing::PowerTone(2.0, panel.ext));
  engine->colourfulnessOn = 1;
  engine->colourfulness = {3, 3, 3};
  engine->strength = 0.5;
  engine->gammaV = 1.4;
  engine->gamutOn = 1;
  if (!engine->Compute(1) || !engine->enhancedReady || !engine->displayedReady) {
    state.SkipWithError("the computation did not prepare both colour sets");
    return;
  }
  const ColourTables& colours = set == kGamutSetEnhanced ? engine->enhancedColours : engine->displayedColours;
  for (auto _ : state) {
    const GamutError error = RunGamutSurface(engine->gamut, set, colours, engine->panelExt);
    benchmark::DoNotOptimize(error);
  }
  state.counters["vertices"] = engine->gamut.vertexCount[set];
  state.counters["triangles"] = engine->gamut.triangleCount[set];
}

BENCHMARK(GamutSurface)->ArgName("enhanced")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
