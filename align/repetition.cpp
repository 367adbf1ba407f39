#include "align/detail/repetition.h"

#include <algorithm>
#include <cstdlib>
#include <opencv2/imgproc.hpp>

double selfRepetition(const cv::Mat& small) {
  cv::Mat detail, blurred;
  small.convertTo(detail, CV_32F);
  cv::GaussianBlur(detail, blurred, cv::Size(), 4);
  detail -= blurred;
  const int w = detail.cols, h = detail.rows;
  cv::Mat padded = cv::Mat::zeros(2 * h, 2 * w, CV_32F), spectrum, power;
  detail.copyTo(padded(cv::Rect(0, 0, w, h)));
  cv::dft(padded, spectrum, cv::DFT_COMPLEX_OUTPUT);
  cv::mulSpectrums(spectrum, spectrum, power, 0, true);
  cv::idft(power, power, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
  const double itself = power.at<float>(0, 0);
  if (!(itself > 1e-3 * w * h)) return 0;  // no detail to repeat
  double most = 0;
  for (int dy = -h / 3; dy <= h / 3; ++dy)
    for (int dx = -w / 3; dx <= w / 3; ++dx) {
      if (dx * dx + dy * dy < 16) continue;  // the detail's own width
      const double shared = static_cast<double>(w - std::abs(dx)) * (h - std::abs(dy)) / (w * h);
      most =
          std::max(most, power.at<float>((dy + 2 * h) % (2 * h), (dx + 2 * w) % (2 * w)) / (itself * shared));
    }
  return most;
}
