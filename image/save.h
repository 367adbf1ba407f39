#pragma once
// Pictures written in the format their name's extension asks for.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/bmp.h"
#include "image/mpo.h"
#include "image/tbitmap.h"
#include "platform/files.h"
#include "platform/result.h"

// By lowerExtension (platform/files.h).
bool isStereoName(const std::string& name);     // ".mpo" or ".jps"
bool isAnimationName(const std::string& name);  // ".webp" or ".gif"

// What the photo a picture is made from says beyond its pixels, kept in the
// files made from it that can hold it (JPEG, MPO, JPS and PNG; not BMP).
struct SourceFacts {
  std::vector<std::uint8_t> exif;  // the TIFF block of its EXIF; empty: none
  MpoAttributes stereo;            // a twin-lens camera's geometry
};
// Those of the JPEG (its first image) at path; none for any other file or
// one that cannot be read.
SourceFacts readSourceFacts(const std::string& path);

// ".jpg"/".jpeg" JPEG of that quality, ".png" PNG, anything else a 24-bit
// BMP. Written atomically; error: one line naming the file.
Status savePicture(const tbitmap& picture, const std::string& path, int quality,
                   std::span<const std::uint8_t> exif = {});
// Whether savePictureRows writes the format the name asks for (BMP, JPEG).
bool savedInRows(const std::string& path);
// How rows may be read: top to bottom on one thread, or any band of them from
// several threads at once (a JPEG is then encoded on every core,
// image/jpeg.h's writeJpegBands).
enum class RowReading { InTurn, AnyBand };
// The file savePicture gives, written as the rows come (image/bmp.h).
Status savePictureRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                       std::span<const std::uint8_t> exif, const BmpRowSource& rows,
                       RowReading reading = RowReading::InTurn);
// A pair as one ".jps" file, else as an MPO.
Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
                         const SourceFacts& facts = {});
// Frames of one size shown in turn forever, delayMs each, as an animated
// WebP (lossy of that quality when given, else lossless) or GIF by the name's
// extension (image/animation.h). Written atomically.
Status saveAnimation(std::span<const tbitmap* const> frames, const std::string& path, int delayMs,
                     std::optional<int> quality);
