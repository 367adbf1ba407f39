// The depth of a 24 MP pair of photos (target: 2.5 s wall on two cores,
// 1.5 GiB), beside OpenCV's StereoSGBM in its 3-way mode over the same range
// at full size as the baseline of the same run. The pair: the Fujifilm W3's
// MPO of tests/fetch-mpos.sh ($BINOXA_MPO, else
// build/testdata/pillow/fujifilm.mpo) enlarged to 6000 x 4000.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "align/align.h"
#include "depth/depth.h"
#include "image/picture.h"
#include "stereo/compose.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

tbitmap enlarged(const tbitmap& small) {
  tbitmap out(kWidth, kHeight);
  const cv::Mat in(small.height, small.width, CV_8UC3, const_cast<tpixel*>(small.row(0)));
  cv::Mat big(kHeight, kWidth, CV_8UC3, out.row(0));
  cv::resize(in, big, big.size(), 0, 0, cv::INTER_CUBIC);
  return out;
}

struct Photo {
  tbitmap left{0, 0}, right{0, 0};
  std::int32_t dx = 0, dy = 0;
};

const Photo& photo() {
  static const Photo p = [] {
    const char* path = std::getenv("BINOXA_MPO");
    auto views = loadPictureViews(path ? path : "build/testdata/pillow/fujifilm.mpo");
    if (!views || !views->right) {
      std::fprintf(stderr, "the Fujifilm MPO cannot be read: run tests/fetch-mpos.sh\n");
      std::exit(1);
    }
    Photo out{enlarged(*views->left), enlarged(*views->right)};
    auto a = alignPair(out.left, out.right, false);
    if (a) out.dx = a->dx, out.dy = a->dy;
    return out;
  }();
  return p;
}

void BM_DisparityMap(benchmark::State& state) {
  const Photo& p = photo();
  for (auto _ : state) benchmark::DoNotOptimize(disparityMap(p.left, p.right, p.dx, p.dy));
}
BENCHMARK(BM_DisparityMap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The same common region in grey, over the range our map spans.
void BM_StereoSgbm3Way(benchmark::State& state) {
  const Photo& p = photo();
  const auto map = disparityMap(p.left, p.right, p.dx, p.dy).value();
  const Overlap o = pairOverlap(p.dx, p.dy, p.left, p.right);
  float low = 1e9f, high = -1e9f;
  for (float v : map.values) low = std::min(low, v), high = std::max(high, v);
  // From the files' d to the common regions' d.
  const int toRegions = o.rightX - o.leftX, minimum = static_cast<int>(std::floor(low)) + toRegions;
  const int count = (static_cast<int>(std::ceil(high - low)) + 16) / 16 * 16;
  cv::Mat l, r;
  cv::cvtColor(cv::Mat(p.left.height, p.left.width, CV_8UC3, const_cast<tpixel*>(p.left.row(0)))(
                   cv::Rect(o.leftX, o.leftY, o.w, o.h)), l, cv::COLOR_RGB2GRAY);
  cv::cvtColor(cv::Mat(p.right.height, p.right.width, CV_8UC3, const_cast<tpixel*>(p.right.row(0)))(
                   cv::Rect(o.rightX, o.rightY, o.w, o.h)), r, cv::COLOR_RGB2GRAY);
  auto sgbm = cv::StereoSGBM::create(minimum, count, 5, 8 * 25, 32 * 25, 1, 63, 10, 100, 2,
                                     cv::StereoSGBM::MODE_SGBM_3WAY);
  state.counters["disparities"] = count;
  for (auto _ : state) {
    cv::Mat d;
    sgbm->compute(l, r, d);
    benchmark::DoNotOptimize(d.data);
  }
}
BENCHMARK(BM_StereoSgbm3Way)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
