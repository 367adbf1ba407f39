// The compositions, painting and the BMP codec at photo sizes. The plain
// loops run beside the builders so their ratio shows what the fast paths buy.
#include <benchmark/benchmark.h>

#include <random>

#include "image/bmp.h"
#include "image/draw.h"
#include "platform/dc.h"
#include "platform/framebuffer.h"
#include "platform/headless/headless.h"
#include "stereo/compose.h"
#include "stereo/methods.h"
#include "testing/plain.h"
#include "ui/tmyapp.h"

namespace {

const tbitmap& photo(int which) {  // 6000 x 4000, 24 MP
  static const auto pictures = [] {
    std::mt19937 rng(7);
    std::vector<tbitmap> p;
    for (int i = 0; i < 2; ++i) {
      p.emplace_back(6000, 4000);
      for (int y = 0; y < 4000; ++y)
        for (int x = 0; x < 6000; ++x)
          p[i].setPixel(x, y, static_cast<int>(rng()), static_cast<int>(rng()), static_cast<int>(rng()));
    }
    return p;
  }();
  return pictures[which];
}

const ColourWeights kLeft{255, 0, 0}, kRight{0, 192, 128};

void BM_Anaglyph(benchmark::State& state) {
  const tbitmap &l = photo(0), &r = photo(1);
  for (auto _ : state)
    benchmark::DoNotOptimize(buildAnaglyph(l, r, 12, -3, AnaglyphMethod::Custom, kLeft, kRight));
}
// The same rows composed into one reused picture, as the streaming export
// and the window do: no fresh memory for the kernel to fault in.
void BM_AnaglyphRows(benchmark::State& state) {
  const tbitmap &l = photo(0), &r = photo(1);
  const Overlap o = pairOverlap(12, -3, l, r);
  tbitmap out(o.w, o.h);
  const AnaglyphRows rows(kLeft, kRight);
  for (auto _ : state) {
    composeRows(
        rows, o.h, o.w, [&](int y) { return l.row(o.leftY + y) + o.leftX; },
        [&](int y) { return r.row(o.rightY + y) + o.rightX; }, [&](int y) { return out.row(y); });
    benchmark::DoNotOptimize(out.row(0));
  }
}
void BM_AnaglyphPlain(benchmark::State& state) {
  const tbitmap &l = photo(0), &r = photo(1);
  for (auto _ : state) benchmark::DoNotOptimize(plainAnaglyph(l, r, 12, -3, kLeft, kRight));
}
// Argument: viewing size; 1920 reduces the 6000-wide photo, 7000 enlarges it.
void BM_SideBySide(benchmark::State& state) {
  const auto viewSize = static_cast<std::uint32_t>(state.range(0));
  const tbitmap &l = photo(0), &r = photo(1);
  for (auto _ : state) benchmark::DoNotOptimize(buildSideBySide(l, r, 12, -3, viewSize, 10));
}
void BM_SideBySidePlain(benchmark::State& state) {
  const auto viewSize = static_cast<std::uint32_t>(state.range(0));
  const tbitmap &l = photo(0), &r = photo(1);
  for (auto _ : state) benchmark::DoNotOptimize(plainSideBySide(l, r, 12, -3, viewSize, 10));
}

void BM_DrawTo(benchmark::State& state) {
  Framebuffer fb;
  fb.resize(1920, 1080);
  TDC dc(fb);
  const auto picture = photo(0).crop(0, 0, 1920, 1080);
  for (auto _ : state) {
    drawPicture(dc, *picture, 0, 0);
    benchmark::DoNotOptimize(fb.rgb.data());
  }
}

// One frame of the drag as the pair view paints it: the right picture moved
// by a pixel, the headless window's 1920 x 1080 client repainted; against
// building that part of the anaglyph as a picture and drawing it.
void BM_DragFrame(benchmark::State& state) {
  HeadlessBackend backend(1920, 1080);
  {
    tmyapp app(backend);
    app.run();
    tmywindow& w = *app.window();
    w.workspace().openPictures(std::make_unique<tbitmap>(photo(0)), std::make_unique<tbitmap>(photo(1)));
    TFrameWindow& frame = backend.frame()->window();
    int x = 12;
    for (auto _ : state) {
      w.moveRight(x ^= 1, -3);
      frame.paintNow();
    }
  }
}
void BM_DragFrameBuilt(benchmark::State& state) {
  Framebuffer fb;
  fb.resize(1920, 1080);
  TDC dc(fb);
  const tbitmap &l = photo(0), &r = photo(1);
  for (auto _ : state) {
    drawPicture(dc, *buildAnaglyph(l, r, 12, -3, AnaglyphMethod::Custom, kLeft, kRight, 1920, 1080), 0, 0);
    benchmark::DoNotOptimize(fb.rgb.data());
  }
}

void BM_BmpEncode(benchmark::State& state) {
  const tbitmap& picture = photo(0);
  for (auto _ : state) benchmark::DoNotOptimize(encodeBmp(picture));
}
void BM_BmpDecode(benchmark::State& state) {
  const auto file = encodeBmp(photo(0));
  for (auto _ : state) benchmark::DoNotOptimize(readPicture(SpanSource(file)));
}

// The rows alone, into memory that stays: what an export does with them.
void BM_BmpDecodeRows(benchmark::State& state) {
  const auto file = encodeBmp(photo(0));
  const SpanSource source(file);
  tbitmap out(6000, 4000);
  for (auto _ : state) {
    auto reader = openPicture(source);
    benchmark::DoNotOptimize(reader.value()->readRows(out.row(0), out.width, out.height));
  }
}
void BM_BmpDecodePlain(benchmark::State& state) {
  const auto file = encodeBmp(photo(0));
  tbitmap out(6000, 4000);
  const std::size_t stride = 6000 * 3;
  for (auto _ : state) {
    for (int y = 0; y < out.height; ++y) {
      const std::uint8_t* row = file.data() + 54 + stride * static_cast<std::size_t>(out.height - 1 - y);
      for (int x = 0; x < out.width; ++x) out.setPixel(x, y, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    benchmark::DoNotOptimize(out.row(0));
  }
}
void BM_BmpEncodeRows(benchmark::State& state) {
  const tbitmap& picture = photo(0);
  std::vector<std::uint8_t> file(54 + std::size_t{6000} * 3 * 4000);
  for (auto _ : state) {
    for (int y = 0; y < picture.height; ++y)
      swapRedBlue(reinterpret_cast<const std::uint8_t*>(picture.row(y)),
                  file.data() + 54 + std::size_t{6000} * 3 * (picture.height - 1 - y), 6000);
    benchmark::DoNotOptimize(file.data());
  }
}
void BM_BmpEncodePlain(benchmark::State& state) {
  const tbitmap& picture = photo(0);
  std::vector<std::uint8_t> file(54 + std::size_t{6000} * 3 * 4000);
  for (auto _ : state) {
    for (int y = 0; y < picture.height; ++y) {
      std::uint8_t* row = file.data() + 54 + std::size_t{6000} * 3 * (picture.height - 1 - y);
      for (int x = 0; x < picture.width; ++x) {
        const tpixel p = picture.pixel(x, y);
        row[3 * x] = p.blue;
        row[3 * x + 1] = p.green;
        row[3 * x + 2] = p.red;
      }
    }
    benchmark::DoNotOptimize(file.data());
  }
}

}  // namespace

BENCHMARK(BM_Anaglyph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnaglyphRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnaglyphPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SideBySide)->Arg(1920)->Arg(7000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SideBySidePlain)->Arg(1920)->Arg(7000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawTo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragFrameBuilt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpEncodeRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpEncodePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecodeRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecodePlain)->Unit(benchmark::kMillisecond);
