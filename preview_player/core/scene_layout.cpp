#include "preview_player/core/scene_layout.h"

namespace tl::preview {

std::array<Quad, 4> SceneQuads(float ue, float ve) {
  const float halfU = ue / 2.0f;
  return {{
      {{{-1, 1 - 2 * ve, 1, 1, 0, ve}, {-1, 1, 1, 1, 0, 0}, {2 * ue - 1, 1 - 2 * ve, 1, 1, ue, ve}, {2 * ue - 1, 1, 1, 1, ue, 0}}},
      {{{-1, 1, 1, 1, 0, 0}, {-1, -1, 1, 1, 0, ve}, {1, 1, 1, 1, ue, 0}, {1, -1, 1, 1, ue, ve}}},
      {{{-1, 1, 1, 1, 0, 0}, {-1, -1, 1, 1, 0, ve}, {1, 1, 1, 1, halfU, 0}, {1, -1, 1, 1, halfU, ve}}},
      {{{-1, 1, 1, 1, halfU, 0}, {-1, -1, 1, 1, halfU, ve}, {1, 1, 1, 1, ue, 0}, {1, -1, 1, 1, ue, ve}}},
  }};
}

FrameLayout LayoutFrame(bool fullScreen, int width, int height) {
  const int half = width / 2;
  if (!fullScreen) {
    return {{0, 0, half, height}, kWholeFrame, {half, 0, half, height}, kWholeFrame, false, {}, {}};
  }
  return {{0, 0, half + 1, height}, kLeftHalf, {half, 0, half, height}, kRightHalf, true, {50, 50}, {half + 50, 50}};
}

SplitPresent SplitPresentRects(int width, int height) {
  const int half = width / 2;
  return {{0, 0, half, height}, {half, 0, width, height}};
}

std::uint32_t PackColour(const float (&rgba)[4]) {
  auto channel = [](float c) -> std::uint32_t {
    if (c >= 1.0f) return 255;
    if (!(c > 0.0f)) return 0;
    return static_cast<std::uint32_t>(c * 255.0f + 0.5f);
  };
  return channel(rgba[3]) << 24 | channel(rgba[0]) << 16 | channel(rgba[1]) << 8 | channel(rgba[2]);
}

void SetAvs(SceneConstants& constants, int low, int high, float k1, float k2) {
  constants.constant = renderer::ToneConstant(low, high, k1);
  constants.constant2[0] = k2;
}

void SetCnf(SceneConstants& constants, float a, float b) {
  constants.constant2[2] = static_cast<float>(1.0 / (static_cast<double>(a) * a));
  constants.constant2[3] = b;
}

}  // namespace tl::preview
