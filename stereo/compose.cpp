#include "stereo/compose.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "stereo/anaglyphrows.h"

namespace {

int clampToInt(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

constexpr std::int64_t kMaxOutputPixels = std::int64_t{1} << 28;

struct textent {
  double scale, width, height;
  bool refused() const {
    return width > INT32_MAX || height > INT32_MAX || width * height > static_cast<double>(kMaxOutputPixels);
  }
};

// The side-by-side picture of an overlap w x h whose first picture is aWidth wide.
textent sideBySideExtent(int aWidth, int w, int h, std::uint32_t viewSize, std::int32_t imageSpacing) {
  const double space = imageSpacing;
  const double s = static_cast<float>(static_cast<double>(viewSize) / aWidth);
  return {s, 2.0 * w * s + 3.0 * space, h * s + 2.0 * space};
}

}  // namespace

// -INT32_MIN does not exist; such a position never fits, so any value that
// does not fit either keeps the result the same.
std::int32_t negatePosition(std::int32_t v) { return v == INT32_MIN ? INT32_MAX : -v; }

Overlap pairOverlap(std::int32_t dx, std::int32_t dy, const PictureHeader& left, const PictureHeader& right) {
  const std::int64_t lx = std::max<std::int64_t>(0, -std::int64_t{dx});
  const std::int64_t ly = std::max<std::int64_t>(0, -std::int64_t{dy});
  const std::int64_t rx = std::max<std::int64_t>(0, dx);
  const std::int64_t ry = std::max<std::int64_t>(0, dy);
  Overlap o;
  o.leftX = clampToInt(lx);
  o.leftY = clampToInt(ly);
  o.rightX = clampToInt(rx);
  o.rightY = clampToInt(ry);
  o.w = clampToInt(std::min(left.width - lx, right.width - rx));
  o.h = clampToInt(std::min(left.height - ly, right.height - ry));
  return o;
}

bool positionFits(std::int32_t dx, std::int32_t dy, const PictureHeader& left, const PictureHeader& right) {
  const std::int64_t ax = dx < 0 ? -std::int64_t{dx} : dx;
  const std::int64_t ay = dy < 0 ? -std::int64_t{dy} : dy;
  return ax <= left.width && ax <= right.width && ay <= left.height && ay <= right.height;
}

namespace {
PictureHeader sizeOf(const tbitmap& p) { return {p.width, p.height, 1}; }
}  // namespace

Overlap pairOverlap(std::int32_t dx, std::int32_t dy, const tbitmap& left, const tbitmap& right) {
  return pairOverlap(dx, dy, sizeOf(left), sizeOf(right));
}

bool positionFits(std::int32_t dx, std::int32_t dy, const tbitmap& left, const tbitmap& right) {
  return positionFits(dx, dy, sizeOf(left), sizeOf(right));
}

namespace {

// The checks of every side-by-side picture; its extent when it is built.
Result<textent> sideBySideExtent(const tbitmap& a, const tbitmap& b, std::int32_t dx, std::int32_t dy,
                                 std::uint32_t viewSize, std::int32_t imageSpacing) {
  // A viewing size above INT32_MAX is a negative number in the profile.
  if (a.width <= 0 || viewSize == 0 || viewSize > INT32_MAX || imageSpacing < 0)
    return Error{kViewSettingsOutOfRange};
  if (!positionFits(dx, dy, a, b)) return Error{kPositionDoesNotFit};
  const Overlap o = pairOverlap(dx, dy, a, b);
  const textent e = sideBySideExtent(a.width, o.w, o.h, viewSize, imageSpacing);
  // An empty overlap at in-range settings is an empty picture, not an error.
  if (e.refused()) return Error{kViewSettingsOutOfRange};
  return e;
}

// Of blocks starting at bounds[i] and ending at bounds[i + 1], the first one a
// window from 0 on needs: the first that ends past 0, or the first that
// starts at 0, where a reduction keeps the topmost of those.
int firstSeen(const std::vector<int>& bounds) {
  const auto starting = std::lower_bound(bounds.begin(), bounds.end() - 1, 0) - bounds.begin();
  const auto reaching = std::upper_bound(bounds.begin() + 1, bounds.end(), 0) - bounds.begin() - 1;
  return static_cast<int>(std::min(starting, reaching));
}

}  // namespace

Result<TSize> sideBySideSize(const tbitmap& a, const tbitmap& b, std::int32_t dx, std::int32_t dy,
                             std::uint32_t viewSize, std::int32_t imageSpacing) {
  auto e = sideBySideExtent(a, b, dx, dy, viewSize, imageSpacing);
  if (!e) return e.error();
  return TSize{static_cast<int>(e->width), static_cast<int>(e->height)};
}

Result<std::unique_ptr<tbitmap>> buildSideBySide(const tbitmap& a, const tbitmap& b, std::int32_t dx,
                                                 std::int32_t dy, std::uint32_t viewSize,
                                                 std::int32_t imageSpacing, PictureWindow window) {
  auto extent = sideBySideExtent(a, b, dx, dy, viewSize, imageSpacing);
  if (!extent) return extent.error();
  const Overlap o = pairOverlap(dx, dy, a, b);
  const int w = o.w, h = o.h;
  const double space = imageSpacing;
  const double s = extent->scale;
  // Output pixel (x, y) is the picture's (x + ox, y + oy).
  const int ox = std::clamp(window.x, 0, static_cast<int>(extent->width));
  const int oy = std::clamp(window.y, 0, static_cast<int>(extent->height));
  auto out = std::make_unique<tbitmap>(std::clamp(window.w, 0, static_cast<int>(extent->width) - ox),
                                       std::clamp(window.h, 0, static_cast<int>(extent->height) - oy));
  const int W = out->width, H = out->height;
  if (W == 0 || H == 0) return out;  // no rows to copy
  out->fillRect(0, 0, W, H, 255, 255, 255);

  // Block bounds in the window's pixels: entry i is where source column / row
  // i starts, i = w / h its end.
  auto bound = [&](double base, std::int64_t i, int origin) {
    return static_cast<int>(base + static_cast<double>(i) * s) - origin;
  };
  std::vector<int> colA(w + 1), colB(w + 1), rowY(h + 1);
  for (int x = 0; x <= w; ++x) {
    colA[x] = bound(space, x, ox);
    colB[x] = bound(2.0 * space, std::int64_t{w} + x, ox);
  }
  for (int y = 0; y <= h; ++y) rowY[y] = bound(space, y, oy);
  // Source columns and rows left of and above the window write nothing.
  const int firstX = std::min(firstSeen(colA), firstSeen(colB)), firstY = firstSeen(rowY);

  auto sourceA = [&](int y) { return a.row(o.leftY + y) + o.leftX; };
  auto sourceB = [&](int y) { return b.row(o.rightY + y) + o.rightX; };

  if (s > 1) {
    // Enlarging: the blocks of one sequence tile without overlap, so the write
    // order does not matter; one output row per source row, copied down its block.
    for (int y = firstY; y < h && rowY[y] < H; ++y) {
      const int top = std::clamp(rowY[y], 0, H), bottom = std::clamp(rowY[y + 1], 0, H);
      if (top >= bottom) continue;
      tpixel* dst = out->row(top);
      const tpixel* pa = sourceA(y);
      const tpixel* pb = sourceB(y);
      for (int x = firstX; x < w && (colA[x] < W || colB[x] < W); ++x) {
        std::fill(dst + std::clamp(colA[x], 0, W), dst + std::clamp(colA[x + 1], 0, W), pa[x]);
        std::fill(dst + std::clamp(colB[x], 0, W), dst + std::clamp(colB[x + 1], 0, W), pb[x]);
      }
      for (int r = top + 1; r < bottom; ++r)
        std::memcpy(out->row(r), dst, static_cast<std::size_t>(W) * sizeof(tpixel));
    }
    return out;
  }

  // Reducing: rows are written from the bottom up and every source row of one
  // output row writes the same output pixels, so only the topmost source row
  // of each output row survives. Within a row the write order (columns left
  // to right, A before B) decides, as the last write wins.
  for (int y = firstY; y < h && rowY[y] < H; ++y) {
    if (y > 0 && rowY[y] == rowY[y - 1]) continue;
    const int oyRow = rowY[y];
    const tpixel* pa = sourceA(y);
    const tpixel* pb = sourceB(y);
    for (int x = firstX; x < w && (colA[x] < W || colB[x] < W); ++x) {
      out->setPixel(colA[x], oyRow, pa[x]);
      out->setPixel(colB[x], oyRow, pb[x]);
    }
  }
  return out;
}

Result<std::unique_ptr<tbitmap>> buildCrossed(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                              std::int32_t dy, std::uint32_t viewSize,
                                              std::int32_t imageSpacing, PictureWindow window) {
  const tbitmap *first = &left, *second = &right;
  swapSides(first, second, dx, dy);
  return buildSideBySide(*first, *second, dx, dy, viewSize, imageSpacing, window);
}

std::uint32_t largestViewSize(const tbitmap& a, const tbitmap& b, std::int32_t dx, std::int32_t dy,
                              std::int32_t imageSpacing, int maxWidth, int maxHeight) {
  if (a.width <= 0 || imageSpacing < 0 || !positionFits(dx, dy, a, b)) return 1;
  const Overlap o = pairOverlap(dx, dy, a, b);
  auto fits = [&](std::uint32_t v) {
    const textent e = sideBySideExtent(a.width, o.w, o.h, v, imageSpacing);
    return !e.refused() && static_cast<int>(e.width) <= maxWidth && static_cast<int>(e.height) <= maxHeight;
  };
  // The extent grows with the view size: the last that fits, by halving.
  std::uint32_t lo = 1, hi = INT32_MAX;
  if (!fits(lo)) return 1;
  while (lo < hi) {
    const std::uint32_t mid = lo + (hi - lo + 1) / 2;
    if (fits(mid))
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}
