// The preview's still pictures: the JPEG header read through libjpeg's standard-file source (as
// the open does before it decides) and the picture decoded as the still-picture source decodes
// it, or the bitmap's header size and decoding. Byte 0 picks JPEG (even) or BMP (odd); the rest
// is the file. Whatever the file, the result is a size or a refusal, never an exit or a read
// outside the data, and a decoded picture has the size its header announced.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "preview_player/core/media_open.h"
#include "preview_player/core/still_picture.h"

namespace {

using namespace tl;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Decoding costs time by the pixel; bigger pictures are read up to their header only.
constexpr std::int64_t kMaxDecodedPixels = 512 * 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  skin::Pixels pixels;
  std::string error;
  if (data[0] % 2 == 0) {
    // fmemopen of zero bytes fails; an empty file is opened from an empty buffer of one byte.
    static char empty[1];
    std::FILE* stream = file.empty() ? fmemopen(empty, 1, "rb") : fmemopen(const_cast<std::uint8_t*>(file.data()), file.size(), "rb");
    if (!stream) return 0;
    if (file.empty()) std::fgetc(stream);
    const std::optional<preview::PictureSize> header = preview::ReadJpegHeader(stream);
    std::fclose(stream);
    if (header) {
      Check(header->width >= 0 && header->height >= 0);
      preview::PictureTooLarge(*header);
    }
    if (!header || header->width * header->height > kMaxDecodedPixels) return 0;
    if (preview::DecodePicture(true, file, pixels, &error)) {
      Check(pixels.width == header->width && pixels.height == header->height);
      Check(pixels.data.size() == static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height));
      for (std::uint32_t p : pixels.data) Check(p <= 0xFFFFFF);
    } else {
      Check(!error.empty());
    }
    return 0;
  }
  const std::optional<preview::PictureSize> header = preview::BmpHeaderSize(file);
  Check(header.has_value() == (file.size() >= preview::kBmpHeaderBytes));
  if (preview::DecodePicture(false, file, pixels, &error)) {
    // The open reads the size where an info header keeps it (a core header keeps 16-bit values).
    const bool infoHeader = file[14] != 12 || file[15] != 0 || file[16] != 0 || file[17] != 0;
    Check(header.has_value());
    if (infoHeader)
      Check(pixels.width == header->width && pixels.height == (header->height < 0 ? -header->height : header->height));
    Check(pixels.width <= preview::kMaxPictureSide && pixels.height <= preview::kMaxPictureSide);
  } else {
    Check(!error.empty());
  }
  return 0;
}
