#pragma once
// Automatic alignment of a pair: the right picture's correction and position
// (dx, dy) that remove the vertical disparity and put the nearest objects at
// the window; and the right picture as the correction makes it.
#include <array>
#include <cstdint>

#include "image/correction.h"
#include "image/tbitmap.h"
#include "platform/result.h"

struct Alignment {
  std::int32_t dx = 0, dy = 0;  // left pixel (x, y) pairs with corrected right pixel (x + dx, y + dy)
  Correction correction;
  int inliers = 0;  // matched points the answer rests on
  // The horizontal disparities, left x minus corrected right x in file pixels,
  // of the points the answer rests on (their 2nd to 98th percentile, widened
  // to whole pixels): the depth the pair shows.
  std::int32_t minDisparity = 0, maxDisparity = 0;
};

inline constexpr const char* kCannotAlign = "Cannot align: too few points match between the two pictures";
inline constexpr const char* kNoOneAnswer =
    "Cannot align: the points that match do not agree on one position";
inline constexpr const char* kRepeatedPattern =
    "Cannot align: the pictures repeat a pattern that matches at several places";
inline constexpr const char* kAboveEachOther = "Cannot align: the pictures were taken one above the other";

// Features matched both ways (or, where they are too few, the areas of the
// reduced pictures), a robust fit of the correction to their vertical
// offsets, refined on the whole pictures. dy makes the corrected vertical
// disparity zero, dx is the 2nd percentile of the horizontal one. A
// correction that moves no pixel by more than a quarter of one is dropped;
// correct = false asks for the whole-pixel position alone. Refused, with the
// reason, when the points do not prove one answer or what remains of their
// disparity is vertical.
Result<Alignment> alignPair(const tbitmap& left, const tbitmap& right, bool correct = true);

// The correction as the 3 x 3 matrix, row by row, that carries a pixel of a
// width x height right picture to its corrected place.
std::array<double, 9> correctionMatrix(const Correction& correction, int width, int height);

// The right picture resampled once through the correction (Lanczos); what
// falls outside the source is black. A copy when there is no correction.
tbitmap correctedPicture(const tbitmap& right, const Correction& correction);
