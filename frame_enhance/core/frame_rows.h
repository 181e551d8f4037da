// Frame drivers shared by every kernel set: they walk the rows and planes of each layout, copy
// the left half in split mode and hand the rest to the row operations of a set (Rows).
//
// Rows provides, for a byte range of one row:
//   Luma(d, s, n)                 n bytes of luma (n even) through LUT1
//   Yuy2(d, s, n)                 n bytes of YUY2 (n multiple of 4) through LUT2
//   Pair(dY, sY, dC, sC, n)       NV12 odd luma row with its chroma row, byte by byte
//   SideBySide(dY, sY, dC, sC, half, p0, p1)  pixels p0..p1-1 of a side-by-side odd row
//   I420Chroma(dC, sC, y0, y1, s0, s1)        chroma samples s0..s1-1 with the means of y0, y1
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "frame_enhance/core/kernels.h"

namespace tl::frame::rows {

inline void CopyUnlessSame(std::uint8_t* d, const std::uint8_t* s, std::size_t n) {
  if (d != s) std::memcpy(d, s, n);
}

template <class Rows, bool Split>
struct Frames {
  using Byte = std::uint8_t;

  // One plane of rows; in split mode the first half of every row is copied unchanged.
  template <class Op>
  static void Plane(Byte* d, const Byte* s, int rowCount, std::size_t rowBytes, std::ptrdiff_t dp,
                    std::ptrdiff_t sp, Op op) {
    if (!Split && dp == sp && static_cast<std::size_t>(dp) == rowBytes) {
      op(d, s, rowBytes * static_cast<std::size_t>(rowCount));  // contiguous: one run
      return;
    }
    const std::size_t half = Split ? rowBytes / 2 : 0;
    for (int y = 0; y < rowCount; ++y, d += dp, s += sp) {
      CopyUnlessSame(d, s, half);
      op(d + half, s + half, rowBytes - half);
    }
  }

  static void LumaRow(const Rows& r, Byte* d, const Byte* s, int width) {
    const std::size_t half = Split ? static_cast<std::size_t>(width) / 2 : 0;
    CopyUnlessSame(d, s, half);
    r.Luma(d + half, s + half, static_cast<std::size_t>(width) - half);
  }

  static void Yuy2(const Rows& r, Byte* dst, const Byte* src, int width, int height, std::ptrdiff_t dp,
                   std::ptrdiff_t sp) {
    Plane(dst, src, height, static_cast<std::size_t>(width) * 2, dp, sp,
          [&r](Byte* d, const Byte* s, std::size_t n) { r.Yuy2(d, s, n); });
  }

  static void LumaPlane(const Rows& r, Byte* dst, const Byte* src, int width, int height,
                        std::ptrdiff_t dp, std::ptrdiff_t sp) {
    Plane(dst, src, height, static_cast<std::size_t>(width), dp, sp,
          [&r](Byte* d, const Byte* s, std::size_t n) { r.Luma(d, s, n); });
  }

  static void I420(const Rows& r, Byte* dst, const Byte* src, int width, int height, std::ptrdiff_t dp,
                   std::ptrdiff_t sp) {
    LumaPlane(r, dst, src, width, height, dp, sp);
    // Means come from the source luma: after the pass above that is the curved luma when the
    // frame is processed in place.
    const std::ptrdiff_t cdp = dp / 2, csp = sp / 2;
    const int chromaRows = height / 2, samples = width / 2;
    const int first = Split ? samples / 2 : 0;
    for (int plane = 0; plane < 2; ++plane) {
      Byte* dc = dst + height * dp + plane * chromaRows * cdp;
      const Byte* sc = src + height * sp + plane * chromaRows * csp;
      for (int y = 0; y < chromaRows; ++y, dc += cdp, sc += csp) {
        const Byte* y0 = src + 2 * y * sp;
        if (Split) CopyUnlessSame(dc, sc, static_cast<std::size_t>(samples));
        r.I420Chroma(dc, sc, y0, y0 + sp, first, samples);
      }
    }
  }

  static void PairRow(const Rows& r, Byte* dy, const Byte* sy, Byte* dc, const Byte* sc, int width) {
    const int half = Split ? width / 2 : 0;
    CopyUnlessSame(dy, sy, static_cast<std::size_t>(half));
    CopyUnlessSame(dc, sc, static_cast<std::size_t>(half));
    r.Pair(dy + half, sy + half, dc + half, sc + half, static_cast<std::size_t>(width - half));
  }

  static void Nv12(const Rows& r, Byte* dst, const Byte* src, int width, int height, std::ptrdiff_t dp,
                   std::ptrdiff_t sp) {
    Byte* dc = dst + height * dp;
    const Byte* sc = src + height * sp;
    for (int y = 0; y < height; y += 2, dc += dp, sc += sp) {
      LumaRow(r, dst + y * dp, src + y * sp, width);
      PairRow(r, dst + (y + 1) * dp, src + (y + 1) * sp, dc, sc, width);
    }
  }

  static void SideBySideRow(const Rows& r, Byte* dy, const Byte* sy, Byte* dc, const Byte* sc, int width) {
    const int first = Split ? width / 2 : 0;
    if (Split) {
      // A chroma row's bytes belong to pixels of both halves: copy it whole, then process.
      CopyUnlessSame(dy, sy, static_cast<std::size_t>(first));
      CopyUnlessSame(dc, sc, static_cast<std::size_t>(width));
    }
    r.SideBySide(dy, sy, dc, sc, width / 2, first, width);
  }

  static void SideBySide(const Rows& r, Byte* dst, const Byte* src, int width, int height,
                         std::ptrdiff_t dp, std::ptrdiff_t sp) {
    for (int y = 0; y < height; y += 2) LumaRow(r, dst + y * dp, src + y * sp, width);
    Byte* dc = dst + height * dp;
    const Byte* sc = src + height * sp;
    const int quarter = height / 4;
    for (int k = 0; k < quarter; ++k) {
      SideBySideRow(r, dst + (4 * k + 1) * dp, src + (4 * k + 1) * sp, dc + k * dp, sc + k * sp, width);
      SideBySideRow(r, dst + (4 * k + 3) * dp, src + (4 * k + 3) * sp, dc + (k + quarter) * dp,
                    sc + (k + quarter) * sp, width);
    }
    if (height % 4 != 0) {
      // Two rows beyond the last group of four: the odd luma row is curved like every luma byte
      // and the chroma row that no pixel pairs with is kept, so the destination is fully written.
      LumaRow(r, dst + (height - 1) * dp, src + (height - 1) * sp, width);
      CopyUnlessSame(dc + (height / 2 - 1) * dp, sc + (height / 2 - 1) * sp, static_cast<std::size_t>(width));
    }
  }
};

// The sixteen kernels of one set of row operations.
template <class Rows>
struct KernelsOf {
  using Byte = std::uint8_t;
  using Table = std::uint16_t;
  using Drive = void (*)(const Rows&, Byte*, const Byte*, int, int, std::ptrdiff_t, std::ptrdiff_t);
  template <bool Split>
  using F = Frames<Rows, Split>;

  template <Drive drive>
  static void Pitched(Byte* d, const Byte* s, const Table* l1, const Table* l2, int w, int h, std::ptrdiff_t dp,
                      std::ptrdiff_t sp) {
    drive(Rows(l1, l2), d, s, w, h, dp, sp);
  }
  // Packed rows: BytesPerPixel x width apart (2 for YUY2, 1 for the luma of planar layouts).
  template <Drive drive, int BytesPerPixel>
  static void Packed(Byte* d, const Byte* s, const Table* l1, const Table* l2, int w, int h, std::ptrdiff_t,
                     std::ptrdiff_t) {
    const std::ptrdiff_t row = BytesPerPixel * static_cast<std::ptrdiff_t>(w);
    drive(Rows(l1, l2), d, s, w, h, row, row);
  }

  // [layout][form][split], in the order of the Layout and Form enumerations.
  static constexpr Kernel kTable[4][2][2] = {
      {{Pitched<F<false>::Yuy2>, Pitched<F<true>::Yuy2>}, {Packed<F<false>::Yuy2, 2>, Packed<F<true>::Yuy2, 2>}},
      {{Pitched<F<false>::I420>, Pitched<F<true>::I420>}, {Packed<F<false>::I420, 1>, Packed<F<true>::I420, 1>}},
      {{Pitched<F<false>::Nv12>, Pitched<F<true>::Nv12>}, {Packed<F<false>::Nv12, 1>, Packed<F<true>::Nv12, 1>}},
      {{Pitched<F<false>::SideBySide>, Pitched<F<true>::SideBySide>},
       {Packed<F<false>::SideBySide, 1>, Packed<F<true>::SideBySide, 1>}},
  };
};

// Copies a kernel array into a table (arrays cannot be copied by assignment in a constant).
constexpr KernelTable MakeKernelTable(KernelSetId id, const char* name, const Kernel (&k)[4][2][2]) {
  KernelTable t{id, name, {}};
  for (int a = 0; a < 4; ++a)
    for (int b = 0; b < 2; ++b)
      for (int c = 0; c < 2; ++c) t.kernels[a][b][c] = k[a][b][c];
  return t;
}

}  // namespace tl::frame::rows
