#include "cli/align.h"

#include <cstdio>
#include <iostream>
#include <utility>

#include "align/align.h"
#include "stereo/compose.h"

int runAlign(const tbitmap& left, const tbitmap& right, bool correct, bool details) {
  auto a = alignPair(left, right, correct);
  if (!a) {
    std::cerr << a.error().message << "\n";
    return 1;
  }
  std::cout << a->dx << " " << a->dy << "\n";
  if (details) {
    const Correction& c = a->correction;
    char text[256];
    std::snprintf(text, sizeof text,
                  "roll=%.3f\nzoom=%.5f\nshift=%.3f\nkeystone-vertical=%.6f\nkeystone-horizontal=%.6f\ninliers=%d\n",
                  c.roll, c.zoom, c.shift, c.keystoneV, c.keystoneH, a->inliers);
    std::cout << text;
  }
  return 0;
}

tposition givenPosition(const PositionOptions& options, tposition stored) {
  return {options.dx.value_or(stored.dx), options.dy.value_or(stored.dy),
          options.noCorrect ? Correction{} : stored.correction};
}

bool changesRight(const PositionOptions& options, const tposition& stored) {
  return options.matchColours || !givenPosition(options, stored).correction.none();
}

Result<PreparedPair> preparePair(const PositionOptions& options, tposition stored, const tbitmap& left,
                                 const tbitmap& right) {
  tposition p = givenPosition(options, stored);
  if (options.autoAlign) {
    auto a = alignPair(left, right, !options.noCorrect);
    if (!a) return a.error();
    p = {a->dx, a->dy, a->correction};
  }
  PreparedPair pair{&left, &right, p.dx, p.dy, nullptr};
  if (!p.correction.none() || options.matchColours) {
    pair.changed = std::make_unique<tbitmap>(correctedPicture(right, p.correction));
    if (options.matchColours) matchColours(left, *pair.changed, p.dx, p.dy);
    pair.right = pair.changed.get();
  }
  if (options.swap) {
    std::swap(pair.left, pair.right);
    pair.dx = negatePosition(pair.dx);
    pair.dy = negatePosition(pair.dy);
  }
  return pair;
}
