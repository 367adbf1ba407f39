#include "align/detail/surface.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kSurfaceStep = 0.5;   // dense pixels: neighbours this close in disparity are one surface
constexpr double kSurfaceArea = 0.05;  // of the picture: a surface that may be the subject

}  // namespace

cv::Mat nearestSurface(const RowMatch& m) {
  const cv::Mat& d = m.disparity;
  constexpr int step = static_cast<int>(16 * kSurfaceStep);
  cv::Mat label(d.size(), CV_32S, cv::Scalar(-1));
  int count = 0, best = -1;
  short bestDisparity = 0;
  std::vector<cv::Point> stack;
  std::vector<short> values;
  for (int y = 0; y < d.rows; ++y)
    for (int x = 0; x < d.cols; ++x) {
      if (label.at<int>(y, x) >= 0 || d.at<short>(y, x) < m.lowest) continue;
      values.clear();
      label.at<int>(y, x) = count;
      stack.push_back({x, y});
      while (!stack.empty()) {
        const cv::Point at = stack.back();
        stack.pop_back();
        const short v = d.at<short>(at);
        values.push_back(v);
        for (const cv::Point n :
             {at + cv::Point(1, 0), at - cv::Point(1, 0), at + cv::Point(0, 1), at - cv::Point(0, 1)}) {
          if (n.x < 0 || n.y < 0 || n.x >= d.cols || n.y >= d.rows || label.at<int>(n) >= 0) continue;
          const short w = d.at<short>(n);
          if (w < m.lowest || std::abs(w - v) > step) continue;
          label.at<int>(n) = count;
          stack.push_back(n);
        }
      }
      if (static_cast<double>(values.size()) >= kSurfaceArea * static_cast<double>(d.total())) {
        const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
        std::nth_element(values.begin(), middle, values.end());
        if (best < 0 || *middle > bestDisparity) best = count, bestDisparity = *middle;
      }
      ++count;
    }
  if (best < 0) return {};
  return label == best;
}
