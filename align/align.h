#pragma once
// Automatic alignment of a pair: the right picture's position (dx, dy) that
// removes the vertical disparity and puts the nearest objects at the window.
#include <cstdint>

#include "image/tbitmap.h"
#include "platform/result.h"

struct Alignment {
  std::int32_t dx = 0, dy = 0;  // left pixel (x, y) pairs with right pixel (x + dx, y + dy)
  friend bool operator==(const Alignment&, const Alignment&) = default;
};

inline constexpr const char* kCannotAlign = "Cannot align: too few points match between the two pictures";

// Corners of the left picture tracked into the right one; dy is the median
// vertical offset, dx the 2nd percentile of the horizontal ones. Refused with
// kCannotAlign when too few points match (flat, black or unrelated pictures).
Result<Alignment> alignPair(const tbitmap& left, const tbitmap& right);
