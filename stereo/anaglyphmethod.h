#pragma once
// The anaglyph methods by name: what the profile, the command line and the
// dialogs choose between.
#include <array>
#include <optional>
#include <string_view>

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
