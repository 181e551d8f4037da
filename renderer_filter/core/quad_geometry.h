// The presenter's three quads (full picture, left half, right half) in clip space, their texture
// orientation, and the letterbox geometry of the VMR-9 windowless control.
#pragma once

#include <array>
#include <cstdint>

namespace tl::renderer {

// The vertex buffers' layout: position x, y, z then texture u, v (D3DFVF_XYZ | D3DFVF_TEX1).
struct QuadVertex {
  float x, y, z;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 20, "the vertex buffers hold 20 bytes a vertex");

// Triangle-strip order: top-left, top-right, bottom-left, bottom-right.
using Quad = std::array<QuadVertex, 4>;
inline constexpr uint32_t kQuadFvf = 0x102;

struct Quads {
  Quad full;
  Quad left;
  Quad right;
};

// The quads for a picture whose first row is its top (v 0 at the top) or its bottom (v 1 at the
// top, so that a bottom-up RGB picture is shown upright).
Quads InitialQuads(bool topDown);

// The aspect-ratio mode that keeps the picture's proportions (VMR9ARMode_LetterBox).
inline constexpr uint32_t kAspectLetterBox = 1;

struct QuadBounds {
  float left, right, top, bottom;
};

// The full quad's bounds for the aspect-ratio mode, the video size and the destination size.
// Letterbox: the largest centred picture of the video's proportions that fits the destination.
// Other modes stretch over the whole destination. Nothing changes (`changed` false) while a size
// is zero or negative.
struct LetterboxResult {
  bool changed;
  QuadBounds bounds;
};
LetterboxResult ComputeLetterboxQuad(uint32_t mode, int videoWidth, int videoHeight, int destinationWidth,
                                     int destinationHeight);

// Writes the bounds into the x and y of the full quad (u and v stay).
void ApplyBounds(Quad& quad, const QuadBounds& bounds);

}  // namespace tl::renderer
