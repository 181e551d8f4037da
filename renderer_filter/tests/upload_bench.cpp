// The renderer's frame copy at 1920 x 1080 beside memcpy of the same frame: YUY2 (3840-byte
// rows) and RGB32 (7680-byte rows), into a surface of the same pitch (one bulk copy) and of a
// wider pitch (row by row), frames from a ring larger than the last-level cache as a player's
// come from main memory.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "renderer_filter/core/frame_copy.h"

namespace tl::renderer {
namespace {

constexpr std::size_t kWidth = 1920, kRows = 1080;
constexpr int kRingFrames = 8;  // 8 x (8 + 8) MB for RGB32: beyond a 32 MB cache

std::size_t Stride(int layout) { return layout == 0 ? 2 * kWidth : 4 * kWidth; }

struct Ring {
  std::vector<std::vector<uint8_t>> sources, targets;
  Ring(std::size_t stride, std::size_t pitch, int frames) {
    for (int i = 0; i < frames; ++i) {
      sources.emplace_back(stride * kRows, uint8_t(i));
      targets.emplace_back(pitch * kRows + 64, 0);
    }
  }
};

CopyRoutine Routine(int routine) {
  switch (routine) {
    case 0:
      return ChooseFrameCopy().copy;
    case 1:
      return PlainCopy;
    default:
      return StreamingCopy64;
  }
}

// layout 0 YUY2, 1 RGB32; routine 0 chosen, 1 memcpy routine, 2 streaming; padded pitch; ring.
void BM_CopyFrame(benchmark::State& state) {
  const std::size_t stride = Stride(int(state.range(0)));
  const CopyRoutine copy = Routine(int(state.range(1)));
  const std::size_t pitch = stride + (state.range(2) ? 64 : 0);
  Ring ring(stride, pitch, state.range(3) ? kRingFrames : 1);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t f = i++ % ring.sources.size();
    CopyFrame(copy, ring.targets[f].data(), std::ptrdiff_t(pitch), ring.sources[f].data(), stride, kRows);
    benchmark::DoNotOptimize(ring.targets[f].data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stride * kRows));
}
BENCHMARK(BM_CopyFrame)
    ->ArgNames({"layout", "routine", "padded", "ring"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

void BM_Memcpy(benchmark::State& state) {
  const std::size_t bytes = Stride(int(state.range(0))) * kRows;
  Ring ring(bytes / kRows, bytes / kRows, state.range(1) ? kRingFrames : 1);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t f = i++ % ring.sources.size();
    std::memcpy(ring.targets[f].data(), ring.sources[f].data(), bytes);
    benchmark::DoNotOptimize(ring.targets[f].data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_Memcpy)->ArgNames({"layout", "ring"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tl::renderer

BENCHMARK_MAIN();
