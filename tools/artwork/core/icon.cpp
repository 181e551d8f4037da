#include "tools/artwork/core/icon.h"

namespace tl::artwork {
namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
uint32_t Get16(std::span<const uint8_t> d, size_t at) { return d[at] | (d[at + 1] << 8); }
uint32_t Get32(std::span<const uint8_t> d, size_t at) {
  return Get16(d, at) | (static_cast<uint32_t>(Get16(d, at + 2)) << 16);
}

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kDirectoryEntrySize = 16;
uint32_t MaskStride(int32_t width) { return ((static_cast<uint32_t>(width) + 31) / 32) * 4; }

std::vector<uint8_t> IconImage(const Image& image) {
  std::vector<uint8_t> v;
  Put32(v, kInfoHeaderSize);
  Put32(v, static_cast<uint32_t>(image.width));
  Put32(v, static_cast<uint32_t>(image.height) * 2);  // colour rows, then mask rows
  Put16(v, 1);
  Put16(v, 32);
  for (int i = 0; i < 6; ++i) Put32(v, 0);
  for (int32_t y = image.height - 1; y >= 0; --y)
    for (int32_t x = 0; x < image.width; ++x) Put32(v, image.At(x, y));
  const uint32_t stride = MaskStride(image.width);
  for (int32_t y = image.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int32_t x = 0; x < image.width; ++x)
      if ((image.At(x, y) >> 24) == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    v.insert(v.end(), row.begin(), row.end());
  }
  return v;
}

// DDS header fields.
constexpr uint32_t kDdsMagic = 0x20534444;  // "DDS "
constexpr uint32_t kDdsHeaderSize = 124;
constexpr uint32_t kDdsPixelFormatSize = 32;
constexpr uint32_t kDdsdCaps = 0x1, kDdsdHeight = 0x2, kDdsdWidth = 0x4, kDdsdPitch = 0x8,
                   kDdsdPixelFormat = 0x1000;
constexpr uint32_t kDdpfAlphaPixels = 0x1, kDdpfRgb = 0x40;
constexpr uint32_t kDdsCapsTexture = 0x1000;
constexpr uint32_t kDdsFileHeader = 4 + kDdsHeaderSize;

}  // namespace

std::vector<uint8_t> EncodeIco(std::span<const Image> images) {
  std::vector<uint8_t> v;
  Put16(v, 0);
  Put16(v, 1);  // icon
  Put16(v, static_cast<uint32_t>(images.size()));
  std::vector<std::vector<uint8_t>> bodies;
  for (const Image& image : images) bodies.push_back(IconImage(image));
  uint32_t offset = 6 + kDirectoryEntrySize * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    v.push_back(static_cast<uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
    v.push_back(static_cast<uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
    v.push_back(0);  // no palette
    v.push_back(0);
    Put16(v, 1);
    Put16(v, 32);
    Put32(v, static_cast<uint32_t>(bodies[i].size()));
    Put32(v, offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) v.insert(v.end(), body.begin(), body.end());
  return v;
}

bool DecodeIco(std::span<const uint8_t> file, std::vector<Image>& out) {
  if (file.size() < 6 || Get16(file, 0) != 0 || Get16(file, 2) != 1) return false;
  const uint32_t count = Get16(file, 4);
  if (count == 0 || file.size() < 6 + uint64_t{kDirectoryEntrySize} * count) return false;
  std::vector<Image> images;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = 6 + size_t{kDirectoryEntrySize} * i;
    const uint64_t size = Get32(file, entry + 8);
    const uint64_t offset = Get32(file, entry + 12);
    if (offset + size > file.size() || size < kInfoHeaderSize) return false;
    std::span<const uint8_t> body = file.subspan(offset, size);
    if (Get32(body, 0) != kInfoHeaderSize || Get16(body, 14) != 32 || Get32(body, 16) != 0)
      return false;
    const int32_t width = static_cast<int32_t>(Get32(body, 4));
    const int32_t doubled = static_cast<int32_t>(Get32(body, 8));
    if (width < 1 || width > 256 || doubled < 2 || doubled > 512 || doubled % 2) return false;
    const int32_t height = doubled / 2;
    const uint32_t dirWidth = file[entry] ? file[entry] : 256;
    const uint32_t dirHeight = file[entry + 1] ? file[entry + 1] : 256;
    if (dirWidth != static_cast<uint32_t>(width) || dirHeight != static_cast<uint32_t>(height))
      return false;
    const uint64_t colourBytes = uint64_t{4} * width * height;
    const uint64_t maskBytes = uint64_t{MaskStride(width)} * height;
    if (kInfoHeaderSize + colourBytes + maskBytes > size) return false;
    Image image(width, height);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        image.At(x, height - 1 - y) = Get32(body, kInfoHeaderSize + (size_t(y) * width + x) * 4);
    // The mask must agree with the alpha: transparent exactly where alpha is zero.
    for (int32_t y = 0; y < height; ++y) {
      const size_t row = kInfoHeaderSize + colourBytes + size_t{MaskStride(width)} * y;
      for (int32_t x = 0; x < width; ++x) {
        const bool masked = (body[row + x / 8] & (0x80 >> (x % 8))) != 0;
        if (masked != ((image.At(x, height - 1 - y) >> 24) == 0)) return false;
      }
    }
    images.push_back(std::move(image));
  }
  out = std::move(images);
  return true;
}

std::vector<uint8_t> EncodeDdsArgb(const Image& image) {
  std::vector<uint8_t> v;
  Put32(v, kDdsMagic);
  Put32(v, kDdsHeaderSize);
  Put32(v, kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPitch | kDdsdPixelFormat);
  Put32(v, static_cast<uint32_t>(image.height));
  Put32(v, static_cast<uint32_t>(image.width));
  Put32(v, static_cast<uint32_t>(image.width) * 4);  // pitch
  Put32(v, 0);                                       // depth
  Put32(v, 0);                                       // mipmap count: none
  for (int i = 0; i < 11; ++i) Put32(v, 0);
  Put32(v, kDdsPixelFormatSize);
  Put32(v, kDdpfRgb | kDdpfAlphaPixels);
  Put32(v, 0);  // no FourCC
  Put32(v, 32);
  Put32(v, 0x00FF0000);
  Put32(v, 0x0000FF00);
  Put32(v, 0x000000FF);
  Put32(v, 0xFF000000);
  Put32(v, kDdsCapsTexture);
  for (int i = 0; i < 4; ++i) Put32(v, 0);  // caps2..4, reserved
  for (uint32_t pixel : image.data) Put32(v, pixel);
  return v;
}

bool DecodeDdsArgb(std::span<const uint8_t> file, Image& out) {
  if (file.size() < kDdsFileHeader || Get32(file, 0) != kDdsMagic ||
      Get32(file, 4) != kDdsHeaderSize || Get32(file, 76) != kDdsPixelFormatSize)
    return false;
  const uint32_t flags = Get32(file, 80);
  if (!(flags & kDdpfRgb) || !(flags & kDdpfAlphaPixels) || Get32(file, 88) != 32 ||
      Get32(file, 92) != 0x00FF0000 || Get32(file, 96) != 0x0000FF00 ||
      Get32(file, 100) != 0x000000FF || Get32(file, 104) != 0xFF000000)
    return false;
  const uint32_t height = Get32(file, 12), width = Get32(file, 16);
  if (width == 0 || height == 0 || width > 16384 || height > 16384) return false;
  if (kDdsFileHeader + uint64_t{4} * width * height > file.size()) return false;
  Image image(static_cast<int32_t>(width), static_cast<int32_t>(height));
  for (size_t i = 0; i < image.data.size(); ++i) image.data[i] = Get32(file, kDdsFileHeader + 4 * i);
  out = std::move(image);
  return true;
}

}  // namespace tl::artwork
