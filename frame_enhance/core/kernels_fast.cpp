// The fast kernel sets: SSE2 (always present on the processors this suite targets) and AVX-512
// with byte permutes (chosen at run time when the processor and the system support it).
#include <cpuid.h>
#include <emmintrin.h>
#include <immintrin.h>

#include <atomic>
#include <cstring>
#include <cstdint>

#include "frame_enhance/core/frame_rows.h"
#include "frame_enhance/core/kernels.h"
#include "frame_enhance/core/portable_rows.h"

namespace tl::frame {
namespace {

inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }

// Every 16-bit unit loaded, looked up and stored on its own: eight independent look-ups per step
// and no packing work (measured faster than assembling words, vector inserts or gathers).
inline void MapUnitsFast(std::uint8_t* d, const std::uint8_t* s, const std::uint16_t* table, std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const std::uint16_t u0 = Load16(s + i), u1 = Load16(s + i + 2), u2 = Load16(s + i + 4), u3 = Load16(s + i + 6);
    const std::uint16_t u4 = Load16(s + i + 8), u5 = Load16(s + i + 10), u6 = Load16(s + i + 12), u7 = Load16(s + i + 14);
    Store16(d + i, table[u0]);
    Store16(d + i + 2, table[u1]);
    Store16(d + i + 4, table[u2]);
    Store16(d + i + 6, table[u3]);
    Store16(d + i + 8, table[u4]);
    Store16(d + i + 10, table[u5]);
    Store16(d + i + 12, table[u6]);
    Store16(d + i + 14, table[u7]);
  }
  rows::MapUnits(d + i, s + i, table, n - i);
}

// Eight units of a vector through a 64K table.
inline __m128i Look(const std::uint16_t* t, __m128i u) {
  __m128i r = _mm_cvtsi32_si128(t[_mm_extract_epi16(u, 0)]);
  r = _mm_insert_epi16(r, t[_mm_extract_epi16(u, 1)], 1);
  r = _mm_insert_epi16(r, t[_mm_extract_epi16(u, 2)], 2);
  r = _mm_insert_epi16(r, t[_mm_extract_epi16(u, 3)], 3);
  r = _mm_insert_epi16(r, t[_mm_extract_epi16(u, 4)], 4);
  r = _mm_insert_epi16(r, t[_mm_extract_epi16(u, 5)], 5);
  r = _mm_insert_epi16(r, t[_mm_extract_epi16(u, 6)], 6);
  r = _mm_insert_epi16(r, t[_mm_extract_epi16(u, 7)], 7);
  return r;
}

}  // namespace

namespace sse2 {

// Luma bytes pairwise through LUT1.
struct LumaCurve {
  explicit LumaCurve(const std::uint16_t*) {}
  void Apply(std::uint8_t* d, const std::uint8_t* s, const std::uint16_t* lut1, std::size_t n) const {
    MapUnitsFast(d, s, lut1, n);
  }
};

#define TL_FAST_ROWS Sse2Rows
#include "frame_enhance/core/fast_rows.inc"
#undef TL_FAST_ROWS

}  // namespace sse2

// Everything of this set is compiled for AVX-512 F, BW and VBMI (clang spells it differently).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512vbmi"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vbmi")
#endif
namespace vbmi {

// Luma computed without look-ups into memory: the 256-byte curve sits in four registers and two
// 128-entry byte permutes plus a blend on the top bit curve 64 bytes at once.
struct LumaCurve {
  std::uint8_t bytes[256];
  // LUT1[0 x 256 + y] has curve[y] in its low byte.
  explicit LumaCurve(const std::uint16_t* lut1) {
    for (int y = 0; y < 256; ++y) bytes[y] = static_cast<std::uint8_t>(lut1[y]);
  }
  void Apply(std::uint8_t* d, const std::uint8_t* s, const std::uint16_t* lut1, std::size_t n) const {
    std::size_t i = 0;
    if (n >= 64) {
      const __m512i c0 = _mm512_loadu_si512(bytes), c1 = _mm512_loadu_si512(bytes + 64);
      const __m512i c2 = _mm512_loadu_si512(bytes + 128), c3 = _mm512_loadu_si512(bytes + 192);
      for (; i + 64 <= n; i += 64) {
        const __m512i x = _mm512_loadu_si512(s + i);
        const __m512i below = _mm512_permutex2var_epi8(c0, x, c1);
        const __m512i above = _mm512_permutex2var_epi8(c2, x, c3);
        _mm512_storeu_si512(d + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), below, above));
      }
    }
    rows::MapUnits(d + i, s + i, lut1, n - i);
  }
};

#define TL_FAST_ROWS VbmiRows
#include "frame_enhance/core/fast_rows.inc"
#undef TL_FAST_ROWS

}  // namespace vbmi
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace {

bool ProcessorHasAvx512Vbmi() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  if ((c & bit_OSXSAVE) == 0) return false;
  unsigned xcr0Low, xcr0High;
  __asm__("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
  // The system must save the XMM, YMM, mask and ZMM state.
  if ((xcr0Low & 0xe6) != 0xe6) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & bit_AVX512F) != 0 && (b & bit_AVX512BW) != 0 && (c & bit_AVX512VBMI) != 0;
}

}  // namespace

const KernelTable& Sse2Kernels() {
  static constexpr KernelTable table =
      rows::MakeKernelTable(KernelSetId::kSse2, "sse2", rows::KernelsOf<sse2::Sse2Rows>::kTable);
  return table;
}

const KernelTable* Avx512Kernels() {
  static constexpr KernelTable table =
      rows::MakeKernelTable(KernelSetId::kAvx512Vbmi, "avx512vbmi", rows::KernelsOf<vbmi::VbmiRows>::kTable);
  return ProcessorHasAvx512Vbmi() ? &table : nullptr;
}

const KernelTable& BestKernels() {
  // Chosen once; a race between two first callers stores the same answer twice.
  static std::atomic<const KernelTable*> chosen{nullptr};
  const KernelTable* table = chosen.load(std::memory_order_acquire);
  if (!table) {
    table = Avx512Kernels();
    if (!table) table = &Sse2Kernels();
    chosen.store(table, std::memory_order_release);
  }
  return *table;
}

}  // namespace tl::frame
