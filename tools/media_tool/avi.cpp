#include "tools/media_tool/avi.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tl::media {
namespace {

constexpr std::uint32_t FourCc(const char (&s)[5]) {
  return static_cast<std::uint32_t>(s[0]) | static_cast<std::uint32_t>(s[1]) << 8 |
         static_cast<std::uint32_t>(s[2]) << 16 | static_cast<std::uint32_t>(s[3]) << 24;
}

class Writer {
 public:
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U16(std::uint16_t v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  // Starts a chunk (or a LIST/RIFF with its type); End fills its size and pads it to even.
  std::size_t Begin(std::uint32_t id, std::uint32_t listType = 0) {
    U32(id);
    const std::size_t at = bytes.size();
    U32(0);
    if (listType) U32(listType);
    return at;
  }
  void End(std::size_t at) {
    const auto size = static_cast<std::uint32_t>(bytes.size() - at - 4);
    std::memcpy(&bytes[at], &size, 4);  // little-endian hosts only, as every target is
    if (size % 2) bytes.push_back(0);
  }
  std::vector<std::uint8_t> bytes;
};

std::uint32_t FrameBytes(const AviStream& s) {
  return static_cast<std::uint32_t>(s.width) * s.height * (s.format == AviFormat::kRgb32 ? 4 : 2);
}

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

std::vector<std::uint8_t> ToYuy2(const Picture& p) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(p.width) * p.height * 2);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x + 1 < p.width; x += 2) {
      double luma[2], cb = 0, cr = 0;
      for (int k = 0; k < 2; ++k) {
        const std::uint32_t c = p.at(x + k, y);
        const double r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
        luma[k] = 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255;
        cb += (128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255) / 2;
        cr += (128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255) / 2;
      }
      std::uint8_t* q = &out[(static_cast<std::size_t>(y) * p.width + x) * 2];
      q[0] = Clamp(luma[0]);
      q[1] = Clamp(cb);
      q[2] = Clamp(luma[1]);
      q[3] = Clamp(cr);
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeFrame(const AviStream& stream, const Picture& picture) {
  if (stream.format == AviFormat::kYuy2) return ToYuy2(picture);
  std::vector<std::uint8_t> out(FrameBytes(stream));
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(&out[static_cast<std::size_t>(picture.height - 1 - y) * picture.width * 4], &picture.pixels[static_cast<std::size_t>(y) * picture.width],
                static_cast<std::size_t>(picture.width) * 4);
  }
  return out;
}

std::vector<std::uint8_t> WriteAvi(const AviStream& s, const std::vector<std::vector<std::uint8_t>>& frames) {
  const bool yuy2 = s.format == AviFormat::kYuy2;
  const std::uint32_t frameBytes = FrameBytes(s);
  const auto count = static_cast<std::uint32_t>(frames.size());
  Writer w;
  const std::size_t riff = w.Begin(FourCc("RIFF"), FourCc("AVI "));
  const std::size_t hdrl = w.Begin(FourCc("LIST"), FourCc("hdrl"));
  const std::size_t avih = w.Begin(FourCc("avih"));
  w.U32(1000000 / static_cast<std::uint32_t>(s.framesPerSecond));
  w.U32(frameBytes * static_cast<std::uint32_t>(s.framesPerSecond));
  w.U32(0);
  w.U32(0x10);  // AVIF_HASINDEX
  w.U32(count);
  w.U32(0);
  w.U32(1);
  w.U32(frameBytes);
  w.U32(static_cast<std::uint32_t>(s.width));
  w.U32(static_cast<std::uint32_t>(s.height));
  for (int i = 0; i < 4; ++i) w.U32(0);
  w.End(avih);
  const std::size_t strl = w.Begin(FourCc("LIST"), FourCc("strl"));
  const std::size_t strh = w.Begin(FourCc("strh"));
  w.U32(FourCc("vids"));
  w.U32(yuy2 ? FourCc("YUY2") : 0);
  w.U32(0);
  w.U16(0);
  w.U16(0);
  w.U32(0);
  w.U32(1);
  w.U32(static_cast<std::uint32_t>(s.framesPerSecond));
  w.U32(0);
  w.U32(count);
  w.U32(frameBytes);
  w.U32(0xFFFFFFFF);
  w.U32(0);
  w.U16(0);
  w.U16(0);
  w.U16(static_cast<std::uint16_t>(s.width));
  w.U16(static_cast<std::uint16_t>(s.height));
  w.End(strh);
  const std::size_t strf = w.Begin(FourCc("strf"));
  w.U32(40);
  w.U32(static_cast<std::uint32_t>(s.width));
  w.U32(static_cast<std::uint32_t>(s.height));
  w.U16(1);
  w.U16(yuy2 ? 16 : 32);
  w.U32(yuy2 ? FourCc("YUY2") : 0);
  w.U32(frameBytes);
  for (int i = 0; i < 4; ++i) w.U32(0);
  w.End(strf);
  w.End(strl);
  w.End(hdrl);
  const std::size_t movi = w.Begin(FourCc("LIST"), FourCc("movi"));
  const std::size_t moviType = movi + 4;  // index offsets count from the 'movi' type
  std::vector<std::uint32_t> offsets;
  const std::uint32_t chunkId = yuy2 ? FourCc("00dc") : FourCc("00db");
  for (const auto& frame : frames) {
    offsets.push_back(static_cast<std::uint32_t>(w.bytes.size() - moviType));
    const std::size_t chunk = w.Begin(chunkId);
    w.bytes.insert(w.bytes.end(), frame.begin(), frame.end());
    w.End(chunk);
  }
  w.End(movi);
  const std::size_t idx1 = w.Begin(FourCc("idx1"));
  for (std::uint32_t offset : offsets) {
    w.U32(chunkId);
    w.U32(0x10);  // AVIIF_KEYFRAME
    w.U32(offset);
    w.U32(frameBytes);
  }
  w.End(idx1);
  w.End(riff);
  return w.bytes;
}

bool ReadAvi(const std::vector<std::uint8_t>& file, AviStream& stream, std::vector<std::vector<std::uint8_t>>& frames) {
  if (file.size() < 12 || Read32(file, 0) != FourCc("RIFF") || Read32(file, 8) != FourCc("AVI ")) return false;
  AviStream s;
  std::vector<std::vector<std::uint8_t>> out;
  bool haveFormat = false;
  // Walks the chunks between `at` and `end` in file order, descending into every LIST.
  auto walk = [&](auto& self, std::size_t at, std::size_t end, int depth) -> bool {
    while (at + 8 <= end) {
      const std::uint32_t id = Read32(file, at);
      const std::size_t size = Read32(file, at + 4);
      if (size > end - at - 8) return false;
      const std::size_t data = at + 8;
      if (id == FourCc("LIST") && size >= 4) {
        if (depth > 8 || !self(self, data + 4, data + size, depth + 1)) return false;
      } else if (id == FourCc("strf") && size >= 40) {
        s.width = static_cast<int>(Read32(file, data + 4));
        s.height = static_cast<int>(Read32(file, data + 8));
        s.format = Read32(file, data + 16) == FourCc("YUY2") ? AviFormat::kYuy2 : AviFormat::kRgb32;
        haveFormat = true;
      } else if (id == FourCc("strh") && size >= 28) {
        const std::uint32_t scale = Read32(file, data + 20), rate = Read32(file, data + 24);
        if (scale) s.framesPerSecond = static_cast<int>(rate / scale);
      } else if ((id == FourCc("00db") || id == FourCc("00dc")) && haveFormat) {
        out.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(data), file.begin() + static_cast<std::ptrdiff_t>(data + size));
      }
      at = data + size + (size % 2);
    }
    return true;
  };
  if (!walk(walk, 12, std::min<std::size_t>(file.size(), 8 + std::size_t{Read32(file, 4)}), 0)) return false;
  if (!haveFormat || s.width <= 0 || s.height <= 0) return false;
  for (const auto& f : out) {
    if (f.size() != FrameBytes(s)) return false;
  }
  stream = s;
  frames = std::move(out);
  return true;
}

}  // namespace tl::media
