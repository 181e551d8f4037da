// Still pictures for the preview's own source: JPEG through libjpeg-turbo and BMP through the
// checked reader, decoded into 32-bit pixels. A corrupt or truncated file is a failure, never an
// exit of the process (libjpeg's default error handler exits; it is replaced here).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "preview_player/core/media_open.h"
#include "skin/core/bmp.h"

namespace tl::preview {

// The size of a JPEG from its header, read through the library's standard-file source from the
// file's current position. Empty when the header cannot be read.
std::optional<PictureSize> ReadJpegHeader(std::FILE* file);

// Pictures wider or taller than this are not decoded: no device could hold them as a texture.
inline constexpr int kMaxPictureSide = 16384;

// The whole picture; false (with the reason) for any error or warning of the decoder, so that
// damaged data is refused rather than shown half grey.
bool DecodeJpeg(std::span<const std::uint8_t> file, skin::Pixels& out, std::string* error);
// A .jpg/.jpeg or .bmp by its kind.
bool DecodePicture(bool jpeg, std::span<const std::uint8_t> file, skin::Pixels& out, std::string* error);

}  // namespace tl::preview
