// The preview's ramp: the colour engine driven with the panel table and the mode's tone table,
// the ramp it prepares reduced to 8 bits, and the texels of the 256 x 1 ramp texture.
#pragma once

#include <cstdint>

#include "engine/core/ramp_table.h"
#include "renderer_filter/core/tone_effect.h"

namespace tl::preview {

// Mode 5 is the mode without enhancement.
inline constexpr int kNormalMode = 5;
// The colour temperature or a colourfulness level that leaves the engine's value.
inline constexpr int kKeepEngineValue = -1;

// The engine calls the preview makes, in the engine's own terms (numbers as their low 16 bits).
class RampEngine {
 public:
  virtual void SetPanelTable(const char* path) = 0;
  virtual void SetToneTable(const char* path) = 0;
  virtual void SetColorTemperature(std::uint32_t kelvin) = 0;
  virtual void SetColorfulness(std::uint32_t red, std::uint32_t green, std::uint32_t blue) = 0;
  virtual void SetMethod(std::int32_t method) = 0;
  virtual void SetGammaS(double value) = 0;
  virtual void SetGammaV(double value) = 0;
  virtual void Prepare(engine::RampTable& ramp) = 0;

 protected:
  ~RampEngine() = default;
};

// Fills `ramp` for the mode: the identity for mode 5 (no engine call), otherwise the engine's
// prepared ramp with method 1, colourfulness 3 on each channel and gamma settings 0.5 and 1.4,
// reduced to 8 bits when it holds 16-bit values (red entry 255 above 256). Without an engine
// the identity is used too, so the applied half never goes black for want of a library.
void ComputePreviewRamp(RampEngine* engine, const char* panelPath, int mode, int temperature, int red, int green,
                        int blue, engine::RampTable& ramp);

// Texel k of the ramp texture from entry k of each channel. Entries above 255 (a ramp that was
// not reduced) are limited to 255 rather than wrapped to their low byte.
renderer::RampTexels RampTexelsOf(const engine::RampTable& ramp);

}  // namespace tl::preview
