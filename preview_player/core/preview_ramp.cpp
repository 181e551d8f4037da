#include "preview_player/core/preview_ramp.h"

#include <algorithm>
#include <cstdio>

namespace tl::preview {
namespace {

constexpr int kPreviewMethod = 1;
constexpr std::uint32_t kPreviewColorfulness = 3;
constexpr double kPreviewGammaS = 0.5;
constexpr double kPreviewGammaV = 1.4;

void FillIdentity(engine::RampTable& ramp) {
  for (int c = 0; c < engine::kChannels; ++c) {
    for (int i = 0; i < engine::kLevels; ++i) ramp[c * engine::kLevels + i] = static_cast<std::uint16_t>(i);
  }
}

}  // namespace

void ComputePreviewRamp(RampEngine* engine, const char* panelPath, int mode, int temperature, int red, int green,
                        int blue, engine::RampTable& ramp) {
  if (mode == kNormalMode || !engine) {
    FillIdentity(ramp);
    return;
  }
  engine->SetPanelTable(panelPath ? panelPath : "");
  char tonePath[264];
  std::snprintf(tonePath, sizeof tonePath, "atf/Mode%d.atf", mode);
  engine->SetToneTable(tonePath);
  if (temperature != kKeepEngineValue) engine->SetColorTemperature(static_cast<std::uint32_t>(temperature) & 0xFFFF);
  if (red != kKeepEngineValue && green != kKeepEngineValue && blue != kKeepEngineValue) {
    engine->SetColorfulness(static_cast<std::uint32_t>(red) & 0xFFFF, static_cast<std::uint32_t>(green) & 0xFFFF,
                            static_cast<std::uint32_t>(blue) & 0xFFFF);
  }
  engine->SetMethod(kPreviewMethod);
  engine->SetColorfulness(kPreviewColorfulness, kPreviewColorfulness, kPreviewColorfulness);
  engine->SetGammaS(kPreviewGammaS);
  engine->SetGammaV(kPreviewGammaV);
  engine->Prepare(ramp);
  // Only red entry 255 tells whether the engine gave 16-bit levels.
  if (ramp[255] > 256) {
    for (std::uint16_t& entry : ramp) entry = static_cast<std::uint16_t>(entry >> 8);
  }
}

renderer::RampTexels RampTexelsOf(const engine::RampTable& ramp) {
  renderer::RampTexels texels;
  auto level = [&](int channel, int k) { return std::min<std::uint32_t>(ramp[channel * engine::kLevels + k], 255); };
  for (int k = 0; k < engine::kLevels; ++k) texels[k] = level(0, k) << 16 | level(1, k) << 8 | level(2, k);
  return texels;
}

}  // namespace tl::preview
