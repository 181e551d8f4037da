// The JPEG library built from Debian's sources compresses a picture to a file and reads its
// header back through the standard-file source, as the preview player will.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "common/testing/wine_testing.h"
#include "common/win32/text.h"

namespace {

TEST(WineBenchJpeg, HeaderOfAWrittenPictureGivesItsSize) {
  const std::string path = tl::win32::Narrow(tl::testing::ArtifactDir() + L"bench_gradient.jpg");
  constexpr int kWidth = 120;
  constexpr int kHeight = 72;

  {
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, out);
    compress.image_width = kWidth;
    compress.image_height = kHeight;
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_start_compress(&compress, TRUE);
    std::vector<JSAMPLE> row(kWidth * 3);
    while (compress.next_scanline < compress.image_height) {
      for (int x = 0; x < kWidth; ++x) {
        row[x * 3] = static_cast<JSAMPLE>(x * 2);
        row[x * 3 + 1] = static_cast<JSAMPLE>(compress.next_scanline * 3);
        row[x * 3 + 2] = 128;
      }
      JSAMPROW rows[] = {row.data()};
      jpeg_write_scanlines(&compress, rows, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    std::fclose(out);
  }

  FILE* in = std::fopen(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  jpeg_decompress_struct decompress{};
  jpeg_error_mgr errors{};
  decompress.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decompress);
  jpeg_stdio_src(&decompress, in);
  EXPECT_EQ(jpeg_read_header(&decompress, TRUE), JPEG_HEADER_OK);
  EXPECT_EQ(decompress.image_width, static_cast<JDIMENSION>(kWidth));
  EXPECT_EQ(decompress.image_height, static_cast<JDIMENSION>(kHeight));
  jpeg_destroy_decompress(&decompress);
  std::fclose(in);
}

}  // namespace
