#include "align/align.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>
#include <vector>

namespace {

constexpr int kReducedWidth = 1500;
constexpr int kMaxCorners = 800;
constexpr std::size_t kMinPoints = 20;
// A point whose tracking back lands farther than this from where it started
// (reduced pixels) was not followed reliably.
constexpr float kBackCheck = 0.5f;

cv::Mat wrap(const tbitmap& b) { return cv::Mat(b.height, b.width, CV_8UC3, const_cast<tpixel*>(b.row(0))); }

// Reduced before the grey conversion: three channels of the small copy cost
// less than one of the whole picture.
cv::Mat reducedGrey(const tbitmap& b, double scale) {
  cv::Mat small, grey;
  if (scale < 1)
    cv::resize(wrap(b), small, cv::Size(), scale, scale, cv::INTER_AREA);
  else
    small = wrap(b);
  cv::cvtColor(small, grey, cv::COLOR_RGB2GRAY);
  return grey;
}

// The dominant shift of right against left, from a half-size copy: a start
// for the tracker, so pairs far out of place are still found.
cv::Point2f globalShift(const cv::Mat& left, const cv::Mat& right) {
  cv::Mat l, r;
  cv::pyrDown(left, l);
  cv::pyrDown(right, r);
  l.convertTo(l, CV_32F);
  r.convertTo(r, CV_32F);
  cv::Mat window;
  cv::createHanningWindow(window, l.size(), CV_32F);
  const cv::Point2d s = cv::phaseCorrelate(l, r, window);
  return {static_cast<float>(2 * s.x), static_cast<float>(2 * s.y)};
}

float quantile(std::vector<float> v, double q) {
  const auto k = static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[static_cast<std::size_t>(k)];
}

}  // namespace

Result<Alignment> alignPair(const tbitmap& left, const tbitmap& right) try {
  if (left.width < 16 || left.height < 16 || right.width < 16 || right.height < 16)
    return Error{kCannotAlign};
  const double scale = std::min(1.0, static_cast<double>(kReducedWidth) / std::max(left.width, right.width));
  cv::Mat l = reducedGrey(left, scale), r = reducedGrey(right, scale);
  // The tracker takes two pictures of one size: their common top-left part,
  // where both keep their coordinates.
  const cv::Rect common({0, 0}, cv::Size(std::min(l.cols, r.cols), std::min(l.rows, r.rows)));
  l = l(common);
  r = r(common);

  std::vector<cv::Point2f> corners;
  cv::goodFeaturesToTrack(l, corners, kMaxCorners, 0.01, 8);
  if (corners.size() < kMinPoints) return Error{kCannotAlign};

  const cv::Point2f start = globalShift(l, r);
  std::vector<cv::Point2f> tracked, back = corners;
  for (const cv::Point2f& p : corners) tracked.push_back(p + start);
  std::vector<unsigned char> found, foundBack;
  std::vector<float> err;
  const cv::Size win(21, 21);
  const cv::TermCriteria stop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
  cv::calcOpticalFlowPyrLK(l, r, corners, tracked, found, err, win, 5, stop, cv::OPTFLOW_USE_INITIAL_FLOW);
  cv::calcOpticalFlowPyrLK(r, l, tracked, back, foundBack, err, win, 5, stop, cv::OPTFLOW_USE_INITIAL_FLOW);

  std::vector<cv::Point2f> offsets;
  for (std::size_t i = 0; i < corners.size(); ++i)
    if (found[i] && foundBack[i] && cv::norm(back[i] - corners[i]) <= kBackCheck)
      offsets.push_back(tracked[i] - corners[i]);
  if (offsets.size() < kMinPoints) return Error{kCannotAlign};

  // Points whose vertical offset is far from the median matched the wrong place.
  std::vector<float> v;
  for (const auto& o : offsets) v.push_back(o.y);
  const float median = quantile(v, 0.5);
  for (float& d : v) d = std::abs(d - median);
  const float limit = std::max(1.0f, 3 * 1.4826f * quantile(v, 0.5));
  std::vector<float> xs, ys;
  for (const auto& o : offsets)
    if (std::abs(o.y - median) <= limit) {
      xs.push_back(o.x);
      ys.push_back(o.y);
    }
  if (xs.size() < kMinPoints) return Error{kCannotAlign};
  return Alignment{static_cast<std::int32_t>(std::lround(quantile(xs, 0.02) / scale)),
                   static_cast<std::int32_t>(std::lround(quantile(ys, 0.5) / scale))};
} catch (const cv::Exception&) {
  return Error{kCannotAlign};
}
