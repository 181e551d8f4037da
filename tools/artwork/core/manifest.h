// The list of everything the artwork tool makes (assets/artwork/artwork.list), one entry a line:
//
//   layout <width> <height>                      the body size; defines the layout variables
//   bmp  <out> <svg> <w> <h> [key] [matte=#rrggbb] [name=value ...]   24-bit BMP
//   dds  <out> <svg> <w> <h> [name=value ...]    A8R8G8B8 surface
//   png  <out> <svg> <w> <h> [name=value ...]
//   ico  <out> <svg> <size,size,...> [name=value ...]
//   mock <out> panel|tray [name=value ...]       a finished window (see mock.h)
//   help <out> <markup> style=<css>              a help page (see markup.h)
//
// <out> is "install:<path>" (the installation folder) or "res:<file>" (the resource folder the
// .rc files read). Tokens may be quoted ("help/Eng/Tavo Lumara.htm"); sizes and numeric options
// may be {{ expressions }} of the layout variables. '#' starts a comment line.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/artwork/core/template.h"

namespace tl::artwork {

struct ManifestEntry {
  int line = 0;
  std::string kind;
  std::string output;
  std::vector<std::string> args;
  std::map<std::string, std::string> options;  // a bare flag has an empty value
};

struct Manifest {
  int32_t bodyWidth = 0;
  int32_t bodyHeight = 0;
  std::vector<ManifestEntry> entries;
};

// Throws TemplateError naming the line on an unknown kind, a missing argument, a bad output
// place, a repeated output or entries before "layout".
Manifest ParseManifest(std::string_view text);

// Whitespace-separated tokens; "quoted" tokens and {{ expressions }} may hold spaces.
std::vector<std::string> Tokenize(std::string_view line);

// A plain number or a {{ expression }}.
double NumberArgument(const std::string& token, const Variables& variables);
// "#rrggbb" as 0xRRGGBB.
uint32_t ColourArgument(const std::string& token);
// "1,2,3" as numbers.
std::vector<int32_t> ListArgument(const std::string& token);

}  // namespace tl::artwork
