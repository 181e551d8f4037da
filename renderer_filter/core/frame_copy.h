// Copying a frame into a locked texture: one bulk copy when the texture's pitch equals the
// frame's stride, else row by row. The copy routine is chosen once for the processor: 64-byte
// blocks with SSE2 (the stores bypass the cache for the overlay, whose texture is not read back
// soon), else the C library's memcpy.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tl::renderer {

using CopyRoutine = void (*)(void* destination, const void* source, std::size_t bytes);

void PlainCopy(void* destination, const void* source, std::size_t bytes);
// 64-byte blocks through SSE2 registers, the remainder byte by byte; plain where SSE2 is absent.
void BlockCopy64(void* destination, const void* source, std::size_t bytes);
// The same with non-temporal stores.
void StreamingCopy64(void* destination, const void* source, std::size_t bytes);

// True when the processor reports SSE2 or MMX (CPUID function 1, EDX bit 26 or 23).
bool HasBlockCopySupport();

struct FrameCopy {
  CopyRoutine copy;
};
// The routines for this processor: BlockCopy64 with SSE2 or MMX, PlainCopy otherwise.
FrameCopy ChooseFrameCopy();

// rows x stride bytes from a frame whose rows follow each other into a surface whose rows lie
// `pitch` bytes apart: one copy when they are equal, else one per row. Nothing is copied when
// the pitch is smaller than the stride (the rows would overlap).
void CopyFrame(CopyRoutine copy, uint8_t* destination, std::ptrdiff_t pitch, const uint8_t* source,
               std::size_t stride, std::size_t rows);

}  // namespace tl::renderer
