#include "tools/artwork/core/png.h"

#include <png.h>

#include <bit>
#include <cstring>

namespace tl::artwork {

// PNG_FORMAT_BGRA stores B, G, R, A bytes: on a little-endian host that is 0xAARRGGBB.
static_assert(std::endian::native == std::endian::little, "pixels are read as little-endian words");

bool ReadPng(const std::string& path, Image& out, std::string& error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    error = png.message;
    return false;
  }
  png.format = PNG_FORMAT_BGRA;
  Image image(static_cast<int32_t>(png.width), static_cast<int32_t>(png.height));
  if (!png_image_finish_read(&png, nullptr, image.data.data(), 0, nullptr)) {
    error = png.message;
    png_image_free(&png);
    return false;
  }
  out = std::move(image);
  return true;
}

bool WritePng(const std::string& path, const Image& image, std::string& error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_BGRA;
  if (!png_image_write_to_file(&png, path.c_str(), 0, image.data.data(), 0, nullptr)) {
    error = png.message;
    return false;
  }
  return true;
}

}  // namespace tl::artwork
