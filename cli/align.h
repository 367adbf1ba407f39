#pragma once
// The align command and the position options every pair command takes.
#include <cstdint>
#include <optional>

#include "depth/depth.h"
#include "platform/result.h"
#include "workspace/workspace.h"

struct PositionOptions {
  std::optional<std::int32_t> dx, dy;
  bool autoAlign = false;
  bool swap = false;
  bool noCorrect = false;     // the whole-pixel position alone, no correction of the right picture
  bool matchColours = false;  // the right picture's colours mapped onto the left's
  double maxDeviation = kDefaultMaxDeviation;  // percent, above which --auto warns
};

// Aligns the workspace's pair and prints the position as "dx dy"; details
// adds one key=value line per correction term, the number of points it
// rests on and the parallax budget; the budget's warnings go to standard
// error. The exit status.
int runAlign(tworkspace& ws, Correcting correcting, bool details, double maxDeviation);

// The pair as the commands compose it: --auto's alignment, else --dx / --dy
// over the opened position (its correction unless --no-correct); the right
// picture's colours matched; then --swap exchanges the two pictures and
// negates the position. Refused when --auto cannot align; --auto prints the
// parallax budget's warnings to standard error.
Status applyPosition(tworkspace& ws, const PositionOptions& options);
