#pragma once
// ORB features of the reduced pictures matched both ways, followed to a
// fraction of a pixel on the whole pictures, and the answer they agree on.
#include <cstddef>
#include <vector>

#include "align/detail/fit.h"

// A point followed back lands this close to its start, in the pixels it was
// followed on.
inline constexpr float kBackCheck = 0.3f;

struct Features {
  cv::Mat grey;  // the reduced picture
  std::vector<cv::KeyPoint> points;
  cv::Mat descriptors;
};

// `scale`: reduced pixels per whole-picture pixel.
Features featuresOf(const tbitmap& b, double scale);

struct Matches {
  std::vector<Match> kept;
  std::size_t ambiguous = 0;  // close matches the second best rivals
};

// Mutual best matches that clearly beat their second best, both ways.
Matches matchFeatures(const Features& l, const Features& r, double scale);

// The part of the two reduced pictures both have.
cv::Rect commonOf(const Features& l, const Features& r);

// Both grey copies cut to their common size and reduced to `width` columns,
// with the factor from whole-picture pixels.
struct SmallPair {
  cv::Mat l, r;
  double scale;
};
SmallPair smallPair(const Features& l, const Features& r, double scale, int width);

// Each match followed on the whole pictures, both ways, to a fraction of a pixel.
std::vector<Match> refine(const tbitmap& left, const tbitmap& right, const std::vector<Match>& ms);

class Tracker;

// The candidates, a few hundred spread over the picture, followed on the
// whole pictures; the correction most of them agree on; then corners
// started from those, and from the corners they brought in, let the
// scene's surfaces weigh in.
Result<Alignment> byFeatures(const tbitmap& left, const tbitmap& right, const std::vector<Match>& candidates,
                             const Tracker& tracker, bool correct);
