#include "renderer_filter/core/frame_copy.h"

#include <cstring>

#if defined(__SSE2__)
#include <cpuid.h>
#include <emmintrin.h>
#define TL_HAVE_SSE2 1
#endif

namespace tl::renderer {

void PlainCopy(void* destination, const void* source, std::size_t bytes) {
  std::memcpy(destination, source, bytes);
}

namespace {

#if TL_HAVE_SSE2
template <bool kStreaming>
void Copy64(void* destination, const void* source, std::size_t bytes) {
  auto* out = static_cast<uint8_t*>(destination);
  const auto* in = static_cast<const uint8_t*>(source);
  const std::size_t blocks = bytes / 64;
  // Non-temporal stores need 16-byte aligned destinations; other copies take any alignment.
  const bool aligned = (reinterpret_cast<uintptr_t>(out) & 15) == 0;
  for (std::size_t b = 0; b < blocks; ++b, in += 64, out += 64) {
    const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    const __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32));
    const __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 48));
    if (kStreaming && aligned) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(out), x0);
      _mm_stream_si128(reinterpret_cast<__m128i*>(out + 16), x1);
      _mm_stream_si128(reinterpret_cast<__m128i*>(out + 32), x2);
      _mm_stream_si128(reinterpret_cast<__m128i*>(out + 48), x3);
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), x0);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), x1);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), x2);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48), x3);
    }
  }
  if (kStreaming && aligned) _mm_sfence();
  for (std::size_t i = 0; i < bytes % 64; ++i) out[i] = in[i];
}
#endif

}  // namespace

void BlockCopy64(void* destination, const void* source, std::size_t bytes) {
#if TL_HAVE_SSE2
  Copy64<false>(destination, source, bytes);
#else
  std::memcpy(destination, source, bytes);
#endif
}

void StreamingCopy64(void* destination, const void* source, std::size_t bytes) {
#if TL_HAVE_SSE2
  Copy64<true>(destination, source, bytes);
#else
  std::memcpy(destination, source, bytes);
#endif
}

bool HasBlockCopySupport() {
#if TL_HAVE_SSE2
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx & (1u << 26)) != 0 || (edx & (1u << 23)) != 0;
#else
  return false;
#endif
}

FrameCopy ChooseFrameCopy() { return {HasBlockCopySupport() ? BlockCopy64 : PlainCopy}; }

void CopyFrame(CopyRoutine copy, uint8_t* destination, std::ptrdiff_t pitch, const uint8_t* source,
               std::size_t stride, std::size_t rows) {
  if (pitch < 0 || static_cast<std::size_t>(pitch) < stride) return;
  if (static_cast<std::size_t>(pitch) == stride) {
    copy(destination, source, stride * rows);
    return;
  }
  for (std::size_t row = 0; row < rows; ++row) copy(destination + row * pitch, source + row * stride, stride);
}

}  // namespace tl::renderer
