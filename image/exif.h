#pragma once
// A source photo's EXIF, carried into the pictures made from it, and the
// camera facts in it that we use.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/jpeg.h"

inline constexpr std::uint8_t kExifId[] = {'E', 'x', 'i', 'f', 0, 0};  // starts the APP1 segment

// The TIFF block of the APP1 "Exif" segment among segments, in place.
std::optional<std::span<const std::uint8_t>> exifBytes(const std::vector<JpegSegment>& segments);

// A copy of a source's block for a picture of width x height made from it:
// Orientation 1 (the pixels are stored as shown), PixelXDimension and
// PixelYDimension the new size, no thumbnail. Every other byte, maker notes
// included, stays where it was, so offsets into it keep their meaning.
// Empty when the block is not a TIFF block.
std::vector<std::uint8_t> exifForPicture(std::span<const std::uint8_t> source, std::int32_t width,
                                         std::int32_t height);

// The parallax a Fujifilm twin-lens camera records in its maker notes (in
// its second image), in percent of the width; nullopt for any other block.
std::optional<double> fujifilmParallax(std::span<const std::uint8_t> exif);

// When and with what the photo was taken, for a caption: the date
// (DateTimeOriginal, else DateTime) as "YYYY-MM-DD HH:MM:SS" and the camera
// (Make and Model, the make once where the model starts with it), joined by
// " · "; either alone where the other is missing, empty where both are.
// Bytes outside printable ASCII show as '?'.
std::string exifCaption(std::span<const std::uint8_t> exif);
