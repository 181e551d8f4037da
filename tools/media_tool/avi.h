// Uncompressed AVI files: one video stream of RGB32 (bottom-up rows, as DIBs are stored) or
// YUY2 (top-down, Y0 U Y1 V) frames, written with an index; and the frames read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media_tool/test_card.h"

namespace tl::media {

enum class AviFormat { kRgb32, kYuy2 };

struct AviStream {
  AviFormat format = AviFormat::kRgb32;
  int width = 0;
  int height = 0;
  int framesPerSecond = 25;
};

// Bytes of one frame as the file stores it.
std::vector<std::uint8_t> EncodeFrame(const AviStream& stream, const Picture& picture);
// YUY2 of a picture: BT.601 video levels, each pair's Cb and Cr the mean of its two pixels.
std::vector<std::uint8_t> ToYuy2(const Picture& picture);

// The whole file. The width of a YUY2 stream must be even.
std::vector<std::uint8_t> WriteAvi(const AviStream& stream, const std::vector<std::vector<std::uint8_t>>& frames);

// The stream header and the frames of a file written by WriteAvi (or any uncompressed AVI with
// one video stream). False when the file is not one.
bool ReadAvi(const std::vector<std::uint8_t>& file, AviStream& stream, std::vector<std::vector<std::uint8_t>>& frames);

}  // namespace tl::media
