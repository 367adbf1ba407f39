// Automatic alignment of a 24 MP pair (target: half a second on one core;
// run under `taskset -c 0`), beside the anaglyph of the same pair as the
// baseline of the same run.
#include <benchmark/benchmark.h>

#include "align/align.h"
#include "stereo/methods.h"
#include "testing/scene.h"

namespace {

const std::pair<tbitmap, tbitmap>& photoPair() {  // 6000 x 4000
  static const auto pair =
      makeScene(6000, 4000, {{0, 0, 0, 0, 120}, {600, 600, 2400, 1800, 60}, {3200, 1600, 2000, 2000, -70}}, 9,
                6, 12, 3);
  return pair;
}

void BM_AlignPair(benchmark::State& state) {
  const auto& [l, r] = photoPair();
  for (auto _ : state) benchmark::DoNotOptimize(alignPair(l, r));
}
BENCHMARK(BM_AlignPair)->Unit(benchmark::kMillisecond);

void BM_AnaglyphBaseline(benchmark::State& state) {
  const auto& [l, r] = photoPair();
  for (auto _ : state)
    benchmark::DoNotOptimize(buildAnaglyph(l, r, -70, 9, AnaglyphMethod::DuboisRedCyan, {}, {}));
}
BENCHMARK(BM_AnaglyphBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
