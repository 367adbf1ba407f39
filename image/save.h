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

// What the photo a picture is made from says beyond its pixels, kept in the
// files made from it that can hold it (JPEG, MPO, JPS, HEIC and PNG; not BMP).
struct SourceFacts {
  std::vector<std::uint8_t> exif;  // the TIFF block of its EXIF; empty: none
  MpoAttributes stereo;            // a twin-lens camera's geometry
};
// Those of the JPEG (its first image) or the HEIF file (its left view) at
// path; none for any other file or one that cannot be read.
SourceFacts readSourceFacts(const std::string& path);

// How rows may be read: top to bottom on one thread, or any band of them from
// several threads at once (a JPEG is then encoded on every core,
// image/jpeg.h's writeJpegBands).
enum class RowReading { InTurn, AnyBand };

// The formats pictures are written in, one row each, picked by the name's
// extension (lowerExtension, platform/files.h). Each writes atomically; an
// error is one line naming the file.
struct OutputFormat {
  const char* extension;  // lower case, with its '.'
  const char* label;      // as file dialogs and help name it
  // One picture; null where the format holds only a pair or frames.
  Status (*save)(const tbitmap& picture, const std::string& path, int quality, std::span<const std::uint8_t> exif);
  // The same file written as the rows come (image/bmp.h); null: not streamed.
  Status (*saveRows)(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                     std::span<const std::uint8_t> exif, const BmpRowSource& rows, RowReading reading);
  // Both views of a pair in one file; null: not a stereo format.
  Status (*savePair)(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
                     const SourceFacts& facts);
  // Frames of one size shown in turn forever (image/animation.h); null: not an animation.
  Status (*saveFrames)(std::span<const tbitmap* const> frames, const std::string& path, int delayMs,
                       std::optional<int> quality);
};
std::span<const OutputFormat> outputFormats();
// The row of the name's extension; null for an extension of none.
const OutputFormat* outputFormatOf(const std::string& name);
bool isStereoName(const std::string& name);     // a format that holds a pair
bool isAnimationName(const std::string& name);  // a format of frames

// One picture in the format of the name; a 24-bit BMP for a name of no
// format that holds one picture.
Status savePicture(const tbitmap& picture, const std::string& path, int quality,
                   std::span<const std::uint8_t> exif = {});
// Whether savePictureRows writes the format the name asks for.
bool savedInRows(const std::string& path);
// Whether savePicture writes a BMP for that name.
bool savedAsBmp(const std::string& path);
// The file savePicture gives, written as the rows come (image/bmp.h).
Status savePictureRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                       std::span<const std::uint8_t> exif, const BmpRowSource& rows,
                       RowReading reading = RowReading::InTurn);
// A pair in the stereo format of the name, else as an MPO.
Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
                         const SourceFacts& facts = {});
// Frames of one size shown in turn forever, delayMs each, as an animated
// GIF by the name, else a WebP (lossy of that quality when given, else
// lossless).
Status saveAnimation(std::span<const tbitmap* const> frames, const std::string& path, int delayMs,
                     std::optional<int> quality);
