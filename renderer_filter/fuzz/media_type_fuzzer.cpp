// The renderer's media-type checks on format blocks of any size. The first input byte picks the
// subtype (bits 0-1: YUY2, RGB32, ARGB32, another) and the kind of block (the rest modulo 3:
// VIDEOINFOHEADER, VIDEOINFOHEADER2, another); the rest is the format block as a pin is handed it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "renderer_filter/core/video_format.h"

namespace {

using namespace tl::renderer;

void Check(bool condition) {
  if (!condition) std::abort();
}

int32_t Int32At(std::span<const uint8_t> bytes, std::size_t at) {
  int32_t value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Subtype subtype = static_cast<Subtype>(data[0] & 3);
  const FormatBlock kind = static_cast<FormatBlock>((data[0] >> 2) % 3);
  // A copy of exactly the block's size, so that AddressSanitizer sees every byte read past it.
  const std::vector<uint8_t> owned(data + 1, data + size);
  const std::span<const uint8_t> block(owned);

  const std::optional<PictureHeader> header = ReadPictureHeader(kind, block);
  const std::size_t offset = kind == FormatBlock::kVideoInfo2 ? kVideoInfo2HeaderOffset : kVideoInfoHeaderOffset;
  if (kind == FormatBlock::kOther || block.size() < offset + kBitmapInfoHeaderSize) {
    Check(!header);
  } else {
    Check(header && header->width == Int32At(block, offset + 4) && header->height == Int32At(block, offset + 8));
    Check(FrameBufferSize(*header) >= 1);
  }

  const std::optional<AcceptedFormat> format = AcceptFormat(subtype, kind, block);
  if (format) {
    Check(header.has_value() && subtype != Subtype::kOther);
    Check(format->width >= 1 && format->width <= kMaxDimension && format->height >= 1 &&
          format->height <= kMaxDimension);
    Check(format->bitCount == (subtype == Subtype::kYuy2 ? 16 : 32));
    const uint32_t stride = RowStride(format->width, format->bitCount);
    Check(stride >= uint32_t(format->width) * format->bitCount / 8 && stride % 4 == 0);
    // A whole frame stays far below what a 32-bit size can count.
    Check(uint64_t{stride} * uint64_t(format->height) <= uint64_t{4} * kMaxDimension * kMaxDimension);
    Check(FrameBufferSize(*header) <= uint64_t{4} * kMaxDimension * kMaxDimension);
  }

  // The block as the pins keep it: same size, and the header where a VIDEOINFOHEADER has it.
  const std::vector<uint8_t> moved = WithHeaderAtVideoInfoPlace(kind, block);
  Check(moved.size() == block.size());
  if (header && kind == FormatBlock::kVideoInfo2) {
    const std::optional<PictureHeader> again = ReadPictureHeader(FormatBlock::kVideoInfo, moved);
    Check(again && again->width == header->width && again->height == header->height &&
          again->bitCount == header->bitCount);
  }
  return 0;
}
