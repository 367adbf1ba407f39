#include "cli/align.h"

#include <cstdio>
#include <iostream>

namespace {

// The budget of the pair at (dx, dy), its warnings on standard error; none
// when nothing matches.
std::optional<ParallaxBudget> budgetOf(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                       std::int32_t dy, double maxDeviation) {
  auto map = disparityMap(left, right, dx, dy, MapDetail::Coarse);
  if (!map) return std::nullopt;
  auto budget = parallaxBudget(*map, dx);
  if (!budget) return std::nullopt;
  // One write per line: the pairs of a batch report from several threads.
  for (const std::string& line : parallaxWarnings(*budget, maxDeviation)) std::cerr << line + "\n";
  return *budget;
}

}  // namespace

int runAlign(tworkspace& ws, Correcting correcting, bool details, double maxDeviation) {
  ws.setCorrection({});  // the right picture is aligned as read, never resampled first
  auto a = ws.findAlignment(correcting);
  if (!a) {
    std::cerr << a.error().message << "\n";
    return 1;
  }
  std::cout << a->dx << " " << a->dy << "\n";
  const tbitmap corrected = correctedPicture(*ws.rightImage(), a->correction);
  const auto budget = budgetOf(*ws.leftImage(), corrected, a->dx, a->dy, maxDeviation);
  if (details) {
    const Correction& c = a->correction;
    char text[256];
    std::snprintf(
        text, sizeof text,
        "roll=%.3f\nzoom=%.5f\nshift=%.3f\nkeystone-vertical=%.6f\nkeystone-horizontal=%.6f\ninliers=%d\n",
        c.roll, c.zoom, c.shift, c.keystoneV, c.keystoneH, a->inliers);
    std::cout << text;
    if (budget) {
      std::snprintf(text, sizeof text, "parallax-near=%.1f\nparallax-far=%.1f\ndeviation=%.2f\n",
                    budget->nearest, budget->farthest, budget->deviation);
      std::cout << text;
    }
  }
  return 0;
}

Status applyPosition(tworkspace& ws, const PositionOptions& options) {
  if (options.autoAlign) {
    // Matched at the aligned position, in the one resampling the alignment makes.
    ws.setMatchColours(options.matchColours);
    if (auto a = ws.align(options.noCorrect ? Correcting::PositionOnly : Correcting::Corrected); !a)
      return a.error();
    (void)budgetOf(*ws.leftImage(), *ws.rightImage(), ws.rightOffsetX(), ws.rightOffsetY(), options.maxDeviation);
  } else {
    ws.setPosition(options.dx.value_or(ws.rightOffsetX()), options.dy.value_or(ws.rightOffsetY()));
    if (options.noCorrect) ws.setCorrection({});
    ws.setMatchColours(options.matchColours);
  }
  if (options.swap) return ws.swap();
  return success();
}
