#pragma once
// Position files: 8 bytes beside the right picture, the vertical offset then
// the horizontal position, signed 32-bit little-endian. A correction of the
// right picture, when there is one, follows in a block of its own:
//   "BXCR", version (u16, 1), length of the values (u16, 40), roll in degrees,
//   zoom, vertical shift in pixels, vertical keystone, horizontal keystone
//   (IEEE 754 doubles), CRC-32 of the block up to it (u32); all little-endian.
// Eight bytes are no correction, and so is a block that is damaged or of
// another version: readers of the 8 bytes keep working.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "image/correction.h"

struct tposition {
  tposition(std::int32_t x = 0, std::int32_t y = 0, Correction c = {}) : dx(x), dy(y), correction(c) {}
  std::int32_t dx = 0;  // rightOffsetX
  std::int32_t dy = 0;  // rightOffsetY
  Correction correction;
  friend bool operator==(const tposition&, const tposition&) = default;
};

// Where a position is kept: exactCase when a file of that name under another
// letter case belongs to another picture, so it is neither read nor replaced.
struct PosFileName {
  PosFileName(std::string p, bool exact = false) : path(std::move(p)), exactCase(exact) {}
  std::string path;
  bool exactCase;
};

// The right picture's name with the extension of its file name (from the last
// '.' after the last '/') replaced by ".POS", or ".POS" appended.
std::string posFileName(const std::string& rightFileName);
// The position file of the right picture: found ignoring letter case, but one
// spelled like another picture of the folder (cR.POS beside cR.BMP, for CR.BMP)
// is that picture's.
PosFileName positionFileOf(const std::string& rightFileName);
// nullopt when the file is missing, unreadable or shorter than 8 bytes.
std::optional<tposition> readPosition(const PosFileName& posFile);
// Replaces the file atomically; a failure is quiet (false).
bool writePosition(const PosFileName& posFile, tposition p);
// The position a pair opens at: its position file's; else, for the two views
// of one stereo file, the one its camera recorded (a shift of width x
// parallax / 100, image/mpo.h's cameraParallax); else 0 0.
tposition openingPosition(const std::string& leftFileName, const std::string& rightFileName,
                          std::int32_t width);
