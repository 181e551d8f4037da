#include "renderer_filter/tests/avi_writer.h"

#include <cstdio>
#include <cstring>

namespace tl::renderer::testing {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}
void PutFourCc(std::vector<uint8_t>& out, const char* code) { out.insert(out.end(), code, code + 4); }
void Patch32(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(value >> (8 * i));
}

uint32_t Stride(const AviSpec& spec) {
  return spec.pixels == AviPixels::kRgb32 ? 4u * uint32_t(spec.width) : (2u * uint32_t(spec.width) + 3u) & ~3u;
}

}  // namespace

std::size_t AviFrameBytes(const AviSpec& spec) { return std::size_t(Stride(spec)) * std::size_t(spec.height); }

uint32_t TestPixel(int index, int x, int y, int width, int height) {
  if (x < width / 8 && y < height / 8) return 0xFFFFFF;
  const uint32_t r = uint32_t(x * 255 / (width - 1) + index * 3) & 0xFF;
  const uint32_t g = uint32_t(y * 255 / (height - 1) + index * 5) & 0xFF;
  const uint32_t b = uint32_t((x + y) * 255 / (width + height - 2) + index * 7) & 0xFF;
  return r << 16 | g << 8 | b;
}

void TestYuy2Pair(int index, int pair, int y, int width, int height, uint8_t out[4]) {
  const bool block = 2 * pair < width / 8 && y < height / 8;
  out[0] = block ? 235 : uint8_t((2 * pair * 255 / (width - 1) + index * 3) & 0xFF);
  out[1] = block ? 128 : uint8_t((y * 255 / (height - 1) + index * 5) & 0xFF);
  out[2] = block ? 235 : uint8_t(((2 * pair + 1) * 255 / (width - 1) + index * 3) & 0xFF);
  out[3] = block ? 128 : uint8_t(((pair + y) * 255 / (width / 2 + height) + index * 7) & 0xFF);
}

void FillTestFrame(const AviSpec& spec, int index, std::vector<uint8_t>& bytes) {
  const uint32_t stride = Stride(spec);
  for (int row = 0; row < spec.height; ++row) {
    uint8_t* line = bytes.data() + std::size_t(row) * stride;
    if (spec.pixels == AviPixels::kRgb32) {
      const int y = spec.height - 1 - row;  // stored bottom-up
      for (int x = 0; x < spec.width; ++x) {
        const uint32_t p = TestPixel(index, x, y, spec.width, spec.height);
        std::memcpy(line + 4 * x, &p, 4);  // B, G, R, 0 in memory
      }
    } else {
      for (int pair = 0; pair < (spec.width + 1) / 2; ++pair) TestYuy2Pair(index, pair, row, spec.width, spec.height, line + 4 * pair);
    }
  }
}

bool WriteAvi(const std::string& path, const AviSpec& spec,
              const std::function<void(int index, std::vector<uint8_t>& bytes)>& frame) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const uint32_t frameBytes = uint32_t(AviFrameBytes(spec));
  const bool rgb = spec.pixels == AviPixels::kRgb32;
  const char* chunk = rgb ? "00db" : "00dc";

  std::vector<uint8_t> head;
  PutFourCc(head, "RIFF");
  Put32(head, 0);  // patched
  PutFourCc(head, "AVI ");
  PutFourCc(head, "LIST");
  const std::size_t hdrlSize = head.size();
  Put32(head, 0);
  PutFourCc(head, "hdrl");
  PutFourCc(head, "avih");
  Put32(head, 56);
  Put32(head, uint32_t(1000000 / spec.framesPerSecond));
  Put32(head, frameBytes * uint32_t(spec.framesPerSecond));
  Put32(head, 0);
  Put32(head, 0x10);  // AVIF_HASINDEX
  Put32(head, uint32_t(spec.frames));
  Put32(head, 0);
  Put32(head, 1);
  Put32(head, frameBytes);
  Put32(head, uint32_t(spec.width));
  Put32(head, uint32_t(spec.height));
  for (int i = 0; i < 4; ++i) Put32(head, 0);
  PutFourCc(head, "LIST");
  const std::size_t strlSize = head.size();
  Put32(head, 0);
  PutFourCc(head, "strl");
  PutFourCc(head, "strh");
  Put32(head, 56);
  PutFourCc(head, "vids");
  PutFourCc(head, rgb ? "DIB " : "YUY2");
  Put32(head, 0);
  Put16(head, 0);
  Put16(head, 0);
  Put32(head, 0);
  Put32(head, 1);
  Put32(head, uint32_t(spec.framesPerSecond));
  Put32(head, 0);
  Put32(head, uint32_t(spec.frames));
  Put32(head, frameBytes);
  Put32(head, 0xFFFFFFFF);
  Put32(head, 0);
  Put16(head, 0);
  Put16(head, 0);
  Put16(head, uint16_t(spec.width));
  Put16(head, uint16_t(spec.height));
  PutFourCc(head, "strf");
  Put32(head, 40);
  Put32(head, 40);
  Put32(head, uint32_t(spec.width));
  Put32(head, uint32_t(spec.height));
  Put16(head, 1);
  Put16(head, rgb ? 32 : 16);
  if (rgb) {
    Put32(head, 0);
  } else {
    PutFourCc(head, "YUY2");
  }
  Put32(head, frameBytes);
  for (int i = 0; i < 4; ++i) Put32(head, 0);
  Patch32(head, strlSize, uint32_t(head.size() - strlSize - 4));
  Patch32(head, hdrlSize, uint32_t(head.size() - hdrlSize - 4));
  PutFourCc(head, "LIST");
  const std::size_t moviSizeAt = head.size();
  Put32(head, 0);
  const std::size_t moviStart = head.size();
  PutFourCc(head, "movi");

  bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size();
  std::vector<uint8_t> bytes(frameBytes);
  std::vector<uint8_t> index;
  uint32_t offset = 4;  // from the "movi" code
  for (int i = 0; ok && i < spec.frames; ++i) {
    frame(i, bytes);
    std::vector<uint8_t> header;
    PutFourCc(header, chunk);
    Put32(header, frameBytes);
    ok = std::fwrite(header.data(), 1, 8, file) == 8 && std::fwrite(bytes.data(), 1, frameBytes, file) == frameBytes;
    PutFourCc(index, chunk);
    Put32(index, 0x10);  // key frame
    Put32(index, offset);
    Put32(index, frameBytes);
    offset += 8 + frameBytes + (frameBytes & 1);
    if (frameBytes & 1) ok = ok && std::fputc(0, file) != EOF;
  }
  const uint32_t moviSize = offset;
  std::vector<uint8_t> tail;
  PutFourCc(tail, "idx1");
  Put32(tail, uint32_t(index.size()));
  tail.insert(tail.end(), index.begin(), index.end());
  ok = ok && std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
  // Sizes: the movi list and the whole RIFF.
  uint8_t size[4];
  for (int i = 0; i < 4; ++i) size[i] = uint8_t(moviSize >> (8 * i));
  ok = ok && std::fseek(file, long(moviSizeAt), SEEK_SET) == 0 && std::fwrite(size, 1, 4, file) == 4;
  const uint32_t riffSize = uint32_t(moviStart + moviSize + tail.size() - 8);
  for (int i = 0; i < 4; ++i) size[i] = uint8_t(riffSize >> (8 * i));
  ok = ok && std::fseek(file, 4, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file) == 4;
  return std::fclose(file) == 0 && ok;
}

}  // namespace tl::renderer::testing
