#pragma once
// The exports binoxa-cli writes a block of rows at a time, never holding the
// pictures or the output whole.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "cli/align.h"
#include "image/picture.h"
#include "platform/result.h"
#include "stereo/export.h"

// The anaglyph (any method) and the aligned pictures, as BMP or JPEG.
bool writtenFromRows(ExportKind kind);
// One of those from two picture files to output (a BMP or JPEG name,
// extension completed), both decoded at once, with the messages and exit
// cases of reading both whole; the position as preparePair gives it without
// --auto. nullopt: a stereo file is among them, to be read whole by the caller.
std::optional<Status> exportFromFiles(ExportKind kind, const std::string& leftPath,
                                      const std::string& rightPath, const PositionOptions& options,
                                      tposition stored, const ExportSettings& settings,
                                      const std::string& output, int quality,
                                      std::span<const std::uint8_t> exif);
// The same pictures from rows read elsewhere: the readers start at their
// first row. exif: the source's, for a JPEG.
Status writeRows(ExportKind kind, PictureReader& left, PictureReader& right, std::int32_t dx, std::int32_t dy,
                 const ExportSettings& settings, const std::string& path, int quality,
                 std::span<const std::uint8_t> exif = {});
