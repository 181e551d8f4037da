// Uncompressed AVI files for the renderer's tests: one video stream of RGB32 (bottom-up rows,
// as AVI stores them) or YUY2 frames, with an index, as players read them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tl::renderer::testing {

enum class AviPixels { kRgb32, kYuy2 };

struct AviSpec {
  AviPixels pixels = AviPixels::kRgb32;
  int width = 640;
  int height = 480;
  int frames = 10;
  int framesPerSecond = 25;
};

// Bytes of one stored frame: rows of 4w (RGB32) or (2w + 3) & ~3 (YUY2) bytes.
std::size_t AviFrameBytes(const AviSpec& spec);

// Writes the file; `frame(index, bytes)` fills each frame as stored. False when writing failed.
bool WriteAvi(const std::string& path, const AviSpec& spec,
              const std::function<void(int index, std::vector<uint8_t>& bytes)>& frame);

// The test picture of frame `index`: smooth ramps over the whole range in every channel that
// move from frame to frame, and a white block at the top left (shows the picture's orientation).
uint32_t TestPixel(int index, int x, int y, int width, int height);  // 0x00RRGGBB, (0, 0) top left
// A YUY2 pair of the test picture: Y0, U, Y1, V for pixels (2p, y) and (2p + 1, y).
void TestYuy2Pair(int index, int pair, int y, int width, int height, uint8_t out[4]);

// Fills a stored frame with the test picture.
void FillTestFrame(const AviSpec& spec, int index, std::vector<uint8_t>& bytes);

}  // namespace tl::renderer::testing
