#pragma once
// A correction of the right picture beside its whole-pixel position: one
// projective transform about the picture's centre that removes vertical
// disparity (roll, zoom, keystone, a subpixel vertical shift) and leaves the
// horizontal disparity, the depth, as it is.
#include <cmath>

struct Correction {
  double roll = 0;       // degrees; positive turns the picture clockwise on the screen
  double zoom = 1;       // scale about the centre
  double shift = 0;      // vertical, in pixels, below one
  double keystoneV = 0;  // perspective along the vertical: rows grow apart towards the bottom when > 0
  double keystoneH = 0;  // perspective along the horizontal
  friend bool operator==(const Correction&, const Correction&) = default;
  bool none() const { return *this == Correction{}; }
  // Values a stored or typed correction may take: anything else is damage.
  bool plausible() const {
    auto within = [](double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; };
    return within(roll, -45, 45) && within(zoom, 0.5, 2) && within(shift, -100, 100) &&
           within(keystoneV, -0.5, 0.5) && within(keystoneH, -0.5, 0.5);
  }
};
