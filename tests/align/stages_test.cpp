// The stages that can be wrong on their own, each on copies made to test it.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "align/detail/area.h"
#include "align/detail/repetition.h"
#include "align/detail/rows.h"
#include "align/detail/surface.h"

namespace {

// Grey texture without corners or repeats: noise blurred by `blur`.
cv::Mat texture(int w, int h, double blur, int seed) {
  cv::Mat m(h, w, CV_8U);
  cv::theRNG().state = static_cast<std::uint64_t>(seed);
  cv::randu(m, 0, 256);
  if (blur > 0) cv::GaussianBlur(m, m, cv::Size(), blur);
  cv::normalize(m, m, 0, 255, cv::NORM_MINMAX);
  return m;
}

// The content of `m` moved by (dx, dy), the edges repeated.
cv::Mat moved(const cv::Mat& m, double dx, double dy) {
  cv::Mat out;
  cv::warpAffine(m, out, cv::Matx23d(1, 0, dx, 0, 1, dy), m.size(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
  return out;
}

cv::Mat tiled(int w, int h, int tile, int seed) {
  cv::Mat out;
  cv::repeat(texture(tile, tile, 1, seed), h / tile + 1, w / tile + 1, out);
  return out(cv::Rect(0, 0, w, h)).clone();
}

TEST(selfRepetition, TellsATiledPictureFromAPhoto) {
  const struct {
    const char* what;
    cv::Mat picture;
    bool repeats;
  } cases[] = {
      {"texture", texture(320, 213, 1.5, 1), false},
      {"flat", cv::Mat(213, 320, CV_8U, cv::Scalar(120)), false},
      {"tiles of 20", tiled(320, 213, 20, 2), true},
      {"tiles of 90", tiled(320, 213, 90, 3), true},
  };
  for (const auto& c : cases) EXPECT_EQ(selfRepetition(c.picture) >= kRepeats, c.repeats) << c.what;
}

TEST(rowsOffset, FindsTheRowsOrRefusesARepeat) {
  const cv::Mat base = texture(160, 107, 1, 4);
  const struct {
    const char* what;
    cv::Mat l, r;
    std::optional<double> rows;  // of the right copy's content, down
  } cases[] = {
      {"level", base, moved(base, -6, 0), 0},
      {"right lower", base, moved(base, -6, 5), 5},
      {"right higher", base, moved(base, 3, -7.5), -7.5},
      {"stripes a few rows apart", tiled(160, 107, 6, 5), moved(tiled(160, 107, 6, 5), -4, 2), std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<double> found = rowsOffset({c.l, c.r, 1});
    ASSERT_EQ(found.has_value(), c.rows.has_value()) << c.what;
    if (found) {
      EXPECT_NEAR(*found, *c.rows, 0.5) << c.what;
    }
  }
}

TEST(nearestSurface, IsTheNearestSurfaceLargeEnough) {
  // Disparities in 16ths over a far background: a near block, and a nearer
  // speck too small to be the subject.
  const struct {
    const char* what;
    cv::Rect near, speck;
    bool holes;  // pixels nothing was proved for, all over
    cv::Rect subject;
  } cases[] = {
      {"block", {20, 20, 40, 30}, {}, false, {20, 20, 40, 30}},
      {"block and speck", {20, 20, 40, 30}, {80, 60, 5, 5}, false, {20, 20, 40, 30}},
      {"with holes", {20, 20, 40, 30}, {80, 60, 5, 5}, true, {20, 20, 40, 30}},
      {"background alone", {}, {}, false, {0, 0, 120, 90}},
  };
  for (const auto& c : cases) {
    RowMatch m{cv::Mat(90, 120, CV_16S, cv::Scalar(16 * 2)), -16 * 8};
    m.disparity(c.near) = 16 * 12;
    m.disparity(c.speck) = 16 * 30;
    cv::Mat want = cv::Mat::zeros(90, 120, CV_8U);
    want(c.subject) = 255;
    for (int y = 0; c.holes && y < 90; y += 7)
      for (int x = 0; x < 120; x += 7) m.disparity.at<short>(y, x) = static_cast<short>(m.lowest - 1), want.at<unsigned char>(y, x) = 0;
    const cv::Mat found = nearestSurface(m);
    ASSERT_FALSE(found.empty()) << c.what;
    EXPECT_EQ(cv::countNonZero(found != want), 0) << c.what;
  }
}

TEST(areaShift, FindsTheShiftOrRefusesWhatIsNotUnique) {
  const cv::Mat base = texture(512, 341, 2, 6);
  const struct {
    const char* what;
    cv::Mat l, r;
    std::optional<cv::Point2d> shift;
  } cases[] = {
      {"moved", base, moved(base, -4, 1), cv::Point2d(-4, 1)},
      {"moved far", base, moved(base, 37, -22), cv::Point2d(37, -22)},
      {"unrelated textures", base, texture(512, 341, 2, 7), std::nullopt},
      {"noise", texture(512, 341, 0, 8), texture(512, 341, 0, 9), std::nullopt},
      {"flat", cv::Mat(341, 512, CV_8U, cv::Scalar(90)), cv::Mat(341, 512, CV_8U, cv::Scalar(90)), std::nullopt},
      {"tiles", tiled(512, 341, 40, 10), moved(tiled(512, 341, 40, 10), 7, 3), std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<cv::Point2d> found = areaShift(c.l, c.r);
    ASSERT_EQ(found.has_value(), c.shift.has_value()) << c.what;
    if (found) {
      EXPECT_LE(cv::norm(*found - *c.shift), 1) << c.what;
    }
  }
}

}  // namespace
