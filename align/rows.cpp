#include "align/detail/rows.h"

#include <algorithm>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "align/detail/surface.h"
#include "align/detail/tracking.h"
#include "platform/parallel.h"

namespace {

constexpr int kRounds = 2;
constexpr double kRowsRange = 0.125;   // of the height: how far up and down the rows are searched
constexpr double kRowsRival = 0.03;    // of the picture matched: an offset this close to the best rivals it
constexpr std::size_t kRowsPeak = 4;   // half rows: a peak is the most within this many each side
constexpr double kSubjectShare = 0.9;  // of the subject's points that its correction suits

// The corners of the left picture started where dense matching along the
// rows of the corrected pair puts them, followed and fitted, round after
// round from the rows given: each round's rows line up better, and dense
// matching needs rows within a pixel. At last the correction is fitted to
// the nearest surface, the subject, refined on the whole pictures: where
// the lenses bend the picture, no one correction suits every depth.
Result<Alignment> alongRows(const tbitmap& left, const tbitmap& right, const SmallPair& dense,
                            const Tracker& tracker, double scale, double rows, bool correct) {
  const CentredCoords f(right);
  double dy = rows;
  Terms t;
  int terms = 5;
  std::vector<Match> points;
  std::vector<const Match*> in;
  const cv::Matx33d toDense(dense.scale, 0, 0, 0, dense.scale, 0, 0, 0, 1);
  RowMatch m;
  for (int round = 0; round <= kRounds; ++round) {
    // Right pixel to the left pixel it pairs with, but for the depth.
    const cv::Matx33d rowsOf = cv::Matx33d(1, 0, 0, 0, 1, -dy, 0, 0, 1) * matrixOf(correctionOf(t, f), f);
    cv::Mat aligned;
    cv::warpPerspective(dense.r, aligned, toDense * rowsOf * toDense.inv(), dense.l.size(), cv::INTER_LINEAR);
    m = matchAlongRows(dense.l, aligned);
    const cv::Matx33d back = rowsOf.inv();
    std::vector<cv::Point2f> from, guess;
    for (const cv::Point2f& c : tracker.corners()) {
      const cv::Point at(static_cast<int>(c.x * dense.scale / scale),
                         static_cast<int>(c.y * dense.scale / scale));
      if (at.x >= m.disparity.cols || at.y >= m.disparity.rows) continue;
      const short d = m.disparity.at<short>(at);
      if (d < m.lowest) continue;
      const cv::Vec3d p = back * cv::Vec3d(c.x / scale - d / (16 * dense.scale), c.y / scale, 1);
      from.push_back(c);
      guess.push_back(
          cv::Point2f(static_cast<float>(p[0] / p[2] * scale), static_cast<float>(p[1] / p[2] * scale)));
    }
    points = tracker.follow(from, guess);
    if (points.size() < kMinInliers) return noOneAnswer();
    terms = termsFor(points, right.width, right.height);
    if (!agree(points, f, terms, dy, t, in)) return noOneAnswer();
  }
  const cv::Mat surface = nearestSurface(m);
  if (surface.empty()) return noOneAnswer();
  std::vector<Match> near;
  for (const Match& p : points) {
    const cv::Point at(static_cast<int>(p.left.x * dense.scale), static_cast<int>(p.left.y * dense.scale));
    if (at.x < surface.cols && at.y < surface.rows && surface.at<unsigned char>(at)) near.push_back(p);
  }
  near = refine(left, right, near);
  // The subject is one surface: nearly all its points agree.
  if (!agree(near, f, terms, dy, t, in) || !mostAgree(in.size(), near.size(), kSubjectShare))
    return noOneAnswer();
  // The answer rests on every point the subject's rows suit.
  return answer(points, inliersOf(points, t, f, dy, kFineTolerance), t, dy, f, terms, correct, right.width,
                right.height);
}

}  // namespace

// The copies are padded so every pixel sees the whole range.
RowMatch matchAlongRows(const cv::Mat& l, const cv::Mat& r) {
  constexpr int block = 5;
  const int lo = -16 * ((l.cols / 8 + 15) / 16), span = 16 * ((l.cols / 2 - lo + 15) / 16);
  const int before = lo + span, after = -lo;
  cv::Mat lp, rp, d;
  cv::copyMakeBorder(l, lp, 0, 0, before, after, cv::BORDER_REPLICATE);
  cv::copyMakeBorder(r, rp, 0, 0, before, after, cv::BORDER_REPLICATE);
  cv::StereoSGBM::create(lo, span, block, 8 * block * block, 32 * block * block, 1, 0, 10)
      ->compute(lp, rp, d);
  return {d(cv::Rect(before, 0, l.cols, l.rows)), 16 * lo};
}

std::optional<double> rowsOffset(const SmallPair& p) {
  const int range = static_cast<int>(p.l.rows * kRowsRange);
  std::vector<double> found(static_cast<std::size_t>(4 * range + 1));  // every half row
  eachAtOnce(static_cast<int>(found.size()), [&](int i) {
    cv::Mat shifted;
    cv::warpAffine(p.r, shifted, cv::Matx23d(1, 0, 0, 0, 1, range - i / 2.0), p.r.size(), cv::INTER_LINEAR,
                   cv::BORDER_REPLICATE);
    const RowMatch m = matchAlongRows(p.l, shifted);
    found[static_cast<std::size_t>(i)] =
        cv::countNonZero(m.disparity >= m.lowest) / static_cast<double>(m.disparity.total());
  });
  const auto best = static_cast<std::size_t>(std::max_element(found.begin(), found.end()) - found.begin());
  auto peak = [&](std::size_t i) {
    const std::size_t from = i < kRowsPeak ? 0 : i - kRowsPeak,
                      to = std::min(found.size(), i + kRowsPeak + 1);
    return *std::max_element(found.begin() + static_cast<std::ptrdiff_t>(from),
                             found.begin() + static_cast<std::ptrdiff_t>(to)) == found[i];
  };
  for (std::size_t i = 0; i < found.size(); ++i)
    if ((i + kRowsPeak < best || i > best + kRowsPeak) && peak(i) && found[i] >= found[best] - kRowsRival)
      return std::nullopt;
  return static_cast<double>(best) / 2 - range;
}

Result<Alignment> byRows(const tbitmap& left, const tbitmap& right, const SmallPair& coarse,
                         const SmallPair& dense, const Tracker& tracker, double scale, bool correct) {
  const std::optional<double> rows = rowsOffset(coarse);
  if (!rows) return repeated();
  return alongRows(left, right, dense, tracker, scale, std::round(*rows / coarse.scale), correct);
}
