#pragma once
// Area-averaging reduction: each output pixel is the mean of the source area
// it covers, partly covered source pixels weighted by their share.
#include <memory>

#include "image/tbitmap.h"

// 1 <= width and 1 <= height; a side longer than the source's is enlarged by
// the same rule (an output pixel then covers parts of one or two source pixels).
std::unique_ptr<tbitmap> reduceByArea(const tbitmap& src, int width, int height);
// The picture reduced to width pixels wide, its height in proportion
// (rounded, at least 1); the picture itself when it is not wider or width
// is 0 or less.
std::unique_ptr<tbitmap> reduceToWidth(std::unique_ptr<tbitmap> picture, int width);
