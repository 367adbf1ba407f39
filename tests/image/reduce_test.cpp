#include "image/reduce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// One row of grey levels, reduced; the expected grey levels.
TEST(reduceByArea, WeighsPartlyCoveredPixelsByTheirShare) {
  struct Case {
    std::vector<int> row;
    int width;
    std::vector<int> want;
  };
  const Case cases[] = {
      {{0, 255}, 1, {128}},                     // the mean, rounded half up
      {{0, 90, 180}, 2, {30, 150}},             // the middle pixel split in halves
      {{10, 20, 30, 40, 50}, 3, {14, 30, 46}},  // thirds of 5/3-wide pixels
      {{7, 8, 9}, 3, {7, 8, 9}},                // no reduction
  };
  for (const Case& c : cases) {
    const int n = static_cast<int>(c.row.size());
    // The row twice, so the columns are averaged across two rows as well.
    tbitmap src(n, 2);
    for (int x = 0; x < n; ++x)
      for (int y = 0; y < 2; ++y) src.setPixel(x, y, c.row[x], 0, 0);
    const auto out = reduceByArea(src, c.width, 1);
    ASSERT_EQ(out->width, c.width);
    ASSERT_EQ(out->height, 1);
    for (int x = 0; x < c.width; ++x) {
      EXPECT_EQ(out->pixel(x, 0).red, c.want[x]) << n << " to " << c.width << " at " << x;
    }
  }
}

// Each output pixel straight from the definition, against the fast path's
// rows and bands: odd sizes, ratios near 1 and far from it, bands of rows,
// an enlargement.
TEST(reduceByArea, EqualsThePlainDefinition) {
  std::mt19937 rng(5);
  const int sizes[][4] = {{37, 23, 5, 3}, {300, 200, 77, 61}, {101, 400, 100, 399}, {640, 480, 639, 130}, {601, 450, 640, 480}};
  for (const auto& c : sizes) {
    tbitmap src(c[0], c[1]);
    for (int y = 0; y < c[1]; ++y)
      for (int x = 0; x < c[0]; ++x)
        src.setPixel(x, y, static_cast<int>(rng() % 256), static_cast<int>(rng() % 256), static_cast<int>(rng() % 256));
    const int w = c[2], h = c[3];
    const auto reduced = reduceByArea(src, w, h);
    // Source pixel i spans [i * n, (i + 1) * n), output pixel u [u * in, (u + 1) * in).
    auto overlap = [](std::int64_t i, std::int64_t n, std::int64_t u, std::int64_t in) {
      return std::max<std::int64_t>(0, std::min((i + 1) * n, (u + 1) * in) - std::max(i * n, u * in));
    };
    const std::uint64_t total = std::uint64_t(c[0]) * c[1];
    bool same = true;
    for (int v = 0; v < h && same; ++v)
      for (int u = 0; u < w && same; ++u) {
        std::uint64_t sum[3] = {};
        for (int y = v * c[1] / h; y < c[1] && y * h < (v + 1) * c[1]; ++y)
          for (int x = u * c[0] / w; x < c[0] && x * w < (u + 1) * c[0]; ++x) {
            const auto weight = std::uint64_t(overlap(x, w, u, c[0]) * overlap(y, h, v, c[1]));
            const tpixel p = src.pixel(x, y);
            sum[0] += weight * p.red, sum[1] += weight * p.green, sum[2] += weight * p.blue;
          }
        const tpixel q = reduced->pixel(u, v);
        same = q.red == (sum[0] + total / 2) / total && q.green == (sum[1] + total / 2) / total &&
               q.blue == (sum[2] + total / 2) / total;
        EXPECT_TRUE(same) << c[0] << "x" << c[1] << " to " << w << "x" << h << " at " << u << " " << v;
      }
  }
}

// A part of a picture reduced where it lies: the pixels of its copy reduced,
// and the copy itself where there is nothing to reduce.
TEST(reduceRegionToWidth, EqualsTheCopyReduced) {
  tbitmap src(203, 101);
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) src.setPixel(x, y, x, y * 2, (x * y) % 256);
  const tregion part{13, 7, 171, 89};
  for (int width : {60, 170, 171, 0}) {
    const auto copy =
        reduceToWidth(src.crop(part.x, part.y, part.x + part.width, part.y + part.height), width);
    const auto reduced = reduceRegionToWidth(src, part, width);
    ASSERT_EQ(reduced->width, copy->width) << width;
    ASSERT_EQ(reduced->height, copy->height) << width;
    bool same = true;
    for (int y = 0; y < copy->height && same; ++y)
      same = std::equal(copy->row(y), copy->row(y) + copy->width, reduced->row(y));
    EXPECT_TRUE(same) << width;
  }
}

}  // namespace
