#pragma once
// Dense matching along the rows, and the alignment of pairs whose features
// do not agree found from it.
#include <optional>

#include "align/detail/features.h"

class Tracker;

// Dense matching along the rows (OpenCV's semi-global block matching) of two
// grey copies of one size: left x minus right x of every left pixel in
// 16ths, below `lowest` where nothing proves one.
struct RowMatch {
  cv::Mat disparity;
  int lowest;
};
RowMatch matchAlongRows(const cv::Mat& l, const cv::Mat& r);

// The vertical offset of the right copy, in its rows, at which dense
// matching along the rows finds the most of the pictures; none when another
// offset, a peak of its own, finds nearly as much: a pattern's period away.
std::optional<double> rowsOffset(const SmallPair& p);

// Pairs whose features do not agree: a pattern they match at the wrong
// places, a subject whose depth wants another correction than the
// background's. The rows are found first, by dense matching over every
// vertical offset of the `coarse` copies, then followed to an answer on the
// `dense` ones.
Result<Alignment> byRows(const tbitmap& left, const tbitmap& right, const SmallPair& coarse,
                         const SmallPair& dense, const Tracker& tracker, double scale, bool correct);
