#include "cli/align.h"

#include <cstdio>
#include <iostream>

int runAlign(tworkspace& ws, Correcting correcting, bool details) {
  ws.setCorrection({});  // the right picture is aligned as read, never resampled first
  auto a = ws.findAlignment(correcting);
  if (!a) {
    std::cerr << a.error().message << "\n";
    return 1;
  }
  std::cout << a->dx << " " << a->dy << "\n";
  if (details) {
    const Correction& c = a->correction;
    char text[256];
    std::snprintf(
        text, sizeof text,
        "roll=%.3f\nzoom=%.5f\nshift=%.3f\nkeystone-vertical=%.6f\nkeystone-horizontal=%.6f\ninliers=%d\n",
        c.roll, c.zoom, c.shift, c.keystoneV, c.keystoneH, a->inliers);
    std::cout << text;
  }
  return 0;
}

Status applyPosition(tworkspace& ws, const PositionOptions& options) {
  if (options.autoAlign) {
    // Matched at the aligned position, in the one resampling the alignment makes.
    ws.setMatchColours(options.matchColours);
    if (auto a = ws.align(options.noCorrect ? Correcting::PositionOnly : Correcting::Corrected); !a)
      return a.error();
  } else {
    ws.setPosition(options.dx.value_or(ws.rightOffsetX()), options.dy.value_or(ws.rightOffsetY()));
    if (options.noCorrect) ws.setCorrection({});
    ws.setMatchColours(options.matchColours);
  }
  if (options.swap) return ws.swap();
  return success();
}
