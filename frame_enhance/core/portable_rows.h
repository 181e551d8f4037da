// The portable row operations: plain scalar loops, one table look-up per 16-bit unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tl::frame::rows {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "16-bit units are read little-endian");

// Maps every 16-bit unit of n bytes (n even) through a 64K table, a 32-bit word at a time.
inline void MapUnits(std::uint8_t* d, const std::uint8_t* s, const std::uint16_t* table, std::size_t n) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint32_t word;
    std::memcpy(&word, s + i, 4);
    const std::uint32_t out = table[word & 0xffff] | static_cast<std::uint32_t>(table[word >> 16]) << 16;
    std::memcpy(d + i, &out, 4);
  }
  if (i < n) {
    const std::uint16_t v = table[s[i] | s[i + 1] << 8];
    d[i] = static_cast<std::uint8_t>(v);
    d[i + 1] = static_cast<std::uint8_t>(v >> 8);
  }
}

// Index of the chroma byte that side-by-side pixel p goes with: pixels 4i, 4i+1 take bytes 2i,
// 2i+1 of the first half, pixels 4i+2, 4i+3 the same bytes of the second half.
inline std::size_t SideBySideChromaIndex(std::size_t p, std::size_t half) {
  return ((p >> 1) & 1) * half + ((p >> 2) << 1) + (p & 1);
}

inline unsigned I420Mean(const std::uint8_t* y0, const std::uint8_t* y1, std::size_t sample) {
  const std::size_t x = 2 * sample;
  return (static_cast<unsigned>(y0[x]) + y0[x + 1] + y1[x] + y1[x + 1]) >> 2;
}

struct PortableRows {
  const std::uint16_t* lut1;
  const std::uint16_t* lut2;
  PortableRows(const std::uint16_t* l1, const std::uint16_t* l2) : lut1(l1), lut2(l2) {}

  void Luma(std::uint8_t* d, const std::uint8_t* s, std::size_t n) const { MapUnits(d, s, lut1, n); }
  void Yuy2(std::uint8_t* d, const std::uint8_t* s, std::size_t n) const { MapUnits(d, s, lut2, n); }

  void Pair(std::uint8_t* dy, const std::uint8_t* sy, std::uint8_t* dc, const std::uint8_t* sc,
            std::size_t n) const {
    for (std::size_t x = 0; x < n; ++x) {
      const std::uint16_t v = lut2[sc[x] << 8 | sy[x]];
      dy[x] = static_cast<std::uint8_t>(v);
      dc[x] = static_cast<std::uint8_t>(v >> 8);
    }
  }

  void SideBySide(std::uint8_t* dy, const std::uint8_t* sy, std::uint8_t* dc, const std::uint8_t* sc,
                  std::size_t half, std::size_t p0, std::size_t p1) const {
    for (std::size_t p = p0; p < p1; ++p) {
      const std::size_t ci = SideBySideChromaIndex(p, half);
      const std::uint16_t v = lut2[sc[ci] << 8 | sy[p]];
      dy[p] = static_cast<std::uint8_t>(v);
      dc[ci] = static_cast<std::uint8_t>(v >> 8);
    }
  }

  void I420Chroma(std::uint8_t* dc, const std::uint8_t* sc, const std::uint8_t* y0, const std::uint8_t* y1,
                  std::size_t s0, std::size_t s1) const {
    for (std::size_t s = s0; s < s1; ++s) dc[s] = static_cast<std::uint8_t>(lut2[sc[s] << 8 | I420Mean(y0, y1, s)] >> 8);
  }
};

}  // namespace tl::frame::rows
