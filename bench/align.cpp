// Automatic alignment with the correction of a 24 MP pair (target: at most
// 3.1 times the decode of one view), beside the JPEG decode of one of its
// views as the baseline of the same run.
#include <benchmark/benchmark.h>

#include "align/align.h"
#include "image/jpeg.h"
#include "image/picture.h"
#include "platform/source.h"
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
BENCHMARK(BM_AlignPair)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeJpegView(benchmark::State& state) {
  static const auto file = encodeJpeg(photoPair().first, 92).value();
  for (auto _ : state) benchmark::DoNotOptimize(readPicture(SpanSource(file, "left.jpg")));
}
BENCHMARK(BM_DecodeJpegView)->Unit(benchmark::kMillisecond)->UseRealTime();

// The corrected right picture, resampled once per change of the correction.
void BM_CorrectedPicture(benchmark::State& state) {
  const auto& [l, r] = photoPair();
  const Correction c{-0.3, 0.9974, 0.4, 0.001, 0.0005};
  for (auto _ : state) benchmark::DoNotOptimize(correctedPicture(r, c));
}
BENCHMARK(BM_CorrectedPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
