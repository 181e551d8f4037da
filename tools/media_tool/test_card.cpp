#include "tools/media_tool/test_card.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

namespace tl::media {
namespace {

std::uint32_t Rgb(long r, long g, long b) {
  return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

void FillRect(Picture& p, long x, long y, long w, long h, const std::function<std::uint32_t(long)>& colourAt) {
  const long x0 = std::max(0L, x), y0 = std::max(0L, y);
  const long x1 = std::min<long>(p.width, x + w), y1 = std::min<long>(p.height, y + h);
  for (long j = y0; j < y1; ++j) {
    for (long i = x0; i < x1; ++i) p.at(static_cast<int>(i), static_cast<int>(j)) = colourAt(i - x);
  }
}

}  // namespace

bool DrawCard(const std::string& definition, Picture& out, std::string& error) {
  std::istringstream lines(definition);
  std::string line;
  Picture picture;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string command;
    if (!(words >> command)) continue;
    std::vector<long> n;
    for (long value; words >> value;) n.push_back(value);
    const bool trailing = !words.eof();
    auto fail = [&](const char* why) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    if (trailing) return fail("not a number");
    const bool levelsOk = std::all_of(n.begin() + std::min<std::size_t>(4, n.size()), n.end(),
                                      [](long v) { return v >= 0 && v <= 255; });
    if (command == "size") {
      if (n.size() != 2 || n[0] < 1 || n[1] < 1 || n[0] > 8192 || n[1] > 8192) return fail("size W H, 1..8192");
      picture.width = static_cast<int>(n[0]);
      picture.height = static_cast<int>(n[1]);
      picture.pixels.assign(static_cast<std::size_t>(n[0] * n[1]), 0);
      continue;
    }
    if (picture.pixels.empty()) return fail("the size must come first");
    if (command == "rect") {
      if (n.size() != 7 || !levelsOk || n[2] < 0 || n[3] < 0) return fail("rect X Y W H R G B");
      const std::uint32_t colour = Rgb(n[4], n[5], n[6]);
      FillRect(picture, n[0], n[1], n[2], n[3], [&](long) { return colour; });
    } else if (command == "ramp") {
      if ((n.size() != 10 && n.size() != 11) || n[2] < 1 || n[3] < 0) return fail("ramp X Y W H R0 G0 B0 R1 G1 B1 [STEPS]");
      const long steps = n.size() == 11 ? n[10] : 0;
      if (n.size() == 11 && (steps < 2 || steps > 256)) return fail("steps 2..256");
      if (!std::all_of(n.begin() + 4, n.begin() + 10, [](long v) { return v >= 0 && v <= 255; })) return fail("levels 0..255");
      const long width = n[2];
      FillRect(picture, n[0], n[1], n[2], n[3], [&](long dx) {
        double t = width > 1 ? static_cast<double>(dx) / (width - 1) : 0.0;
        if (steps) t = std::min<double>(steps - 1, std::floor(t * steps)) / (steps - 1);
        auto mix = [&](long a, long b) { return std::lround(a + (b - a) * t); };
        return Rgb(mix(n[4], n[7]), mix(n[5], n[8]), mix(n[6], n[9]));
      });
    } else {
      return fail("unknown command");
    }
  }
  if (picture.pixels.empty()) {
    error = "no size";
    return false;
  }
  out = std::move(picture);
  return true;
}

Picture Resized(const Picture& picture, int width, int height) {
  Picture out{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      out.at(x, y) = picture.at(static_cast<int>(static_cast<long long>(x) * picture.width / width),
                                static_cast<int>(static_cast<long long>(y) * picture.height / height));
    }
  }
  return out;
}

}  // namespace tl::media
