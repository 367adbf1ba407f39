#pragma once
// Where the main frame goes on the screen: its rectangle (the frame's outer
// edges, in screen pixels) and whether it is maximised.
#include <optional>
#include <vector>

#include "platform/types.h"

struct FramePlacement {
  TRect rect;
  bool maximised = false;
};

// The frame's first place: the saved one when its rectangle lies wholly in
// one of the work areas, else centred in the first work area at most 90 % of
// it in each direction (a saved size that fits is kept). The first work area
// is the primary screen's.
FramePlacement firstPlacement(const std::vector<TRect>& workAreas, const std::optional<FramePlacement>& saved);
