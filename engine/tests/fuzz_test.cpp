// Bounded random mutation of valid panel and tone files through the loaders and, when a
// mutant still loads, through every method of the computation. Run under ASan/UBSan, any
// out-of-bounds access or undefined conversion fails the test.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <cmath>
#include <cstring>

#include "engine/core/engine.h"
#include "engine/tests/test_tables.h"

namespace tl::engine {
namespace {

constexpr int kMutantsPerKind = 6000;

std::vector<std::uint8_t> Mutate(std::vector<std::uint8_t> bytes, std::mt19937& rng) {
  std::uniform_int_distribution<int> action(0, 5);
  const int steps = 1 + static_cast<int>(rng() % 8);
  for (int s = 0; s < steps; ++s) {
    auto at = [&] { return bytes.empty() ? 0 : static_cast<std::size_t>(rng() % bytes.size()); };
    switch (action(rng)) {
      case 0:  // flip a byte
        if (!bytes.empty()) bytes[at()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        break;
      case 1:  // random byte
        if (!bytes.empty()) bytes[at()] = static_cast<std::uint8_t>(rng());
        break;
      case 2:  // truncate
        bytes.resize(at());
        break;
      case 3:  // aim the extension offset anywhere (both offset fields)
        if (bytes.size() >= 43) {
          const std::uint32_t offset = rng() % 3 == 0 ? static_cast<std::uint32_t>(rng()) : static_cast<std::uint32_t>(rng() % 8000);
          const std::size_t field = rng() % 2 ? 38 : 39;
          for (int i = 0; i < 4; ++i) bytes[field + i] = static_cast<std::uint8_t>(offset >> (8 * i));
        }
        break;
      case 4: {  // an extreme double (NaN, infinity, huge, tiny, negative) somewhere
        static constexpr double kValues[] = {1e308, -1e308, 1e-308, -0.0, 65535.0 * 1e6, -65535.0, 3.0e9, 0.5};
        double v = kValues[rng() % 8];
        if (rng() % 4 == 0) v = std::nan("");
        if (bytes.size() >= 8) {
          const std::size_t pos = at() & ~std::size_t{7};
          if (pos + 8 <= bytes.size()) std::memcpy(bytes.data() + pos, &v, 8);
        }
        break;
      }
      default:  // grow
        bytes.resize(bytes.size() + rng() % 300, static_cast<std::uint8_t>(rng()));
        break;
    }
  }
  return bytes;
}

TEST(Fuzz, MutatedTableFilesLoadCleanlyOrFailCleanly) {
  std::mt19937 rng(20261207);
  const TableImage goodPanel = testing::DisplayPanel(2.4);
  const TableImage goodTone = testing::PowerTone(2.2, goodPanel.ext);
  const auto panelBytes = testing::FileBytes(goodPanel, TableKind::kPanel);
  const auto toneBytes = testing::FileBytes(goodTone, TableKind::kTone);

  auto engine = std::make_unique<CTintorEngine>();
  int loaded = 0, refused = 0, computed = 0;
  for (int n = 0; n < kMutantsPerKind * 2; ++n) {
    const bool panel = n % 2 == 0;
    const auto mutant = Mutate(panel ? panelBytes : toneBytes, rng);
    MemorySource source(mutant);
    TableImage image;
    const LoadError result = ReadTableFile(source, panel ? TableKind::kPanel : TableKind::kTone, image);
    if (result != LoadError::kNone) {
      ++refused;
      continue;
    }
    ++loaded;
    engine->AcceptPanel(panel ? image : goodPanel);
    engine->AcceptTone(panel ? goodTone : image);
    if (n % 7 < 3) {
      engine->gamutOn = n % 3 == 0;
      engine->temperatureOn = 1;
      engine->colourfulnessOn = 1;
      engine->colourfulness = {static_cast<std::uint16_t>(n % 11), 3, 10};
      engine->strength = 0.7;
      engine->gammaV = 1.6;
      if (engine->Compute(n % 7)) ++computed;
    }
  }
  std::printf("fuzz: %d mutants, %d loaded, %d refused, %d computations succeeded\n", kMutantsPerKind * 2, loaded,
              refused, computed);
  EXPECT_GT(loaded, 100);
  EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace tl::engine
