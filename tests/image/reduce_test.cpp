#include "image/reduce.h"

#include <gtest/gtest.h>

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

}  // namespace
