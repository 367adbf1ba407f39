#pragma once
// Corners of the left picture followed into the right one on the reduced
// copies, checked both ways: the many points that let the scene's main
// surfaces weigh in the fit.
#include <vector>

#include "align/detail/features.h"

// The corners and the pyramids are made once for every round.
class Tracker {
 public:
  Tracker(const Features& l, const Features& r, double scale);

  const std::vector<cv::Point2f>& corners() const { return corners_; }

  // Each corner started where the median of its nearest anchors' moves says.
  std::vector<Match> track(const std::vector<const Match*>& anchors) const;

  // The corners `from` followed from their guesses, checked both ways, kept
  // where they land near the guess.
  std::vector<Match> follow(const std::vector<cv::Point2f>& from, const std::vector<cv::Point2f>& guess) const;

 private:
  double scale_;
  std::vector<cv::Point2f> corners_;
  std::vector<cv::Mat> a_, b_;
};
