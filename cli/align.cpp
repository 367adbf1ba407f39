#include "cli/align.h"

#include <iostream>
#include <utility>

#include "align/align.h"
#include "stereo/compose.h"

int runAlign(const tbitmap& left, const tbitmap& right) {
  auto a = alignPair(left, right);
  if (!a) {
    std::cerr << a.error().message << "\n";
    return 1;
  }
  std::cout << a->dx << " " << a->dy << "\n";
  return 0;
}

tposition givenPosition(const PositionOptions& options, tposition stored) {
  return {options.dx.value_or(stored.dx), options.dy.value_or(stored.dy)};
}

Result<tposition> pairPosition(const PositionOptions& options, tposition stored, const tbitmap*& left,
                               const tbitmap*& right) {
  tposition p = givenPosition(options, stored);
  if (options.autoAlign) {
    auto a = alignPair(*left, *right);
    if (!a) return a.error();
    p = {a->dx, a->dy};
  }
  if (options.swap) {
    std::swap(left, right);
    p = {negatePosition(p.dx), negatePosition(p.dy)};
  }
  return p;
}
