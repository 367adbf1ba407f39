#include "align/detail/model.h"

#include <cmath>
#include <numbers>

cv::Mat wrap(const tbitmap& b) { return cv::Mat(b.height, b.width, CV_8UC3, const_cast<tpixel*>(b.row(0))); }

Terms termsOf(const Correction& c, const CentredCoords& f) {
  const double r = c.roll * std::numbers::pi / 180;
  return {c.zoom * std::sin(r), c.zoom * std::cos(r), c.shift / f.s, c.keystoneH, c.keystoneV};
}

Correction correctionOf(const Terms& t, const CentredCoords& f) {
  return {std::atan2(t.turn, t.scale) * 180 / std::numbers::pi, std::hypot(t.turn, t.scale), t.shift * f.s,
          t.keystoneV, t.keystoneH};
}

cv::Point2d apply(const Terms& t, const CentredCoords& f, cv::Point2d p) {
  const double u = (p.x - f.cx) / f.s, v = (p.y - f.cy) / f.s;
  const double den = 1 + t.keystoneH * u + t.keystoneV * v;
  return {f.cx + f.s * (t.scale * u - t.turn * v) / den, f.cy + f.s * (t.turn * u + t.scale * v + t.shift) / den};
}

cv::Matx33d matrixOf(const Correction& c, const CentredCoords& f) {
  const Terms t = termsOf(c, f);
  const cv::Matx33d toUnit(1 / f.s, 0, -f.cx / f.s, 0, 1 / f.s, -f.cy / f.s, 0, 0, 1);
  const cv::Matx33d fromUnit(f.s, 0, f.cx, 0, f.s, f.cy, 0, 0, 1);
  const cv::Matx33d h(t.scale, -t.turn, 0, t.turn, t.scale, t.shift, t.keystoneH, t.keystoneV, 1);
  return fromUnit * h * toUnit;
}

// The corners and the middles of the sides bound it for transforms this
// close to the identity.
double largestMove(const Terms& t, const CentredCoords& f, int w, int h) {
  double most = 0;
  for (double x : {0.0, (w - 1) / 2.0, w - 1.0})
    for (double y : {0.0, (h - 1) / 2.0, h - 1.0})
      most = std::max(most, cv::norm(apply(t, f, {x, y}) - cv::Point2d(x, y)));
  return most;
}

double residual(const Terms& t, const CentredCoords& f, const Match& m, double dy) {
  return apply(t, f, m.right).y - (m.left.y + dy);
}
