#include "align/detail/tracking.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

namespace {

constexpr int kCorners = 1000;
constexpr int kLevels = 2;
const cv::Size kWindow{21, 21};
constexpr double kStray = 3;  // reduced pixels a tracked corner may move from where its anchors put it

}  // namespace

Tracker::Tracker(const Features& l, const Features& r, double scale) : scale_(scale) {
  const cv::Rect common = commonOf(l, r);
  cv::goodFeaturesToTrack(l.grey(common), corners_, kCorners, 0.01, 6);
  cv::buildOpticalFlowPyramid(l.grey(common), a_, kWindow, kLevels);
  cv::buildOpticalFlowPyramid(r.grey(common), b_, kWindow, kLevels);
}

std::vector<Match> Tracker::track(const std::vector<const Match*>& anchors) const {
  if (corners_.empty() || anchors.empty()) return {};
  std::vector<cv::Point2f> guess;
  std::vector<std::pair<double, cv::Point2d>> near(anchors.size());
  const std::size_t k = std::min<std::size_t>(5, near.size());
  std::vector<double> xs(k), ys(k);
  for (const cv::Point2f& c : corners_) {
    for (std::size_t i = 0; i < anchors.size(); ++i) {
      const cv::Point2d d = anchors[i]->left * scale_ - cv::Point2d(c);
      near[i] = {d.dot(d), (anchors[i]->right - anchors[i]->left) * scale_};
    }
    std::partial_sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(k), near.end(),
                      [](const auto& x, const auto& y) { return x.first < y.first; });
    for (std::size_t i = 0; i < k; ++i) xs[i] = near[i].second.x, ys[i] = near[i].second.y;
    std::nth_element(xs.begin(), xs.begin() + static_cast<std::ptrdiff_t>(k / 2), xs.end());
    std::nth_element(ys.begin(), ys.begin() + static_cast<std::ptrdiff_t>(k / 2), ys.end());
    guess.push_back(c + cv::Point2f(static_cast<float>(xs[k / 2]), static_cast<float>(ys[k / 2])));
  }
  return follow(corners_, guess);
}

std::vector<Match> Tracker::follow(const std::vector<cv::Point2f>& from,
                                   const std::vector<cv::Point2f>& guess) const {
  if (from.empty()) return {};
  std::vector<cv::Point2f> tracked = guess, back = from;
  std::vector<unsigned char> found, foundBack;
  std::vector<float> err;
  const cv::TermCriteria stop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
  cv::calcOpticalFlowPyrLK(a_, b_, from, tracked, found, err, kWindow, kLevels, stop,
                           cv::OPTFLOW_USE_INITIAL_FLOW);
  cv::calcOpticalFlowPyrLK(b_, a_, tracked, back, foundBack, err, kWindow, kLevels, stop,
                           cv::OPTFLOW_USE_INITIAL_FLOW);
  std::vector<Match> out;
  for (std::size_t i = 0; i < from.size(); ++i)
    if (found[i] && foundBack[i] && cv::norm(back[i] - from[i]) <= kBackCheck &&
        cv::norm(tracked[i] - guess[i]) <= kStray)
      out.push_back({cv::Point2d(from[i]) / scale_, cv::Point2d(tracked[i]) / scale_});
  return out;
}
