#pragma once
// The anaglyph weights that the store keeps and the compositions use.
#include <cstdint>

// Anaglyph weights of one picture's brightness in red, green, blue.
struct ColourWeights {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
  friend bool operator==(const ColourWeights&, const ColourWeights&) = default;
};
