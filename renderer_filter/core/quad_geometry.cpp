#include "renderer_filter/core/quad_geometry.h"

#include <algorithm>

namespace tl::renderer {

Quads InitialQuads(bool topDown) {
  const float top = topDown ? 0.0f : 1.0f;
  const float bottom = topDown ? 1.0f : 0.0f;
  Quads quads;
  quads.full = {{{-1, 1, 0, 0, top}, {1, 1, 0, 1, top}, {-1, -1, 0, 0, bottom}, {1, -1, 0, 1, bottom}}};
  quads.left = {{{-1, 1, 0, 0, top}, {0, 1, 0, 0.5f, top}, {-1, -1, 0, 0, bottom}, {0, -1, 0, 0.5f, bottom}}};
  quads.right = {{{0, 1, 0, 0.5f, top}, {1, 1, 0, 1, top}, {0, -1, 0, 0.5f, bottom}, {1, -1, 0, 1, bottom}}};
  return quads;
}

LetterboxResult ComputeLetterboxQuad(uint32_t mode, int videoWidth, int videoHeight, int destinationWidth,
                                     int destinationHeight) {
  if (videoWidth <= 0 || videoHeight <= 0) return {false, {}};
  if (mode != kAspectLetterBox) return {true, {-1, 1, 1, -1}};
  if (destinationWidth <= 0 || destinationHeight <= 0) return {false, {}};
  // The scale that fits both directions; the other direction gets bars.
  const double scale = std::min(double(destinationWidth) / videoWidth, double(destinationHeight) / videoHeight);
  const double halfWidth = videoWidth * scale / destinationWidth;
  const double halfHeight = videoHeight * scale / destinationHeight;
  return {true, {float(-halfWidth), float(halfWidth), float(halfHeight), float(-halfHeight)}};
}

void ApplyBounds(Quad& quad, const QuadBounds& bounds) {
  quad[0].x = bounds.left;
  quad[0].y = bounds.top;
  quad[1].x = bounds.right;
  quad[1].y = bounds.top;
  quad[2].x = bounds.left;
  quad[2].y = bounds.bottom;
  quad[3].x = bounds.right;
  quad[3].y = bounds.bottom;
}

}  // namespace tl::renderer
