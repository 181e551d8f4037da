// Readable definitions of panel and tone table files, as the table tool builds them:
//
//   kind panel | tone
//   description <text>                  header bytes 0..31 (ASCII, not interpreted)
//   temperature <kelvin>                native white temperature of the extension block
//   white daylight <kelvin> [Y <y>]      a white on the CIE daylight locus
//   white xy <x> <y> [Y <y>] | white XYZ <X> <Y> <Z>
//   black scale <k>                      the white times k | black XYZ <X> <Y> <Z>
//   primaries xy <rx> <ry> <gx> <gy> <bx> <by>
//                                        primaries scaled so that they add up to the white
//   curve <all|red|green|blue> <shape> <parameters> [contrast <c>] [range <black> <top>]
//       shapes: power <g>            x^g
//               offset-power <g> <a> ((x + a) / (1 + a))^g, a display-like curve with a toe
//       contrast c: x is first bent by x - c sin(2 pi x) / (2 pi) (an S-curve for c > 0, a
//       flatter curve for c < 0; |c| <= 1 keeps it non-decreasing); range maps 0..1 to
//       black..top (fractions of 65535)
//   data <red|green|blue> <level> <value>  one value as measured or wanted; overrides the
//                                        channel's curve there (a channel needs a curve or all
//                                        256 data lines)
//   round                                tone values rounded to whole numbers
//
// '#' starts a comment. Values are wanted (tone) or measured (panel) outputs on 0..65535.
#pragma once

#include <string>
#include <vector>

#include "engine/core/table_file.h"

namespace tl::tables {

struct Definition {
  engine::TableKind kind = engine::TableKind::kPanel;
  engine::TableImage image;
};

// Parses a definition; on failure returns false and says why (with the line number) in error.
bool ParseDefinition(const std::string& text, Definition& out, std::string& error);

// A definition that builds the same file again (the extension block right after the data,
// header bytes other than the description and extension bytes 4..11 zero).
std::string FormatDefinition(const engine::TableImage& image, engine::TableKind kind);

// Problems a well-formed file can still have (a panel response that decreases, a white that
// counts as absent, a singular primaries matrix). Empty when there are none.
std::vector<std::string> Lint(const engine::TableImage& image, engine::TableKind kind);

}  // namespace tl::tables
