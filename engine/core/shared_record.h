// TintorShared: the record that every process with the engine loaded sees (the library puts it
// in a shared data section). Fixed-size fields so that 32- and 64-bit builds lay it out alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/curves.h"

namespace tl::engine {

struct alignas(8) TintorShared {
  std::int32_t method = 0;
  std::uint16_t colourfulnessR = 1;
  std::uint16_t colourfulnessG = 1;
  std::uint16_t colourfulnessB = 1;
  std::uint16_t colourTemperature = kDefaultTemperature;
  std::uint16_t panelTemperature = kDefaultTemperature;
  std::uint16_t reserved0 = 0;
  double colourDifference = 0.0;
  double gammaS = 0.0;
  double gammaV = 1.0;
  std::int32_t gamutEnable = 0;
  // 1 while some process holds the Intel road open. Informational only: each process decides
  // its road from its own state, since the driver object is valid only where it was created.
  std::uint32_t intelActive = 0;
  // Slot of the driver wrapper's address; never filled, the wrapper stays in its process.
  std::uint32_t intelGamma = 0;
  std::uint32_t intelStatus = 0;
};

static_assert(sizeof(TintorShared) == 56);
static_assert(offsetof(TintorShared, colourfulnessR) == 4);
static_assert(offsetof(TintorShared, colourTemperature) == 10);
static_assert(offsetof(TintorShared, panelTemperature) == 12);
static_assert(offsetof(TintorShared, colourDifference) == 16);
static_assert(offsetof(TintorShared, gammaS) == 24);
static_assert(offsetof(TintorShared, gammaV) == 32);
static_assert(offsetof(TintorShared, gamutEnable) == 40);
static_assert(offsetof(TintorShared, intelActive) == 44);
static_assert(offsetof(TintorShared, intelGamma) == 48);
static_assert(offsetof(TintorShared, intelStatus) == 52);

}  // namespace tl::engine
