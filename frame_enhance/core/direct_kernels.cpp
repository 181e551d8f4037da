#include "frame_enhance/core/direct_kernels.h"

#include "frame_enhance/core/frame_rows.h"
#include "frame_enhance/core/portable_rows.h"

namespace tl::frame {

std::uint8_t ScaleChroma(unsigned chroma, unsigned gain) {
  const int v = ((static_cast<int>(chroma) - 128) * static_cast<int>(gain) >> 8) + 128;
  return static_cast<std::uint8_t>(v < 16 ? 16 : v > 240 ? 240 : v);
}

namespace {

// The luma a chroma byte goes with is the one the kernels pair it with (YUY2: the mean of the
// pixel pair; I420: the mean of its 2 x 2 block).
struct DirectRows {
  const std::uint16_t* lut1;
  const std::uint16_t* gain;
  DirectRows(const std::uint16_t* l1, const std::uint16_t* g) : lut1(l1), gain(g) {}

  std::uint8_t Curve(unsigned y) const { return static_cast<std::uint8_t>(lut1[y]); }

  void Luma(std::uint8_t* d, const std::uint8_t* s, std::size_t n) const { rows::MapUnits(d, s, lut1, n); }

  void Yuy2(std::uint8_t* d, const std::uint8_t* s, std::size_t n) const {
    for (std::size_t i = 0; i < n; i += 4) {
      const unsigned y0 = s[i], u = s[i + 1], y1 = s[i + 2], v = s[i + 3];
      const unsigned g = gain[(y0 + y1) >> 1];
      d[i] = Curve(y0);
      d[i + 1] = ScaleChroma(u, g);
      d[i + 2] = Curve(y1);
      d[i + 3] = ScaleChroma(v, g);
    }
  }

  void Pair(std::uint8_t* dy, const std::uint8_t* sy, std::uint8_t* dc, const std::uint8_t* sc,
            std::size_t n) const {
    for (std::size_t x = 0; x < n; ++x) {
      const unsigned y = sy[x];
      dc[x] = ScaleChroma(sc[x], gain[y]);
      dy[x] = Curve(y);
    }
  }

  void SideBySide(std::uint8_t* dy, const std::uint8_t* sy, std::uint8_t* dc, const std::uint8_t* sc,
                  std::size_t half, std::size_t p0, std::size_t p1) const {
    for (std::size_t p = p0; p < p1; ++p) {
      const std::size_t ci = rows::SideBySideChromaIndex(p, half);
      const unsigned y = sy[p];
      dc[ci] = ScaleChroma(sc[ci], gain[y]);
      dy[p] = Curve(y);
    }
  }

  void I420Chroma(std::uint8_t* dc, const std::uint8_t* sc, const std::uint8_t* y0, const std::uint8_t* y1,
                  std::size_t s0, std::size_t s1) const {
    for (std::size_t s = s0; s < s1; ++s) dc[s] = ScaleChroma(sc[s], gain[rows::I420Mean(y0, y1, s)]);
  }
};

}  // namespace

const KernelTable& DirectKernels() {
  static constexpr KernelTable table =
      rows::MakeKernelTable(KernelSetId::kPortable, "direct", rows::KernelsOf<DirectRows>::kTable);
  return table;
}

}  // namespace tl::frame
