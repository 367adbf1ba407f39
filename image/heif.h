#pragma once
// HEIF files (phones' and headsets' HEIC photos) through libheif. A file
// whose 'ster' entity group names two image items is a stereo file, the
// group's first entity the left view; any other is the one picture of its
// primary item.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"
#include "platform/source.h"

extern const PictureDecoder heifDecoder;

// Whether the file at path is a HEIF file with a stereo group, by its boxes
// alone (the items it names are not looked at).
bool isStereoHeifFile(const std::string& path);

// The TIFF block of the left view's EXIF (the primary item's, for a single
// picture); empty when there is none or the file cannot be read.
std::vector<std::uint8_t> heifExif(const ByteSource& source);

// A spatial photo: both views as HEVC items of that quality (1..100, lossy),
// the left primary, each with the source's EXIF (a TIFF block, or none) made
// fit for it, and a 'ster' group of the two.
Result<std::vector<std::uint8_t>> encodeHeic(const tbitmap& left, const tbitmap& right, int quality,
                                             std::span<const std::uint8_t> exif = {});
