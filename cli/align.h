#pragma once
// The align command and the position options every pair command takes.
#include <cstdint>
#include <optional>

#include "platform/result.h"
#include "workspace/workspace.h"

struct PositionOptions {
  std::optional<std::int32_t> dx, dy;
  bool autoAlign = false;
  bool swap = false;
  bool noCorrect = false;     // the whole-pixel position alone, no correction of the right picture
  bool matchColours = false;  // the right picture's colours mapped onto the left's
};

// Aligns the workspace's pair and prints the position as "dx dy"; details
// adds one key=value line per correction term and the number of points it
// rests on. The exit status.
int runAlign(tworkspace& ws, Correcting correcting, bool details);

// The pair as the commands compose it: --auto's alignment, else --dx / --dy
// over the opened position (its correction unless --no-correct); the right
// picture's colours matched; then --swap exchanges the two pictures and
// negates the position. Refused when --auto cannot align.
Status applyPosition(tworkspace& ws, const PositionOptions& options);
