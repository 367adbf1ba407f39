#include "stereo/matchcolours.h"

#include <array>

#include "stereo/compose.h"

void matchColours(const tbitmap& left, tbitmap& right, std::int32_t dx, std::int32_t dy) {
  const Overlap o = pairOverlap(dx, dy, left, right);
  if (o.w <= 0 || o.h <= 0) return;
  std::array<std::array<double, 256>, 3> hl{}, hr{};
  for (int y = 0; y < o.h; ++y) {
    const tpixel* a = left.row(o.leftY + y) + o.leftX;
    const tpixel* b = right.row(o.rightY + y) + o.rightX;
    for (int x = 0; x < o.w; ++x) {
      ++hl[0][a[x].red], ++hl[1][a[x].green], ++hl[2][a[x].blue];
      ++hr[0][b[x].red], ++hr[1][b[x].green], ++hr[2][b[x].blue];
    }
  }
  std::array<std::array<std::uint8_t, 256>, 3> lut{};
  for (int c = 0; c < 3; ++c) {
    // Each right level goes to the left level whose cumulative share first
    // reaches the middle of the right level's share.
    double below = 0, reached = 0;
    int to = 0;
    for (int v = 0; v < 256; ++v) {
      const double middle = below + hr[c][static_cast<std::size_t>(v)] / 2;
      while (to < 255 && reached + hl[c][static_cast<std::size_t>(to)] < middle)
        reached += hl[c][static_cast<std::size_t>(to++)];
      lut[static_cast<std::size_t>(c)][static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(to);
      below += hr[c][static_cast<std::size_t>(v)];
    }
  }
  for (int y = 0; y < right.height; ++y)
    for (tpixel* p = right.row(y); p != right.row(y) + right.width; ++p)
      *p = tpixel(lut[0][p->red], lut[1][p->green], lut[2][p->blue]);
}
