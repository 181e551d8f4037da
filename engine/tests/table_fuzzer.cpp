// libFuzzer target for the two table-file loaders and, when a file loads, the computation by
// every method. Built with clang only (see engine/README.md); the normal suite runs the bounded
// mutation test in fuzz_test.cpp instead.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/core/engine.h"
#include "engine/tests/test_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tl::engine;
  static const TableImage goodPanel = testing::DisplayPanel(2.4);
  static const TableImage goodTone = testing::PowerTone(2.2, goodPanel.ext);
  static auto engine = std::make_unique<CTintorEngine>();
  if (size == 0) return 0;
  // The first byte picks the kind and the settings; the rest is the file.
  const std::uint8_t control = data[0];
  MemorySource source(std::span<const std::uint8_t>(data + 1, size - 1));
  const bool panel = control & 1;
  TableImage image;
  if (ReadTableFile(source, panel ? TableKind::kPanel : TableKind::kTone, image) != LoadError::kNone) return 0;
  engine->AcceptPanel(panel ? image : goodPanel);
  engine->AcceptTone(panel ? goodTone : image);
  engine->gamutOn = (control >> 1) & 1;
  engine->temperatureOn = (control >> 2) & 1;
  engine->colourfulnessOn = 1;
  engine->colourfulness = {static_cast<std::uint16_t>(control % 11), 3, 10};
  engine->strength = ((control >> 3) & 3) / 3.0;
  engine->gammaV = 0.5 + (control >> 5) * 0.2;
  for (std::int32_t method = 0; method < 3; ++method) engine->Compute(method);
  return 0;
}
