#include <benchmark/benchmark.h>

#include "skin/core/bmp.h"
#include "skin/core/language.h"

namespace tl::skin {
namespace {

void BM_DecodeSkinBitmap(benchmark::State& state) {
  Pixels p;
  p.width = 413;
  p.height = 272;
  p.data.assign(size_t(p.width) * p.height, 0x336699);
  const auto file = EncodeBmp24(p);
  for (auto _ : state) {
    Pixels out;
    benchmark::DoNotOptimize(DecodeBmp(file, out));
  }
}
BENCHMARK(BM_DecodeSkinBitmap);

void BM_StringLookup(benchmark::State& state) {
  StrContainer c;
  for (int i = 0; i < 200; ++i) c.Insert(u"String number " + Text(1, char16_t(u'A' + i % 26)) + Text(1, char16_t(u'0' + i / 26)), u"x");
  for (auto _ : state) benchmark::DoNotOptimize(c.Find(u"String number Q3"));
}
BENCHMARK(BM_StringLookup);

}  // namespace
}  // namespace tl::skin
BENCHMARK_MAIN();
