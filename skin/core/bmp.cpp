#include "skin/core/bmp.h"

#include <algorithm>
#include <array>
#include <bit>

namespace tl::skin {
namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
// Guards the allocation; far beyond any skin picture.
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;

uint16_t U16(std::span<const uint8_t> d, size_t at) {
  return static_cast<uint16_t>(d[at] | (d[at + 1] << 8));
}
uint32_t U32(std::span<const uint8_t> d, size_t at) {
  return static_cast<uint32_t>(d[at]) | (static_cast<uint32_t>(d[at + 1]) << 8) |
         (static_cast<uint32_t>(d[at + 2]) << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
}

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    bits = std::popcount(mask >> shift);
    // Only a contiguous mask makes a channel.
    if (((mask >> shift) & ((mask >> shift) + 1)) != 0) mask = 0, bits = 0;
  }
  uint32_t Extract(uint32_t value) const {
    if (mask == 0) return 0;
    uint32_t v = (value & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
  }
};

struct Decoder {
  BmpLayout layout;
  uint32_t pixelOffset = 0;
  uint32_t compression = kBiRgb;
  uint64_t stride = 0;
  std::vector<uint32_t> palette;
  Channel red, green, blue;
};

bool Prepare(std::span<const uint8_t> file, Decoder& dec) {
  if (file.size() < kFileHeaderSize + 12) return false;
  if (file[0] != 'B' || file[1] != 'M') return false;
  dec.pixelOffset = U32(file, 10);
  const uint32_t headerSize = U32(file, 14);
  BmpLayout& l = dec.layout;
  l.headerSize = headerSize;
  uint32_t colourCount = 0;
  size_t paletteEntrySize = 4;
  if (headerSize == 12) {
    l.width = U16(file, 18);
    l.height = U16(file, 20);
    if (U16(file, 22) != 1) return false;
    l.bitsPerPixel = U16(file, 24);
    paletteEntrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 124) {
    if (file.size() < kFileHeaderSize + uint64_t{headerSize}) return false;
    l.width = static_cast<int32_t>(U32(file, 18));
    int32_t h = static_cast<int32_t>(U32(file, 22));
    if (h == INT32_MIN) return false;
    l.topDown = h < 0;
    l.height = h < 0 ? -h : h;
    if (U16(file, 26) != 1) return false;
    l.bitsPerPixel = U16(file, 28);
    dec.compression = U32(file, 30);
    colourCount = U32(file, 46);
  } else {
    return false;
  }
  if (l.width <= 0 || l.height <= 0) return false;
  if (uint64_t(l.width) * uint64_t(l.height) > kMaxPixels) return false;

  const uint16_t bpp = l.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (dec.compression != kBiRgb && !(dec.compression == kBiBitfields && (bpp == 16 || bpp == 32)))
    return false;

  uint64_t tableStart = kFileHeaderSize + uint64_t{headerSize};
  if (dec.compression == kBiBitfields) {
    // The masks follow a plain info header; the larger headers carry them inside.
    uint64_t masksAt = kFileHeaderSize + 40;
    if (masksAt + 12 > file.size()) return false;
    dec.red = Channel(U32(file, masksAt));
    dec.green = Channel(U32(file, masksAt + 4));
    dec.blue = Channel(U32(file, masksAt + 8));
    if (headerSize == 40) tableStart += 12;
  } else if (bpp == 16) {
    dec.red = Channel(0x7C00), dec.green = Channel(0x03E0), dec.blue = Channel(0x001F);
  } else if (bpp == 32) {
    dec.red = Channel(0xFF0000), dec.green = Channel(0xFF00), dec.blue = Channel(0xFF);
  }

  if (bpp <= 8) {
    const uint32_t maxColours = 1u << bpp;
    if (colourCount == 0 || colourCount > maxColours) colourCount = maxColours;
    // A palette cut short by the pixel data keeps only the entries that are really there.
    uint64_t end = std::min<uint64_t>(file.size(), std::max<uint64_t>(dec.pixelOffset, tableStart));
    uint64_t available = end > tableStart ? (end - tableStart) / paletteEntrySize : 0;
    colourCount = static_cast<uint32_t>(std::min<uint64_t>(colourCount, available));
    if (colourCount == 0) return false;
    dec.palette.resize(colourCount);
    for (uint32_t i = 0; i < colourCount; ++i) {
      size_t at = static_cast<size_t>(tableStart + uint64_t{i} * paletteEntrySize);
      dec.palette[i] = (uint32_t{file[at + 2]} << 16) | (uint32_t{file[at + 1]} << 8) | file[at];
    }
  }

  dec.stride = ((uint64_t(l.width) * bpp + 31) / 32) * 4;
  if (dec.pixelOffset < kFileHeaderSize + 12) return false;
  if (uint64_t{dec.pixelOffset} + dec.stride * uint64_t(l.height) > file.size()) return false;
  return true;
}

uint32_t ReadPixel(const Decoder& dec, const uint8_t* row, int32_t x) {
  switch (dec.layout.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      const int bpp = dec.layout.bitsPerPixel;
      const uint64_t bit = uint64_t(x) * bpp;
      const uint8_t byte = row[bit / 8];
      const int shift = 8 - bpp - static_cast<int>(bit % 8);
      const uint32_t index = (byte >> shift) & ((1u << bpp) - 1);
      // Indices beyond the palette are drawn black.
      return index < dec.palette.size() ? dec.palette[index] : 0;
    }
    case 16: {
      uint32_t v = row[x * 2] | (row[x * 2 + 1] << 8);
      return (dec.red.Extract(v) << 16) | (dec.green.Extract(v) << 8) | dec.blue.Extract(v);
    }
    case 24:
      return (uint32_t{row[x * 3 + 2]} << 16) | (uint32_t{row[x * 3 + 1]} << 8) | row[x * 3];
    default: {
      const uint8_t* p = row + x * 4;
      uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
      return (dec.red.Extract(v) << 16) | (dec.green.Extract(v) << 8) | dec.blue.Extract(v);
    }
  }
}

bool DecodeArea(std::span<const uint8_t> file, const Decoder& dec, int32_t x0, int32_t y0,
                int32_t w, int32_t h, Pixels& out) {
  Pixels result;
  result.width = w;
  result.height = h;
  result.data.resize(static_cast<size_t>(w) * h);
  const BmpLayout& l = dec.layout;
  for (int32_t y = 0; y < h; ++y) {
    const int32_t fromTop = y0 + y;
    const int32_t fileRow = l.topDown ? fromTop : l.height - 1 - fromTop;
    const uint8_t* row = file.data() + dec.pixelOffset + dec.stride * uint64_t(fileRow);
    for (int32_t x = 0; x < w; ++x)
      result.data[static_cast<size_t>(y) * w + x] = ReadPixel(dec, row, x0 + x);
  }
  out = std::move(result);
  return true;
}

void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

}  // namespace

bool ReadBmpLayout(std::span<const uint8_t> file, BmpLayout& layout) {
  Decoder dec;
  if (!Prepare(file, dec)) return false;
  layout = dec.layout;
  return true;
}

bool DecodeBmp(std::span<const uint8_t> file, Pixels& out) {
  Decoder dec;
  if (!Prepare(file, dec)) return false;
  return DecodeArea(file, dec, 0, 0, dec.layout.width, dec.layout.height, out);
}

bool DecodeBmpRect(std::span<const uint8_t> file, int32_t x, int32_t y, int32_t width,
                   int32_t height, Pixels& out) {
  Decoder dec;
  if (!Prepare(file, dec)) return false;
  if (x < 0 || y < 0 || width <= 0 || height <= 0) return false;
  if (int64_t{x} + width > dec.layout.width || int64_t{y} + height > dec.layout.height)
    return false;
  return DecodeArea(file, dec, x, y, width, height, out);
}

std::vector<uint8_t> EncodeBmp24(const Pixels& pixels, bool coreHeader) {
  const uint32_t headerSize = coreHeader ? 12 : 40;
  const uint32_t stride = ((uint32_t(pixels.width) * 24 + 31) / 32) * 4;
  const uint32_t offset = kFileHeaderSize + headerSize;
  const uint32_t total = offset + stride * uint32_t(pixels.height);
  std::vector<uint8_t> v;
  v.reserve(total);
  v.push_back('B');
  v.push_back('M');
  Put32(v, total);
  Put32(v, 0);
  Put32(v, offset);
  Put32(v, headerSize);
  if (coreHeader) {
    Put16(v, static_cast<uint16_t>(pixels.width));
    Put16(v, static_cast<uint16_t>(pixels.height));
    Put16(v, 1);
    Put16(v, 24);
  } else {
    Put32(v, static_cast<uint32_t>(pixels.width));
    Put32(v, static_cast<uint32_t>(pixels.height));
    Put16(v, 1);
    Put16(v, 24);
    for (int i = 0; i < 6; ++i) Put32(v, 0);
  }
  for (int32_t y = pixels.height - 1; y >= 0; --y) {
    size_t rowStart = v.size();
    for (int32_t x = 0; x < pixels.width; ++x) {
      uint32_t c = pixels.At(x, y);
      v.push_back(static_cast<uint8_t>(c));
      v.push_back(static_cast<uint8_t>(c >> 8));
      v.push_back(static_cast<uint8_t>(c >> 16));
    }
    v.resize(rowStart + stride, 0);
  }
  return v;
}

}  // namespace tl::skin
