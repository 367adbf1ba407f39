#pragma once
// Position files: 8 bytes beside the right picture, the vertical offset then
// the horizontal position, signed 32-bit little-endian.
#include <cstdint>
#include <optional>
#include <string>

struct tposition {
  std::int32_t dx = 0;  // rightOffsetX
  std::int32_t dy = 0;  // rightOffsetY
  friend bool operator==(const tposition&, const tposition&) = default;
};

// The right picture's name with the extension of its file name (from the last
// '.' after the last '/') replaced by ".POS", or ".POS" appended.
std::string posFileName(const std::string& rightFileName);
// nullopt when the file is missing, unreadable or shorter than 8 bytes.
std::optional<tposition> readPosition(const std::string& posPath);
// Replaces the file atomically; a failure is quiet (false).
bool writePosition(const std::string& posPath, tposition p);
