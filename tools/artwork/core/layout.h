// Where the control panel's controls land on the body bitmaps. The dialog is laid out from a
// 413 x 272 dialog-unit template; the program scales every control by the body's width / 413 and
// height / 272, truncating, so the artwork draws its wells, beds and tabs at the same places.
#pragma once

#include <cstdint>
#include <span>

#include "tools/artwork/core/template.h"

namespace tl::artwork {

struct Rect {
  int32_t x = 0, y = 0, width = 0, height = 0;
  int32_t Right() const { return x + width; }
  int32_t Bottom() const { return y + height; }
  bool operator==(const Rect&) const = default;
};

struct TemplateControl {
  int32_t id;
  Rect units;  // dialog units
};

inline constexpr int32_t kTemplateWidth = 413;
inline constexpr int32_t kTemplateHeight = 272;
// The hidden full-screen video window; the only control the layout does not move.
inline constexpr int32_t kFullScreenWindowId = 1001;

std::span<const TemplateControl> PanelTemplate();

// The control's rectangle in pixels on a body of the given size (the program's own arithmetic).
Rect ScaleToBody(const Rect& units, int32_t bodyWidth, int32_t bodyHeight);
// False when the id is not in the template.
bool ControlRect(int32_t id, int32_t bodyWidth, int32_t bodyHeight, Rect& out);

// W, H and for every control c<id>.x, .y, .w, .h, .r (right), .b (bottom), .cx, .cy (centre).
void AddLayoutVariables(int32_t bodyWidth, int32_t bodyHeight, Variables& variables);

}  // namespace tl::artwork
