#pragma once
// Area-averaging reduction: each output pixel is the mean of the source area
// it covers, partly covered source pixels weighted by their share.
#include <memory>

#include "image/tbitmap.h"

// 1 <= width and 1 <= height; a side longer than the source's is enlarged by
// the same rule (an output pixel then covers parts of one or two source pixels).
std::unique_ptr<tbitmap> reduceByArea(const tbitmap& src, int width, int height);
// The part of src width x height pixels from (x, y), which the caller has
// checked lies inside it, reduced to width pixels wide as reduceToWidth
// reduces a copy of it: the same pixels, without the copy.
struct tregion {
  int x = 0, y = 0, width = 0, height = 0;
};
std::unique_ptr<tbitmap> reduceRegionToWidth(const tbitmap& src, tregion part, int width);
// The picture reduced to width pixels wide, its height in proportion
// (rounded, at least 1); the picture itself when it is not wider or width
// is 0 or less.
std::unique_ptr<tbitmap> reduceToWidth(std::unique_ptr<tbitmap> picture, int width);
