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
#include <optional>
#include <span>
#include <string>

#include "image/colour.h"
#include "stereo/anaglyphmethod.h"
#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"
#include "platform/source.h"

// Written in the format of the path's extension where savedInRows (quality:
// JPEG's; exif: the source's, as savePictureRows takes it). The position
// need not fit: it is refused with kPositionDoesNotFit.
Status writeAnaglyphRows(const std::string& path, int quality, PictureReader& left, PictureReader& right,
                         std::int32_t dx, std::int32_t dy, AnaglyphMethod method, ColourWeights leftColour,
                         ColourWeights rightColour, std::span<const std::uint8_t> exif = {});
// The left picture (or, with rightPicture, the right one) cut to the region
// common to both.
Status writeAlignedRows(const std::string& path, int quality, PictureReader& left, PictureReader& right,
                        std::int32_t dx, std::int32_t dy, bool rightPicture,
                        std::span<const std::uint8_t> exif = {});
// The rows of the left picture passed over, then error: for a right picture
// refused at opening.
Status refuseAfterRows(PictureReader& left, Error error);

// The rows of a picture in memory, for the same writers; the picture outlives the reader.
std::unique_ptr<PictureReader> bitmapRows(const tbitmap& picture);

// Two 24-bit BMP files straight to a BMP anaglyph of the custom weights: the
// rows composed as the files store them (blue, green, red), bands of rows on
// every core, the same file writeAnaglyphRows gives. nullopt where it does not
// apply (other depths, files the BMP reader refuses, a position that does not
// fit): the rows route then reports what it finds.
std::optional<Status> writeBmpAnaglyphFiles(const std::string& path, const ByteSource& left,
                                            const ByteSource& right, std::int32_t dx, std::int32_t dy,
                                            ColourWeights leftColour, ColourWeights rightColour);
