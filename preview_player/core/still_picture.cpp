#include "preview_player/core/still_picture.h"

#include <csetjmp>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace tl::preview {
namespace {

// libjpeg reports errors through error_exit, which must not return: it jumps back to the call
// that started the work. Warnings (corrupt data, premature end of file) are treated the same.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  errors->base.format_message(info, errors->message);
  std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
  if (level < 0) OnError(info);  // a warning: the data is damaged
}

void Install(jpeg_decompress_struct& info, ErrorManager& errors) {
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.emit_message = OnMessage;
  errors.message[0] = '\0';
}

bool SizeAllowed(const jpeg_decompress_struct& info) {
  return info.image_width >= 1 && info.image_height >= 1 && info.image_width <= kMaxPictureSide &&
         info.image_height <= kMaxPictureSide;
}

}  // namespace

std::optional<PictureSize> ReadJpegHeader(std::FILE* file) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  Install(info, errors);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  const PictureSize size{info.image_width, info.image_height};
  jpeg_destroy_decompress(&info);
  return size;
}

namespace {

// The decoding itself. `picture` lives in the caller's frame, so that what the jump leaves behind
// is still owned (and freed) there.
bool DecodeInto(std::span<const std::uint8_t> file, skin::Pixels& picture, ErrorManager& errors) {
  jpeg_decompress_struct info{};
  Install(info, errors);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  if (file.empty()) ERREXIT(&info, JERR_INPUT_EMPTY);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  if (!SizeAllowed(info)) ERREXIT(&info, JERR_IMAGE_TOO_BIG);
  info.out_color_space = JCS_EXT_BGRX;  // little-endian 0x??RRGGBB words, the pixels' layout
  jpeg_start_decompress(&info);
  picture.width = static_cast<std::int32_t>(info.output_width);
  picture.height = static_cast<std::int32_t>(info.output_height);
  picture.data.assign(static_cast<size_t>(picture.width) * picture.height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&picture.data[static_cast<size_t>(info.output_scanline) * picture.width]);
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpeg(std::span<const std::uint8_t> file, skin::Pixels& out, std::string* error) {
  ErrorManager errors{};
  skin::Pixels picture;
  if (!DecodeInto(file, picture, errors)) {
    if (error) *error = errors.message;
    return false;
  }
  for (std::uint32_t& p : picture.data) p &= 0xFFFFFF;
  out = std::move(picture);
  return true;
}

bool DecodePicture(bool jpeg, std::span<const std::uint8_t> file, skin::Pixels& out, std::string* error) {
  if (jpeg) return DecodeJpeg(file, out, error);
  skin::Pixels picture;
  if (!skin::DecodeBmp(file, picture)) {
    if (error) *error = "not a readable bitmap";
    return false;
  }
  if (picture.width > kMaxPictureSide || picture.height > kMaxPictureSide) {
    if (error) *error = "picture too large";
    return false;
  }
  out = std::move(picture);
  return true;
}

}  // namespace tl::preview
