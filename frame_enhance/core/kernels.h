// The frame kernels: sixteen functions (four layouts x packed/pitched x whole/split) per kernel
// set, called through a table so that a faster set replaces the portable one without changing the
// object. Kernels trust their arguments: FrameFits() is checked before any kernel runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tl::frame {

enum class Layout : int { kYuy2 = 0, kI420 = 1, kNv12 = 2, kSideBySide = 3 };
enum class Form : int { kPitched = 0, kPacked = 1 };

// Packed kernels take their pitches from the width (the pitch arguments are ignored).
using Kernel = void (*)(std::uint8_t* dst, const std::uint8_t* src, const std::uint16_t* lut1,
                        const std::uint16_t* lut2, int width, int height, std::ptrdiff_t dstPitch,
                        std::ptrdiff_t srcPitch);

enum class KernelSetId : int { kPortable = 1, kSse2 = 2, kAvx512Vbmi = 3 };

struct KernelTable {
  KernelSetId id;
  const char* name;
  Kernel kernels[4][2][2];  // [layout][form][split]

  Kernel Get(Layout layout, Form form, bool split) const {
    return kernels[static_cast<int>(layout)][static_cast<int>(form)][split ? 1 : 0];
  }
};

const KernelTable& PortableKernels();
// The SSE2 set (every processor this suite targets has SSE2).
const KernelTable& Sse2Kernels();
// The AVX-512 set (luma curved by byte permutes instead of look-ups), or nullptr when the
// processor or the system does not support AVX-512 F, BW and VBMI.
const KernelTable* Avx512Kernels();
// The best set for this processor, chosen once per process.
const KernelTable& BestKernels();

// Bytes of one luma row (YUY2: the whole packed row).
std::int64_t RowBytes(Layout layout, int width);

// True when the kernels can serve a frame of this size and these pitches without reading or
// writing outside the frame: a width that is a multiple of 4, an even height of at least 2 (4 for
// side by side), pitches not below the row, and a frame whose extent fits the address space.
bool FrameFits(Layout layout, int width, int height, std::ptrdiff_t dstPitch, std::ptrdiff_t srcPitch);

// Bytes a frame occupies with this pitch (luma plane, chroma planes up to the end of the last row).
std::uint64_t FrameBytes(Layout layout, int width, int height, std::ptrdiff_t pitch);

}  // namespace tl::frame
