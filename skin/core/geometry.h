// The pure geometry of the skinned controls: see-through key-colour runs, the slider's
// position/pixel rules and where a font button's text goes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "skin/core/bmp.h"

namespace tl::skin {

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// Colour key of every skin: magenta.
constexpr uint32_t kDefaultColourKey = 0xFF00FF;

// Column by column, every vertical run of pixels equal to `key` (0x00RRGGBB) as a one pixel wide
// rectangle: the parts of the control that are cut out of its window.
std::vector<Rect> KeyColourRuns(const Pixels& pixels, uint32_t key);

// Slider rules (horizontal): W is the channel width, thumbWidth the thumb's.
struct SliderGeometry {
  int32_t width = 0;
  int32_t thumbWidth = 0;
  int32_t minimum = 0;
  int32_t maximum = 100;

  int32_t Clamp(int32_t position) const;
  // Centre of the thumb for a position.
  int32_t PositionToPixel(int32_t position) const;
  // Position for a thumb centre, truncated toward zero and limited to the range.
  int32_t PixelToPosition(int32_t x) const;
  // Thumb centre for a pointer x while dragging, kept inside the travel.
  int32_t LimitThumbCentre(int32_t x) const;
  // The offset kept while dragging after a press at x: 0 (the thumb jumps under the pointer)
  // when the press is farther than half a thumb from the centre, else the distance to it.
  int32_t GrabOffset(int32_t pressX, int32_t position) const;
};

// Where a font button draws its text. labelFlag: 0 centred, 1 top-left, 2 centred and 10 px right.
struct Point {
  int32_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};
Point TextOrigin(int32_t textWidth, int32_t textHeight, int32_t buttonWidth, int32_t buttonHeight,
                 int32_t labelFlag);

// Diagonal colour matrix (5 x 5, row-major) that tints white glyphs with an ARGB colour.
std::array<float, 25> TintMatrix(uint32_t argb);

}  // namespace tl::skin
