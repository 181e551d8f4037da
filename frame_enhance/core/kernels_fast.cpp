// The fast kernel sets: SSE2 (always present on the processors this suite targets) and AVX2
// (chosen at run time when the processor and the system support it).
#include <cpuid.h>
#include <emmintrin.h>
#include <immintrin.h>

#include <atomic>
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

}  // namespace

namespace sse2 {

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

#define TL_FAST_ROWS Sse2Rows
#include "frame_enhance/core/fast_rows.inc"
#undef TL_FAST_ROWS

}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {

// Eight look-ups in one gather: 32 bits read at each 16-bit entry (the tables are padded), the
// upper half dropped.
inline __m128i Look(const std::uint16_t* t, __m128i u) {
  const __m256i index = _mm256_cvtepu16_epi32(u);
  const __m256i got = _mm256_i32gather_epi32(reinterpret_cast<const int*>(t), index, 2);
  const __m256i values = _mm256_and_si256(got, _mm256_set1_epi32(0xffff));
  return _mm_packus_epi32(_mm256_castsi256_si128(values), _mm256_extracti128_si256(values, 1));
}

#define TL_FAST_ROWS Avx2Rows
#include "frame_enhance/core/fast_rows.inc"
#undef TL_FAST_ROWS

}  // namespace avx2
#pragma GCC pop_options

namespace {

bool ProcessorHasAvx2() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool osSavesYmm = (c & bit_OSXSAVE) != 0;
  if (!osSavesYmm || (c & bit_AVX) == 0) return false;
  unsigned xcr0Low, xcr0High;
  __asm__("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
  if ((xcr0Low & 6) != 6) return false;  // the system saves the XMM and YMM state
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & bit_AVX2) != 0;
}

}  // namespace

const KernelTable& Sse2Kernels() {
  static constexpr KernelTable table =
      rows::MakeKernelTable(KernelSetId::kSse2, "sse2", rows::KernelsOf<sse2::Sse2Rows>::kTable);
  return table;
}

const KernelTable* Avx2Kernels() {
  static constexpr KernelTable table =
      rows::MakeKernelTable(KernelSetId::kAvx2, "avx2", rows::KernelsOf<avx2::Avx2Rows>::kTable);
  return ProcessorHasAvx2() ? &table : nullptr;
}

const KernelTable& BestKernels() {
  // Chosen once; a race between two first callers stores the same answer twice.
  static std::atomic<const KernelTable*> chosen{nullptr};
  const KernelTable* table = chosen.load(std::memory_order_acquire);
  if (!table) {
    table = Avx2Kernels();
    if (!table) table = &Sse2Kernels();
    chosen.store(table, std::memory_order_release);
  }
  return *table;
}

}  // namespace tl::frame
