// The two table-file loaders and, when a file loads, the computation. The first input byte picks
// the file kind, the method and the settings, the rest is the file. A failed load through the
// engine's exports must leave the tables loaded before it whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "engine/core/engine.h"
#include "engine/core/engine_api.h"
#include "engine/tests/test_tables.h"

namespace {

using namespace tl::engine;

// Files by name: "good" is a sound table of the kind asked for, anything else the fuzzer's file.
class FuzzPlatform final : public EnginePlatform {
 public:
  std::span<const std::uint8_t> file;
  LoadError ReadTable(const char* path, TableKind kind, TableImage& out) override {
    if (path[0] == 'g') {
      out = kind == TableKind::kPanel ? GoodPanel() : GoodTone();
      return LoadError::kNone;
    }
    MemorySource source(file);
    return ReadTableFile(source, kind, out);
  }
  void SendRamp(RampTable&) override {}

  static const TableImage& GoodPanel() {
    static const TableImage panel = testing::DisplayPanel(2.4);
    return panel;
  }
  static const TableImage& GoodTone() {
    static const TableImage tone = testing::PowerTone(2.2, GoodPanel().ext);
    return tone;
  }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto engine = std::make_unique<CTintorEngine>();
  static TintorShared shared{};
  static FuzzPlatform platform;
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  const bool panel = control & 1;
  platform.file = std::span<const std::uint8_t>(data + 1, size - 1);
  EngineContext ctx{*engine, shared, platform};

  // A sound pair first, then the fuzzer's file in place of one of them.
  Check(SetPanelTable(ctx, "good") == kOk && SetToneTable(ctx, "good") == kOk);
  const ColourTables before = panel ? engine->panelTable : engine->toneTable;
  const Status status = panel ? SetPanelTable(ctx, "fuzz") : SetToneTable(ctx, "fuzz");
  if (status != kOk) {
    // Refused: the loaded flag is clear and the previous table is untouched.
    Check((panel ? engine->panelLoaded : engine->toneLoaded) == 0);
    Check((panel ? engine->panelTable : engine->toneTable) == before);
    Check(!engine->Compute(0));
    return 0;
  }
  SetGamutComputingEnable(ctx, (control >> 1) & 1);
  engine->temperatureOn = (control >> 2) & 1;
  SetColourfulness(ctx, control % 11, 3, 10);
  SetGammaS(ctx, ((control >> 3) & 3) / 3.0);
  SetGammaV(ctx, 0.5 + (control >> 5) * 0.2);
  SetMethod(ctx, control % 3);
  RampTable ramp{};
  PrepareColourEnhance(ctx, &ramp);
  return 0;
}
