// The frame library's size checks and every frame method behind them, as the outside plug-in
// calls them: any width and height for Init, any pitches, any slot, any tuning values. A frame the
// checks accept is processed in buffers of exactly its size (AddressSanitizer sees one byte read
// or written outside), by every kernel set with the same result; a frame they refuse is refused
// without touching the buffers.
//
// Input: byte 0 the slot (8..31), byte 1 the split switch and mode, bytes 2..5 width and height
// (signed 16-bit), bytes 6..9 the extra destination and source pitch (signed 16-bit), byte 10
// with its top three bits set sets the tuning values of bytes 11..14; the rest fills the source
// frame.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "frame_enhance/core/celumara.h"

namespace {

using namespace tl::frame;
using Byte = CeLumara::Byte;

constexpr std::uint64_t kMaxFrameBytes = 1 << 16;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::int16_t I16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

const TableAllocator kMalloc{[](std::size_t bytes) { return std::malloc(bytes); }, [](void* block) { std::free(block); }};

using Pitched = bool (CeLumara::*)(Byte*, const Byte*, int, int);
using Packed = bool (CeLumara::*)(Byte*, const Byte*);

// Slots 8..31 in order: pairs of (pitched, packed) per layout, three groups.
struct Slot {
  Pitched pitched;
  Packed packed;
};
constexpr Slot kSlots[12] = {
    {&CeLumara::ProcessYUY2Pitched, &CeLumara::ProcessYUY2}, {&CeLumara::ProcessI420Pitched, &CeLumara::ProcessI420},
    {&CeLumara::ProcessNV12Pitched, &CeLumara::ProcessNV12}, {&CeLumara::ProcessSideBySidePitched, &CeLumara::ProcessSideBySide},
    {&CeLumara::DirectYUY2Pitched, &CeLumara::DirectYUY2},   {&CeLumara::DirectI420Pitched, &CeLumara::DirectI420},
    {&CeLumara::DirectNV12Pitched, &CeLumara::DirectNV12},   {&CeLumara::DirectSideBySidePitched, &CeLumara::DirectSideBySide},
    {&CeLumara::KernelYUY2Pitched, &CeLumara::KernelYUY2},   {&CeLumara::KernelI420Pitched, &CeLumara::KernelI420},
    {&CeLumara::KernelNV12Pitched, &CeLumara::KernelNV12},   {&CeLumara::KernelSideBySidePitched, &CeLumara::KernelSideBySide},
};

// One object per frame size and mode, initialised once: Init computes the 128K-entry tables, which
// would otherwise cost most of every run. What an input does depends only on its own size, pitches
// and slot; the tables' values (left by earlier inputs' tuning) change no bound.
CeLumara& ObjectFor(int width, int height, bool mode) {
  struct Entry {
    int width, height;
    bool mode;
    std::unique_ptr<CeLumara> object;
  };
  static std::deque<Entry> cache;
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->width == width && it->height == height && it->mode == mode) {
      std::rotate(cache.begin(), it, it + 1);
      return *cache.front().object;
    }
  }
  if (cache.size() >= 64) cache.pop_back();
  auto object = std::make_unique<CeLumara>(kMalloc, PortableKernels());
  object->Init(width, height);
  object->SetMode(mode ? 1 : 0);
  cache.push_front(Entry{width, height, mode, std::move(object)});
  return *cache.front().object;
}

std::vector<const KernelTable*> Sets() {
  std::vector<const KernelTable*> sets{&PortableKernels(), &Sse2Kernels()};
  if (const KernelTable* avx = Avx512Kernels()) sets.push_back(avx);
  return sets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<const KernelTable*> sets = Sets();
  if (size < 15) return 0;
  const int slot = 8 + data[0] % 24;
  const bool direct = slot >= 16 && slot < 24;
  const Slot& methods = kSlots[(slot - 8) / 2];
  const bool packed = slot % 2 == 1;
  const Layout layout = static_cast<Layout>(((slot - 8) / 2) % 4);
  const int width = I16(data + 2), height = I16(data + 4);

  CeLumara& object = ObjectFor(width, height, data[1] & 2);
  object.UseKernels(PortableKernels());
  object.SetSplit(data[1] & 1);
  if ((data[10] & 0xE0) == 0xE0) {
    // Any tuning value, including NaN and infinities, as the host may pass them.
    float noise, strength;
    const std::uint32_t noiseBits = 0x3F000000u ^ (std::uint32_t{data[13]} << 23), strengthBits = 0x3F000000u ^ (std::uint32_t{data[14]} << 23);
    std::memcpy(&noise, &noiseBits, 4);
    std::memcpy(&strength, &strengthBits, 4);
    object.SetParams(static_cast<std::int8_t>(data[11]) * 3, data[12] * 2, noise, strength);
  }

  const std::int64_t row = width > 0 ? RowBytes(layout, width) : 0;
  const std::ptrdiff_t dstPitch = packed ? row : row + I16(data + 6);
  const std::ptrdiff_t srcPitch = packed ? row : row + I16(data + 8);
  const bool fits = FrameFits(layout, width, height, dstPitch, srcPitch);
  const std::uint64_t bytes = fits ? FrameBytes(layout, width, height, dstPitch > srcPitch ? dstPitch : srcPitch) : 0;
  auto call = [&](Byte* dst, const Byte* src) {
    return packed ? (object.*methods.packed)(dst, src)
                  : (object.*methods.pitched)(dst, src, static_cast<int>(dstPitch), static_cast<int>(srcPitch));
  };
  if (!packed && (dstPitch != static_cast<int>(dstPitch) || srcPitch != static_cast<int>(srcPitch))) return 0;

  if (!fits || bytes > kMaxFrameBytes) {
    if (fits) return 0;  // sound but too big to allocate here
    // Refused without a write: one-byte buffers would show any.
    Byte dst = 0x5A;
    const Byte src = 0xA5;
    Check(!call(&dst, &src));
    Check(dst == 0x5A);
    return 0;
  }

  const std::size_t srcBytes = static_cast<std::size_t>(FrameBytes(layout, width, height, srcPitch));
  const std::size_t dstBytes = static_cast<std::size_t>(FrameBytes(layout, width, height, dstPitch));
  std::vector<Byte> src(srcBytes);
  const std::uint8_t* fill = data + 15;
  const std::size_t fillSize = size - 15;
  for (std::size_t i = 0; i < srcBytes; ++i) src[i] = fillSize ? fill[i % fillSize] : static_cast<Byte>(i * 37);
  std::vector<Byte> reference(dstBytes, 0x11);
  Check(call(reference.data(), src.data()));
  if (direct) return 0;  // one set only

  for (const KernelTable* set : sets) {
    object.UseKernels(*set);
    std::vector<Byte> out(dstBytes, 0x11);
    Check(call(out.data(), src.data()));
    Check(out == reference);
  }
  object.UseKernels(PortableKernels());
  return 0;
}
