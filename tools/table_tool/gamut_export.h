// The gamuts of a panel and tone table pair, as the engine computes them, in forms a person can
// look at: Wavefront OBJ and PLY meshes with vertex colours, and a picture of the a*b* plane.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/gamut_state.h"
#include "engine/core/table_file.h"
#include "tools/artwork/core/image.h"

namespace tl::tables {

struct GamutSettings {
  std::int32_t method = 1;         // as the control panel's preview computes
  std::uint32_t colourfulness = 3;
  double strength = 0.5;
  double gammaV = 1.4;
  std::uint32_t temperature = 0;   // 0: the temperature step stays off
};

struct GamutMesh {
  std::vector<engine::GamutVertex> vertices;   // L*, a*, b*, drawing R, G, B
  std::vector<engine::GamutTriangle> triangles;  // counter-clockwise seen from outside
};

struct GamutPair {
  GamutMesh enhanced;
  GamutMesh displayed;
  double meanDifference = -1;  // mean CIE 1976 colour difference over the samples
};

// Runs the engine on the two tables with gamut computing on, then both surfaces. False with
// `error` set when the computation or a surface fails.
bool ComputeGamutPair(const engine::TableImage& panel, const engine::TableImage& tone, const GamutSettings& settings,
                      GamutPair& out, std::string& error);

// Both meshes in one file: OBJ as two objects ("enhanced", "displayed") with "v x y z r g b"
// vertices; PLY (ASCII) as two components, the enhanced first, with 8-bit vertex colours.
// Axes: x = a*, y = L* (up), z = -b*, so that viewers with y up show L* upwards and the
// triangles stay counter-clockwise from outside.
std::string FormatObj(const GamutPair& pair, const std::string& comment);
std::string FormatPly(const GamutPair& pair, const std::string& comment);

// The a*b* plane seen from L* = 100: the enhanced gamut filled with its drawing colours, the
// displayed gamut's outline, a 20-unit grid, and a caption with `title` and the mean colour
// difference.
artwork::Image DrawGamutProjection(const GamutPair& pair, const std::string& title);

}  // namespace tl::tables
