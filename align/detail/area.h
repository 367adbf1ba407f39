#pragma once
// Matching the reduced pictures by their areas, for pictures whose texture
// has no corners that features find: foliage, water, clouds, rock, sand.
#include <optional>

#include "align/detail/features.h"

class Tracker;

// The shift (x, y) of the right copy's content against the left's, in the
// copies' pixels, at which their whitened areas correlate (phase
// correlation through a window); none when the peak is flat or a second
// peak comes close: nothing proves one answer.
std::optional<cv::Point2d> areaShift(const cv::Mat& l, const cv::Mat& r);

// The tracker's corners started where the areas' shift puts them, on the
// `small` copies, then aligned as features are.
Result<Alignment> byArea(const tbitmap& left, const tbitmap& right, const SmallPair& small,
                         const Tracker& tracker, bool correct);
