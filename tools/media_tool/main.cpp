// tl_media: the suite's sample pictures and test movies, drawn from a readable card definition.
//   tl_media picture <card> <out.jpg|out.bmp> [--size WxH] [--quality Q]
//   tl_media movie <card> <out.avi> --format rgb32|yuy2 [--size WxH] [--frames N] [--fps F]
// A movie's frames are the card with a frame mark: the top-left 32 x 32 square is grey level
// 16 + 24 (frame mod 10), so a reader can tell frames apart.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "skin/core/bmp.h"
#include "tools/media_tool/avi.h"
#include "tools/media_tool/test_card.h"

namespace {

using tl::media::Picture;

constexpr int kExitUsage = 64;
constexpr int kExitFailed = 1;

int Usage() {
  std::cerr << "usage: tl_media picture <card> <out.jpg|out.bmp> [--size WxH] [--quality Q]\n"
               "       tl_media movie <card> <out.avi> --format rgb32|yuy2 [--size WxH] [--frames N] [--fps F]\n";
  return kExitUsage;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Baseline JPEG without chroma subsampling, so that colour patches keep their edges.
bool WriteJpeg(const std::string& path, const Picture& picture, int quality) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  for (int c = 0; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(picture.width) * 3);
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t c = picture.at(x, static_cast<int>(info.next_scanline));
      row[x * 3] = static_cast<JSAMPLE>(c >> 16);
      row[x * 3 + 1] = static_cast<JSAMPLE>(c >> 8);
      row[x * 3 + 2] = static_cast<JSAMPLE>(c);
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  return std::sscanf(text.c_str(), "%dx%d", &width, &height) == 2 && width > 0 && height > 0 && width <= 8192 &&
         height <= 8192;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string command = argv[1], cardPath = argv[2], outPath = argv[3];
  int width = 0, height = 0, quality = 95, frames = 10, fps = 10;
  std::string format;
  for (int i = 4; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (option == "--size") {
      if (!ParseSize(value, width, height)) return Usage();
    } else if (option == "--quality") {
      quality = std::atoi(value.c_str());
      if (quality < 1 || quality > 100) return Usage();
    } else if (option == "--frames") {
      frames = std::atoi(value.c_str());
      if (frames < 1 || frames > 10000) return Usage();
    } else if (option == "--fps") {
      fps = std::atoi(value.c_str());
      if (fps < 1 || fps > 240) return Usage();
    } else if (option == "--format") {
      format = value;
    } else {
      return Usage();
    }
  }

  std::ifstream in(cardPath, std::ios::binary);
  const std::string definition((std::istreambuf_iterator<char>(in)), {});
  Picture card;
  std::string error;
  if (!in || !tl::media::DrawCard(definition, card, error)) {
    std::cerr << cardPath << ": " << (in ? error : "cannot be read") << "\n";
    return kExitFailed;
  }
  if (width) card = tl::media::Resized(card, width, height);

  if (command == "picture") {
    bool written = false;
    if (EndsWith(outPath, ".jpg")) {
      written = WriteJpeg(outPath, card, quality);
    } else if (EndsWith(outPath, ".bmp")) {
      tl::skin::Pixels pixels{card.width, card.height, card.pixels};
      written = WriteFile(outPath, tl::skin::EncodeBmp24(pixels));
    } else {
      return Usage();
    }
    if (!written) std::cerr << outPath << ": cannot be written\n";
    return written ? 0 : kExitFailed;
  }
  if (command == "movie") {
    tl::media::AviStream stream{tl::media::AviFormat::kRgb32, card.width, card.height, fps};
    if (format == "yuy2") {
      stream.format = tl::media::AviFormat::kYuy2;
      if (card.width % 2) {
        std::cerr << "a YUY2 movie needs an even width\n";
        return kExitFailed;
      }
    } else if (format != "rgb32") {
      return Usage();
    }
    std::vector<std::vector<std::uint8_t>> encoded;
    for (int f = 0; f < frames; ++f) {
      Picture frame = card;
      const std::uint32_t mark = 0x010101u * static_cast<std::uint32_t>(16 + 24 * (f % 10));
      for (int y = 0; y < 32 && y < frame.height; ++y) {
        for (int x = 0; x < 32 && x < frame.width; ++x) frame.at(x, y) = mark;
      }
      encoded.push_back(tl::media::EncodeFrame(stream, frame));
    }
    if (!WriteFile(outPath, tl::media::WriteAvi(stream, encoded))) {
      std::cerr << outPath << ": cannot be written\n";
      return kExitFailed;
    }
    return 0;
  }
  return Usage();
}
