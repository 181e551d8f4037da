#include "frame_enhance/tests/reference_kernels.h"

#include <cstring>

#include "frame_enhance/core/tone_tables.h"

namespace tl::frame::testing {

Tables MakeTables(int low, int high, float noise, float strength, int mode) {
  Tables t;
  FillRamp(t.ramp.data());
  ComputeToneTables(MakeToneParams(low, high, noise, strength), mode ? ToneMode::kFadeToBright : ToneMode::kFullRange,
                    ToneTables{t.curve.data(), t.ramp.data(), t.lut1.data(), t.lut2.data()});
  return t;
}

FrameBuffer::FrameBuffer(Layout l, int w, int h, std::ptrdiff_t p, std::mt19937& random)
    : layout(l), width(w), height(h), pitch(p ? p : static_cast<std::ptrdiff_t>(RowBytes(l, w))) {
  bytes.resize(static_cast<std::size_t>(FrameBytes(l, w, h, pitch)) + 64);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
}

const char* LayoutName(Layout layout) {
  switch (layout) {
    case Layout::kYuy2: return "YUY2";
    case Layout::kI420: return "I420";
    case Layout::kNv12: return "NV12";
    case Layout::kSideBySide: return "side by side";
  }
  return "?";
}

namespace {

// One chroma byte with the luma it goes with: the look-up's high byte, or the gain rule.
struct Chroma {
  const Tables& t;
  const std::uint16_t* gain;
  std::uint8_t operator()(unsigned c, unsigned y) const {
    if (!gain) return static_cast<std::uint8_t>(t.lut2[c * 256 + y] >> 8);
    int v = ((static_cast<int>(c) - 128) * gain[y] >> 8) + 128;
    return static_cast<std::uint8_t>(v < 16 ? 16 : v > 240 ? 240 : v);
  }
};

void Reference(Layout layout, bool split, std::uint8_t* dst, const std::uint8_t* src, const Tables& t,
               const std::uint16_t* gain, int w, int h, std::ptrdiff_t dp, std::ptrdiff_t sp) {
  const Chroma chroma{t, gain};
  auto curve = [&](unsigned y) { return t.curve[y]; };
  const int left = split ? w / 2 : 0;  // pixels kept unchanged
  if (layout == Layout::kYuy2) {
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* s = src + y * sp;
      std::uint8_t* d = dst + y * dp;
      for (int x = 0; x < w; x += 2) {
        const std::uint8_t y0 = s[2 * x], u = s[2 * x + 1], y1 = s[2 * x + 2], v = s[2 * x + 3];
        if (x < left) {
          std::memcpy(d + 2 * x, s + 2 * x, 4);
          continue;
        }
        d[2 * x] = curve(y0);
        d[2 * x + 2] = curve(y1);
        d[2 * x + 1] = gain ? chroma(u, (y0 + y1) / 2) : chroma(u, y0);
        d[2 * x + 3] = gain ? chroma(v, (y0 + y1) / 2) : chroma(v, y1);
      }
    }
    return;
  }
  // Luma rows that are simply curved.
  auto lumaRow = [&](int y) {
    for (int x = 0; x < w; ++x) dst[y * dp + x] = x < left ? src[y * sp + x] : curve(src[y * sp + x]);
  };
  if (layout == Layout::kI420) {
    for (int y = 0; y < h; ++y) lumaRow(y);
    const std::ptrdiff_t cdp = dp / 2, csp = sp / 2;
    for (int plane = 0; plane < 2; ++plane) {
      for (int y = 0; y < h / 2; ++y) {
        const std::uint8_t* sc = src + h * sp + plane * (h / 2) * csp + y * csp;
        std::uint8_t* dc = dst + h * dp + plane * (h / 2) * cdp + y * cdp;
        for (int s = 0; s < w / 2; ++s) {
          const std::uint8_t* r0 = src + 2 * y * sp;
          const std::uint8_t* r1 = r0 + sp;
          const unsigned mean = (r0[2 * s] + r0[2 * s + 1] + r1[2 * s] + r1[2 * s + 1]) / 4;
          dc[s] = s < w / 4 && split ? sc[s] : chroma(sc[s], mean);
        }
      }
    }
    return;
  }
  // NV12 and side by side: odd luma rows pair each pixel with one chroma byte.
  auto pairRow = [&](int y, int chromaRow, bool sideBySide) {
    const std::uint8_t* sc = src + h * sp + chromaRow * sp;
    std::uint8_t* dc = dst + h * dp + chromaRow * dp;
    std::vector<std::uint8_t> row(sc, sc + w);  // chroma bytes not paired with a right-half pixel stay
    for (int x = 0; x < w; ++x) {
      const int ci = sideBySide ? ((x / 2) % 2) * (w / 2) + (x / 4) * 2 + x % 2 : x;
      const std::uint8_t luma = src[y * sp + x], c = sc[ci];
      if (x < left) {
        dst[y * dp + x] = luma;
        continue;
      }
      dst[y * dp + x] = curve(luma);
      row[ci] = chroma(c, luma);
    }
    std::memcpy(dc, row.data(), row.size());
  };
  if (layout == Layout::kNv12) {
    for (int y = 0; y < h; y += 2) {
      lumaRow(y);
      pairRow(y + 1, y / 2, false);
    }
    return;
  }
  for (int y = 0; y < h; y += 2) lumaRow(y);
  for (int k = 0; k < h / 4; ++k) {
    pairRow(4 * k + 1, k, true);
    pairRow(4 * k + 3, k + h / 4, true);
  }
  if (h % 4) {
    lumaRow(h - 1);
    std::memmove(dst + h * dp + (h / 2 - 1) * dp, src + h * sp + (h / 2 - 1) * sp, static_cast<std::size_t>(w));
  }
}

}  // namespace

void ReferenceKernel(Layout layout, bool split, std::uint8_t* dst, const std::uint8_t* src, const Tables& t,
                     int w, int h, std::ptrdiff_t dp, std::ptrdiff_t sp) {
  Reference(layout, split, dst, src, t, nullptr, w, h, dp, sp);
}

void ReferenceDirect(Layout layout, bool split, std::uint8_t* dst, const std::uint8_t* src, const Tables& t,
                     const std::uint16_t* gain, int w, int h, std::ptrdiff_t dp, std::ptrdiff_t sp) {
  Reference(layout, split, dst, src, t, gain, w, h, dp, sp);
}

}  // namespace tl::frame::testing
