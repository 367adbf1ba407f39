#pragma once
// The anaglyph and the aligned pictures written as their rows are composed
// from the pictures' rows, a block at a time, so memory does not grow with
// the pictures. The readers start at their first row; every row of both is
// read or passed over before the file is kept. Any failure reports what
// reading the left picture whole, then the right one, then writing would
// report first, so a picture that fails part way is refused as when it is
// read whole, and nothing is written.
#include <cstdint>
#include <memory>
#include <string>

#include "image/colour.h"
#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"

// Written in the format of the path's extension where savedInRows (quality:
// JPEG's). The position need not fit: it is refused with kPositionDoesNotFit.
Status writeAnaglyphRows(const std::string& path, int quality, PictureReader& left, PictureReader& right,
                         std::int32_t dx, std::int32_t dy, AnaglyphMethod method, ColourWeights leftColour,
                         ColourWeights rightColour);
// The left picture (or, with rightPicture, the right one) cut to the region
// common to both.
Status writeAlignedRows(const std::string& path, int quality, PictureReader& left, PictureReader& right,
                        std::int32_t dx, std::int32_t dy, bool rightPicture);
// The rows of the left picture passed over, then error: for a right picture
// refused at opening.
Status refuseAfterRows(PictureReader& left, Error error);

// The rows of a picture in memory, for the same writers; the picture outlives the reader.
std::unique_ptr<PictureReader> bitmapRows(const tbitmap& picture);
