#pragma once
// The correction's model: the terms the fit finds, the centred coordinates
// they are measured in, and where they carry a pixel.
#include <algorithm>
#include <opencv2/core.hpp>

#include "image/correction.h"
#include "image/tbitmap.h"

cv::Mat wrap(const tbitmap& b);

// Centred coordinates in half the longer side, where the correction's terms
// keep their meaning at every picture size.
struct CentredCoords {
  double cx, cy, s;
  CentredCoords(int w, int h) : cx((w - 1) / 2.0), cy((h - 1) / 2.0), s(std::max(w, h) / 2.0) {}
  explicit CentredCoords(const tbitmap& b) : CentredCoords(b.width, b.height) {}
};

// The correction as the fit sees it, in centred units (u, v):
// v' = (turn u + scale v + shift) / (1 + keystoneH u + keystoneV v),
// u' = (scale u - turn v) / (1 + keystoneH u + keystoneV v).
struct Terms {
  double turn = 0;   // zoom × sin(roll)
  double scale = 1;  // zoom × cos(roll)
  double shift = 0;
  double keystoneH = 0, keystoneV = 0;
};

Terms termsOf(const Correction& c, const CentredCoords& f);
Correction correctionOf(const Terms& t, const CentredCoords& f);
cv::Point2d apply(const Terms& t, const CentredCoords& f, cv::Point2d p);
// The whole-picture matrix of the correction, source pixel to corrected pixel.
cv::Matx33d matrixOf(const Correction& c, const CentredCoords& f);
// How far the correction moves the farthest pixel of a w x h picture.
double largestMove(const Terms& t, const CentredCoords& f, int w, int h);

// One point seen in both pictures, whole-picture pixels.
struct Match {
  cv::Point2d left, right;
};

// Vertical residual in pixels of the right point carried onto the left row.
double residual(const Terms& t, const CentredCoords& f, const Match& m, double dy);
