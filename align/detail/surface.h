#pragma once
// The nearest surface that dense matching along the rows sees: the subject.
#include "align/detail/rows.h"

// Pixels joined where neighbours' disparities differ by little; of the
// surfaces that cover enough of the picture, the one whose middle disparity
// is the nearest. A mask of the left copy, empty when there is none.
cv::Mat nearestSurface(const RowMatch& m);
