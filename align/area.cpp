#include "align/detail/area.h"

#include <opencv2/imgproc.hpp>

#include "align/detail/tracking.h"

namespace {

constexpr double kFlat = 0.04;     // of a perfect match: a lower peak proves nothing
constexpr double kRival = 0.03;    // of the peak: a second one this high rivals it
constexpr double kOwnPeak = 0.02;  // of the copy's height: rows around the peak, still the peak

}  // namespace

std::optional<cv::Point2d> areaShift(const cv::Mat& l, const cv::Mat& r) {
  cv::Mat window, a, b, fa, fb, cross;
  cv::createHanningWindow(window, l.size(), CV_32F);
  // Without their means, flat copies have nothing left to correlate.
  l.convertTo(a, CV_32F, 1, -cv::mean(l)[0]);
  r.convertTo(b, CV_32F, 1, -cv::mean(r)[0]);
  cv::dft(a.mul(window), fa, cv::DFT_COMPLEX_OUTPUT);
  cv::dft(b.mul(window), fb, cv::DFT_COMPLEX_OUTPUT);
  cv::mulSpectrums(fb, fa, cross, 0, true);
  // Whitened: every frequency weighs alike, so the peak is sharp.
  cv::Mat parts[2], size;
  cv::split(cross, parts);
  cv::magnitude(parts[0], parts[1], size);
  size += 1e-6;
  parts[0] /= size;
  parts[1] /= size;
  cv::merge(parts, 2, cross);
  cv::Mat surface;
  cv::idft(cross, surface, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
  double peak;
  cv::Point at;
  cv::minMaxLoc(surface, nullptr, &peak, nullptr, &at);
  if (!(peak >= kFlat)) return std::nullopt;
  // A rival lies in other rows: in the peak's own, the peak spreads over the
  // scene's depths. The surface wraps around.
  const int own = std::max(2, static_cast<int>(kOwnPeak * l.rows));
  cv::Mat rest = surface.clone();
  for (int dy = -own; dy <= own; ++dy) rest.row((at.y + dy + rest.rows) % rest.rows) = 0;
  double rival;
  cv::minMaxLoc(rest, nullptr, &rival);
  if (rival >= kRival * peak) return std::nullopt;
  auto signedShift = [](int v, int n) { return v > n / 2 ? v - n : v; };
  return cv::Point2d(signedShift(at.x, l.cols), signedShift(at.y, l.rows));
}

Result<Alignment> byArea(const tbitmap& left, const tbitmap& right, const SmallPair& small,
                         const Tracker& tracker, bool correct) {
  const std::optional<cv::Point2d> shift = areaShift(small.l, small.r);
  if (!shift) return tooFew();
  const cv::Point2d middle(left.width / 2.0, left.height / 2.0);
  const Match anchor{middle, middle + *shift / small.scale};
  return byFeatures(left, right, tracker.track({&anchor}), tracker, correct);
}
