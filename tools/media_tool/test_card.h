// The test card: a picture described by a readable text file of rectangles and ramps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tl::media {

// 0x00RRGGBB per pixel, rows from the top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Draws a card definition. Lines (numbers separated by blanks, '#' starts a comment):
//   size W H                                   the picture, filled with black; must come first
//   rect X Y W H R G B                         a filled rectangle
//   ramp X Y W H R0 G0 B0 R1 G1 B1 [STEPS]     left to right from the first colour to the second,
//                                              continuous or in STEPS equal steps
// False with a message naming the line when the text is malformed; shapes are clipped to the
// picture.
bool DrawCard(const std::string& definition, Picture& out, std::string& error);

// The picture scaled to another size (nearest pixel), for movies and pictures of other sizes.
Picture Resized(const Picture& picture, int width, int height);

}  // namespace tl::media
