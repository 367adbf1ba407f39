#pragma once
// The anaglyph formula for one set of weights, a row at a time. Each output
// channel depends only on the two brightness sums (0..765 each). Where 32-bit
// fixed point gives that function exactly on all 766 x 766 sums, checked the
// first time the weights are used, a channel takes the fixed-point path; else
// it computes the formula itself.
#include <array>
#include <cstdint>
#include <memory>

#include "image/colour.h"
#include "image/tbitmap.h"

class AnaglyphRows {
 public:
  AnaglyphRows(ColourWeights left, ColourWeights right);
  // Pixel i of out from pixel i of left and of right; out may not overlap them.
  void compose(const tpixel* left, const tpixel* right, tpixel* out, int width) const;
  // Whether channel 0..2 (red, green, blue) passed the fixed-point check.
  bool fixedPoint(int channel) const;

  struct Channel {
    bool fixed = false;
    std::uint32_t left = 0, right = 0;  // fixed: sums times these, shifted right by shift
    int shift = 0;
    std::array<double, 766> leftTerm{}, rightTerm{};  // the formula's products
  };

 private:
  std::shared_ptr<const std::array<Channel, 3>> channels_;
};

// The one row loop of every anaglyph, whatever holds the rows: rows [0,
// count) width pixels wide, row i from leftRow(i) and rightRow(i), each at the
// common region's first column, into outRow(i), by a kernel's compose.
template <class Kernel, class LeftRow, class RightRow, class OutRow>
void composeRows(const Kernel& kernel, int count, int width, LeftRow leftRow, RightRow rightRow,
                 OutRow outRow) {
  for (int i = 0; i < count; ++i) kernel.compose(leftRow(i), rightRow(i), outRow(i), width);
}
