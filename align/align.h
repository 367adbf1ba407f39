#pragma once
// Automatic alignment of a pair: the right picture's correction and position
// (dx, dy) that remove the vertical disparity and put the nearest objects at
// the window; and the right picture as the correction and the left's colours
// make it.
#include <array>
#include <cstdint>

#include "image/correction.h"
#include "image/tbitmap.h"
#include "platform/result.h"

struct Alignment {
  std::int32_t dx = 0, dy = 0;  // left pixel (x, y) pairs with corrected right pixel (x + dx, y + dy)
  Correction correction;
  int inliers = 0;  // matched points the answer rests on
};

inline constexpr const char* kCannotAlign = "Cannot align: too few points match between the two pictures";
inline constexpr const char* kNoOneAnswer =
    "Cannot align: the points that match do not agree on one position";
inline constexpr const char* kRepeatedPattern =
    "Cannot align: the pictures repeat a pattern that matches at several places";

// Features matched both ways, a robust fit of the correction to their
// vertical offsets, refined on the whole pictures. dy makes the corrected
// vertical disparity zero, dx is the 2nd percentile of the horizontal one. A
// correction that moves no pixel by more than a quarter of one is dropped;
// correct = false asks for the whole-pixel position alone. Refused, with the
// reason, when the points do not prove one answer.
Result<Alignment> alignPair(const tbitmap& left, const tbitmap& right, bool correct = true);

// The correction as the 3 x 3 matrix, row by row, that carries a pixel of a
// width x height right picture to its corrected place.
std::array<double, 9> correctionMatrix(const Correction& correction, int width, int height);

// The right picture resampled once through the correction (Lanczos); what
// falls outside the source is black. A copy when there is no correction.
tbitmap correctedPicture(const tbitmap& right, const Correction& correction);

// The right picture's colours mapped onto the left's, channel by channel, by
// matching their histograms over the region the position makes common.
void matchColours(const tbitmap& left, tbitmap& right, std::int32_t dx, std::int32_t dy);
