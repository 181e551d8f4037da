#include "renderer_filter/core/video_format.h"

#include <cstring>
#include <cstdlib>

namespace tl::renderer {
namespace {

template <typename T>
T Read(std::span<const uint8_t> bytes, std::size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof(T));  // the block is little-endian, as we are
  return value;
}

std::optional<std::size_t> HeaderOffset(FormatBlock kind) {
  switch (kind) {
    case FormatBlock::kVideoInfo:
      return kVideoInfoHeaderOffset;
    case FormatBlock::kVideoInfo2:
      return kVideoInfo2HeaderOffset;
    case FormatBlock::kOther:
      break;
  }
  return std::nullopt;
}

}  // namespace

std::optional<PictureHeader> ReadPictureHeader(FormatBlock kind, std::span<const uint8_t> block) {
  const std::optional<std::size_t> offset = HeaderOffset(kind);
  if (!offset || block.size() < *offset + kBitmapInfoHeaderSize) return std::nullopt;
  PictureHeader header;
  header.averageTimePerFrame = Read<int64_t>(block, kAverageTimePerFrameOffset);
  header.width = Read<int32_t>(block, *offset + 4);
  header.height = Read<int32_t>(block, *offset + 8);
  header.bitCount = Read<uint16_t>(block, *offset + 14);
  return header;
}

std::optional<AcceptedFormat> AcceptFormat(Subtype subtype, FormatBlock kind, std::span<const uint8_t> block) {
  const std::optional<PictureHeader> header = ReadPictureHeader(kind, block);
  if (!header) return std::nullopt;
  AcceptedFormat format{};
  switch (subtype) {
    case Subtype::kYuy2:
      if (header->bitCount != 16) return std::nullopt;
      format.kind = InputKind::kYuy2;
      break;
    case Subtype::kRgb32:
      if (header->bitCount != 32) return std::nullopt;
      format.kind = InputKind::kRgb32;
      break;
    case Subtype::kArgb32:
      if (header->bitCount != 32) return std::nullopt;
      format.kind = InputKind::kArgb32;
      break;
    case Subtype::kOther:
      return std::nullopt;
  }
  // INT32_MIN has no absolute value: refused with every other height out of range.
  if (header->width < 1 || header->width > kMaxDimension || header->height < -kMaxDimension ||
      header->height == 0 || header->height > kMaxDimension)
    return std::nullopt;
  format.width = header->width;
  format.height = std::abs(header->height);
  format.bitCount = header->bitCount;
  // YUY2 rows always run from the top; RGB rows from the bottom unless the height is negative.
  format.topDown = format.kind == InputKind::kYuy2 || header->height < 0;
  return format;
}

uint32_t RowStride(int32_t width, uint16_t bitCount) {
  if (width < 0) return 0;
  const uint32_t w = static_cast<uint32_t>(width);
  switch (bitCount) {
    case 16:
      return (2 * w + 3) & ~3u;
    case 24:
      return 3 * w;
    case 32:
      return 4 * w;
    default:
      return 0;
  }
}

std::vector<uint8_t> WithHeaderAtVideoInfoPlace(FormatBlock kind, std::span<const uint8_t> block) {
  std::vector<uint8_t> out(block.begin(), block.end());
  if (kind == FormatBlock::kVideoInfo2 && out.size() >= kVideoInfo2HeaderOffset + kBitmapInfoHeaderSize)
    std::memmove(out.data() + kVideoInfoHeaderOffset, out.data() + kVideoInfo2HeaderOffset, kBitmapInfoHeaderSize);
  return out;
}

uint32_t FrameBufferSize(const PictureHeader& header) {
  const uint64_t bits = uint64_t(header.bitCount) * uint64_t(std::abs(int64_t(header.width))) *
                        uint64_t(std::abs(int64_t(header.height)));
  const uint64_t bytes = bits / 8;
  return bytes == 0 ? 1 : bytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(bytes);
}

}  // namespace tl::renderer
