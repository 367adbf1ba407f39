#pragma once
// Colour settings that the store keeps and the compositions use.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// Anaglyph weights of one picture's brightness in red, green, blue.
struct ColourWeights {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
  friend bool operator==(const ColourWeights&, const ColourWeights&) = default;
};

// How the anaglyph is composed: the six weights, or a fixed colour matrix.
enum class AnaglyphMethod {
  Custom,  // the weights over each picture's brightness
  True,
  Gray,
  Colour,
  HalfColour,
  DuboisRedCyan,
  DuboisGreenMagenta,
  DuboisAmberBlue,
};
inline constexpr std::array<AnaglyphMethod, 8> kAnaglyphMethods = {AnaglyphMethod::Custom,
                                                                   AnaglyphMethod::True,
                                                                   AnaglyphMethod::Gray,
                                                                   AnaglyphMethod::Colour,
                                                                   AnaglyphMethod::HalfColour,
                                                                   AnaglyphMethod::DuboisRedCyan,
                                                                   AnaglyphMethod::DuboisGreenMagenta,
                                                                   AnaglyphMethod::DuboisAmberBlue};

// The name in the profile and on the command line: "custom", "half-colour" ...
const char* methodName(AnaglyphMethod m);
// The text the Options dialog shows: "Custom weights", "Dubois red-cyan" ...
const char* methodLabel(AnaglyphMethod m);
std::optional<AnaglyphMethod> methodByName(std::string_view name);
