#include "stereo/anaglyphmethod.h"

#include <iterator>

namespace {

struct Names {
  const char* name;
  const char* label;
};

// In the order of the enumeration.
constexpr Names kNames[] = {
    {"custom", "Custom weights"},
    {"true", "True"},
    {"gray", "Gray"},
    {"colour", "Colour"},
    {"half-colour", "Half colour"},
    {"dubois-red-cyan", "Dubois red-cyan"},
    {"dubois-green-magenta", "Dubois green-magenta"},
    {"dubois-amber-blue", "Dubois amber-blue"},
};
static_assert(std::size(kNames) == kAnaglyphMethods.size());

}  // namespace

const char* methodName(AnaglyphMethod m) { return kNames[static_cast<int>(m)].name; }

const char* methodLabel(AnaglyphMethod m) { return kNames[static_cast<int>(m)].label; }

std::optional<AnaglyphMethod> methodByName(std::string_view name) {
  for (AnaglyphMethod m : kAnaglyphMethods)
    if (name == methodName(m)) return m;
  return std::nullopt;
}
