#pragma once
// Whether a picture repeats itself: a pattern repeated over the whole frame
// matches at several places, and nothing ties one of them.
#include <opencv2/core.hpp>

inline constexpr double kRepeats = 0.7;  // a picture that repeats itself this strongly ties nothing

// How strongly a picture, given as its small grey copy, repeats itself: the
// highest autocorrelation of its fine detail at a shift within a third of the
// frame, each shift's sum taken over the part the shifted copies share. A
// pattern repeated over the whole frame comes near 1; photographs, even of a
// chessboard, stay below a half.
double selfRepetition(const cv::Mat& small);
