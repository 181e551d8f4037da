// The video formats the renderer takes: reading the picture header out of a format block
// (VIDEOINFOHEADER or VIDEOINFOHEADER2), which subtypes and depths it accepts, and the geometry
// that follows (row stride, orientation). Portable: the format block is plain bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tl::renderer {

// Where the 40-byte BITMAPINFOHEADER sits in each kind of format block.
inline constexpr std::size_t kVideoInfoHeaderOffset = 48;
inline constexpr std::size_t kVideoInfo2HeaderOffset = 72;
inline constexpr std::size_t kBitmapInfoHeaderSize = 40;
// AvgTimePerFrame in both blocks.
inline constexpr std::size_t kAverageTimePerFrameOffset = 40;

enum class FormatBlock { kVideoInfo, kVideoInfo2, kOther };
enum class Subtype { kYuy2, kRgb32, kArgb32, kOther };

// `inputKind` of the presenter: 0 YUY2, 1 RGB32, 3 ARGB32.
enum class InputKind : int { kYuy2 = 0, kRgb32 = 1, kArgb32 = 3 };

// Larger pictures are refused: they would not fit a texture on any device we run on.
inline constexpr int32_t kMaxDimension = 8192;

struct PictureHeader {
  int32_t width = 0;
  int32_t height = 0;  // as stored: negative for a top-down RGB picture
  uint16_t bitCount = 0;
  int64_t averageTimePerFrame = 0;
};

// The header of a VIDEOINFOHEADER or VIDEOINFOHEADER2 block; empty when the block is of another
// kind or too short to hold it.
std::optional<PictureHeader> ReadPictureHeader(FormatBlock kind, std::span<const uint8_t> block);

struct AcceptedFormat {
  InputKind kind;
  int32_t width;
  int32_t height;  // rows, always positive
  uint16_t bitCount;
  // The picture's first row is its top (YUY2, and RGB with a negative height): the texture's
  // top vertices take v = 0. Bottom-up RGB pictures take v = 1 at the top.
  bool topDown;
};

// The renderer's acceptance test: YUY2 at 16 bits, RGB32 or ARGB32 at 32, with a picture of
// 1..kMaxDimension in each direction. Anything else is refused (empty).
std::optional<AcceptedFormat> AcceptFormat(Subtype subtype, FormatBlock kind, std::span<const uint8_t> block);

// Bytes of one row in a frame: 16 bits (2w + 3) & ~3, 32 bits 4w, 24 bits 3w; 0 for other depths.
uint32_t RowStride(int32_t width, uint16_t bitCount);

// A VIDEOINFOHEADER2 block rewritten so that every reader finds the picture header where a
// VIDEOINFOHEADER has it (byte 48); other blocks are given back as they are.
std::vector<uint8_t> WithHeaderAtVideoInfoPlace(FormatBlock kind, std::span<const uint8_t> block);

// Buffer size for frames of a header: bitCount x width x |height| / 8, at least 1.
uint32_t FrameBufferSize(const PictureHeader& header);

}  // namespace tl::renderer
