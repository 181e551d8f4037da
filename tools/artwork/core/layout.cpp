#include "tools/artwork/core/layout.h"

#include <array>
#include <string>

namespace tl::artwork {
namespace {

constexpr std::array<TemplateControl, 23> kControls{{
    {1001, {0, 1, 20, 14}},     // full-screen video window (hidden)
    {1015, {23, 75, 169, 141}},  // left preview half
    {1016, {221, 75, 169, 141}}, // right preview half
    {1062, {18, 52, 70, 9}},     // "Normal Frame" label
    {1008, {217, 52, 70, 9}},    // "Applied Frame" label
    {1025, {5, 24, 95, 12}},     // LCD tab
    {1029, {111, 24, 95, 12}},   // Video tab
    {1006, {250, 27, 65, 12}},   // Open File
    {1024, {329, 27, 65, 12}},   // Full Screen
    {1053, {355, 51, 30, 13}},   // Normal
    {1058, {379, 52, 15, 9}},    // launch the media player
    {1028, {222, 221, 40, 13}},  // Lumara
    {1027, {266, 221, 40, 13}},  // Vivid
    {1026, {309, 221, 40, 13}},  // Soft
    {1030, {352, 221, 40, 13}},  // Theater
    {1037, {352, 221, 40, 13}},  // Default
    {1050, {261, 222, 84, 12}},  // strength slider
    {1065, {221, 223, 38, 9}},   // "Contrast" label
    {1032, {282, 251, 55, 12}},  // Cancel
    {1033, {347, 251, 55, 12}},  // Apply
    {1007, {311, 1, 10, 10}},    // Help
    {1038, {343, 1, 10, 10}},    // Minimize
    {1034, {374, 1, 10, 10}},    // Close
}};

}  // namespace

std::span<const TemplateControl> PanelTemplate() { return kControls; }

Rect ScaleToBody(const Rect& units, int32_t bodyWidth, int32_t bodyHeight) {
  const double sx = static_cast<double>(bodyWidth) / kTemplateWidth;
  const double sy = static_cast<double>(bodyHeight) / kTemplateHeight;
  return Rect{static_cast<int32_t>(units.x * sx), static_cast<int32_t>(units.y * sy),
              static_cast<int32_t>(units.width * sx), static_cast<int32_t>(units.height * sy)};
}

bool ControlRect(int32_t id, int32_t bodyWidth, int32_t bodyHeight, Rect& out) {
  for (const TemplateControl& c : kControls) {
    if (c.id == id) {
      out = ScaleToBody(c.units, bodyWidth, bodyHeight);
      return true;
    }
  }
  return false;
}

void AddLayoutVariables(int32_t bodyWidth, int32_t bodyHeight, Variables& variables) {
  variables["W"] = bodyWidth;
  variables["H"] = bodyHeight;
  for (const TemplateControl& c : kControls) {
    const Rect r = ScaleToBody(c.units, bodyWidth, bodyHeight);
    // Built in steps: GCC 12 at -O3 warns falsely about "c" + std::string.
    std::string p = std::to_string(c.id);
    p.insert(p.begin(), 'c');
    p += '.';
    variables[p + "x"] = r.x;
    variables[p + "y"] = r.y;
    variables[p + "w"] = r.width;
    variables[p + "h"] = r.height;
    variables[p + "r"] = r.Right();
    variables[p + "b"] = r.Bottom();
    variables[p + "cx"] = r.x + r.width / 2.0;
    variables[p + "cy"] = r.y + r.height / 2.0;
  }
}

}  // namespace tl::artwork
