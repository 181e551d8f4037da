// The geometry and constants of the preview scene: its four quads, the viewports of the plain
// and applied draws, the rectangles of the split present, the labels, and the effect constants
// that the parameter exports set.
#pragma once

#include <array>
#include <cstdint>

#include "renderer_filter/core/tone_effect.h"

namespace tl::preview {

// One vertex of the scene's quads: x, y, z, w and u, v (flexible vertex format 0x4102).
struct QuadVertex {
  float x, y, z, w, u, v;
};
static_assert(sizeof(QuadVertex) == 24);
inline constexpr std::uint32_t kQuadVertexFormat = 0x4102;  // D3DFVF_XYZW | D3DFVF_TEX1

using Quad = std::array<QuadVertex, 4>;  // one triangle strip of two triangles
static_assert(sizeof(Quad) == 96);

// Q0 (bound first, replaced before any draw), Q1 (whole frame), Q2 (left half), Q3 (right half),
// with the source extent u and v (1.0 unless the frame fills part of its texture).
std::array<Quad, 4> SceneQuads(float extentU, float extentV);
enum QuadIndex { kQ0 = 0, kWholeFrame = 1, kLeftHalf = 2, kRightHalf = 3 };

struct Viewport {
  int x, y, width, height;
};
struct Rect {
  int left, top, right, bottom;
};
struct Point {
  int x, y;
};

// What one frame draws: the plain ("Fixed") and applied draws, each with its viewport and quad,
// and in full-screen presentation the label positions.
struct FrameLayout {
  Viewport plain;
  QuadIndex plainQuad;
  Viewport applied;
  QuadIndex appliedQuad;
  bool labels;
  Point normalLabel;
  Point appliedLabel;
};
FrameLayout LayoutFrame(bool fullScreen, int backBufferWidth, int backBufferHeight);

// Windowed presentation: the left half of the back buffer to the normal window, the right half
// to the applied window.
struct SplitPresent {
  Rect normal;
  Rect applied;
};
SplitPresent SplitPresentRects(int backBufferWidth, int backBufferHeight);

// Labels are drawn white at half opacity.
inline constexpr float kLabelColour[4] = {1.0f, 1.0f, 1.0f, 0.5f};
// A colour of four fractions as a 0xAARRGGBB value: 255 at 1 or above, 0 at 0 or below,
// otherwise the integer part of c * 255 + 0.5.
std::uint32_t PackColour(const float (&rgba)[4]);

// The effect constants of the scene.
struct SceneConstants {
  renderer::Float4 constant{};   // g_Constant
  renderer::Float4 constant2{};  // g_Constant2: strength, 0, 1 / a^2, b
};
// eLumara_SetAVS: g_Constant from low and high with k1 as the noise, k2 the strength.
void SetAvs(SceneConstants& constants, int low, int high, float k1, float k2);
// eLumara_SetCNF: components 2 and 3 of g_Constant2.
void SetCnf(SceneConstants& constants, float a, float b);

}  // namespace tl::preview
