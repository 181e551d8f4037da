// Frame kernels at 1920x1080 for every layout and kernel set, beside a plain memcpy of the same
// frame, and the table computation of one parameter change.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "frame_enhance/core/kernels.h"
#include "frame_enhance/core/tone_tables.h"

namespace {

using namespace tl::frame;

constexpr int kWidth = 1920, kHeight = 1080;

struct Tables {
  std::vector<std::uint8_t> curve = std::vector<std::uint8_t>(256);
  std::vector<float> ramp = std::vector<float>(256);
  std::vector<std::uint16_t> lut1 = std::vector<std::uint16_t>(kLutEntries);
  std::vector<std::uint16_t> lut2 = std::vector<std::uint16_t>(kLutEntries);
  ToneTables View() { return {curve.data(), ramp.data(), lut1.data(), lut2.data()}; }
  Tables() {
    FillRamp(ramp.data());
    ComputeToneTables(MakeToneParams(50, 150, 0.5f, 0.5f), ToneMode::kFullRange, View());
  }
};

// Video-like content: smooth gradients with a little noise (luma and chroma), or pure noise.
std::vector<std::uint8_t> MakeFrame(Layout layout, bool noise) {
  const std::size_t bytes = static_cast<std::size_t>(FrameBytes(layout, kWidth, kHeight, RowBytes(layout, kWidth)));
  std::vector<std::uint8_t> frame(bytes);
  std::mt19937 random(42);
  for (std::size_t i = 0; i < bytes; ++i) {
    const std::size_t x = i % 1920, y = i / 1920;
    const int smooth = static_cast<int>(16 + (x * 3 + y * 2) % 600 / 3) + static_cast<int>(random() % 7) - 3;
    frame[i] = noise ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(smooth < 0 ? 0 : smooth > 255 ? 255 : smooth);
  }
  return frame;
}

const KernelTable* SetByIndex(int index) {
  switch (index) {
    case 0: return &PortableKernels();
    case 1: return &Sse2Kernels();
    default: return Avx512Kernels();
  }
}

// Source and destination frames: one pair used over and over (it stays in the cache), or a ring
// of pairs larger than the last-level cache (every frame comes from and goes to main memory).
struct Frames {
  std::vector<std::vector<std::uint8_t>> src, dst;
  std::size_t next = 0;
  Frames(Layout layout, bool noise, int count) {
    const auto frame = MakeFrame(layout, noise);
    src.assign(static_cast<std::size_t>(count), frame);
    dst.assign(static_cast<std::size_t>(count), std::vector<std::uint8_t>(frame.size()));
  }
  std::size_t Advance() { return next = (next + 1) % src.size(); }
};

constexpr int kRingFrames = 12;  // 12 x 2 x 3 MB and more: beyond a 32 MB cache

void BM_Kernel(benchmark::State& state) {
  const auto layout = static_cast<Layout>(state.range(0));
  const KernelTable* set = SetByIndex(static_cast<int>(state.range(1)));
  const bool split = state.range(2) != 0;
  const bool noise = state.range(3) != 0;
  if (!set) {
    state.SkipWithError("AVX-512 VBMI not available");
    return;
  }
  static Tables tables;
  Frames frames(layout, noise, state.range(4) ? kRingFrames : 1);
  const Kernel kernel = set->Get(layout, Form::kPacked, split);
  for (auto _ : state) {
    const std::size_t i = frames.Advance();
    kernel(frames.dst[i].data(), frames.src[i].data(), tables.lut1.data(), tables.lut2.data(), kWidth, kHeight, 0, 0);
    benchmark::DoNotOptimize(frames.dst[i].data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());  // frames
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frames.src[0].size()));
  state.SetLabel(set->name);
}

void BM_Memcpy(benchmark::State& state) {
  const auto layout = static_cast<Layout>(state.range(0));
  Frames frames(layout, false, state.range(1) ? kRingFrames : 1);
  for (auto _ : state) {
    const std::size_t i = frames.Advance();
    std::memcpy(frames.dst[i].data(), frames.src[i].data(), frames.src[i].size());
    benchmark::DoNotOptimize(frames.dst[i].data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frames.src[0].size()));
}

void BM_ComputeTables(benchmark::State& state) {
  Tables tables;
  const auto mode = static_cast<ToneMode>(state.range(0));
  int low = 40;
  for (auto _ : state) {
    low = low == 40 ? 41 : 40;
    ComputeToneTables(MakeToneParams(low, 160, 0.5f, 0.6f), mode, tables.View());
    benchmark::DoNotOptimize(tables.lut2.data());
  }
  state.SetItemsProcessed(state.iterations() * 2 * 65536);  // table entries
}

void LayoutArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"layout", "set", "split", "noise", "ring"});
  // Whole frames, split frames, random content, and whole frames from main memory.
  for (auto [split, noise, ring] : {std::tuple{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}) {
    for (int layout = 0; layout < 4; ++layout) {
      for (int set = 0; set < 3; ++set) b->Args({layout, set, split, noise, ring});
    }
  }
}

BENCHMARK(BM_Memcpy)->ArgNames({"layout", "ring"})->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Kernel)->Apply(LayoutArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeTables)->ArgName("mode")->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
