// The pair views: the composed picture at 1:1 or fitted to the client area,
// or the centred position text when the position does not fit; the
// right-button drag of the anaglyph view and the arrow keys.
#include <algorithm>
#include <cmath>
#include <string>

#include "image/reduce.h"
#include "platform/parallel.h"
#include "stereo/methods.h"
#include "ui/pending.h"
#include "ui/tmywindow.h"

namespace {

// (client - extent) * 0.5, truncated toward zero: a text wider than the
// client area starts left of it and is clipped.
void textCentred(TDC& dc, const TRect& client, const std::string& text) {
  const TSize extent = dc.getTextExtent(text);
  const int x = static_cast<int>((client.width() - extent.cx) * 0.5);
  const int y = static_cast<int>((client.height() - extent.cy) * 0.5);
  dc.textOut(x, y, text);
}

// A few pixels along the diagonal: with the size, enough to tell a new
// picture that happens to reuse an old one's address.
std::uint64_t fingerprint(const tbitmap& b) {
  std::uint64_t h = (static_cast<std::uint64_t>(b.width) << 32) ^ static_cast<std::uint32_t>(b.height);
  for (int i = 0; i < 64; ++i) {
    const tpixel p = b.pixel(static_cast<int>(std::int64_t{b.width - 1} * i / 63),
                             static_cast<int>(std::int64_t{b.height - 1} * i / 63));
    h = h * 1099511628211u ^ (p.red | p.green << 8 | p.blue << 16);
  }
  return h;
}

// Toward zero, so |v| <= limit keeps |scaled(v)| <= scaled(limit).
std::int32_t scaled(std::int32_t v, double s) { return static_cast<std::int32_t>(v * s); }

}  // namespace

std::unique_ptr<tbitmap> tpairview::reducedForFit(const tbitmap& picture, double scale) {
  return reduceByArea(picture, std::max(1, scaled(picture.width, scale)), std::max(1, scaled(picture.height, scale)));
}

const tbitmap& tpairview::treduced::of(const tbitmap& src, double scale) {
  const int w = std::max(1, scaled(src.width, scale)), h = std::max(1, scaled(src.height, scale));
  const std::uint64_t print = fingerprint(src);
  if (!picture || source != &src || sourcePrint != print || picture->width != w || picture->height != h) {
    picture = reducedForFit(src, scale);
    source = &src;
    sourcePrint = print;
  }
  return *picture;
}

void tpairview::adoptReduced(const tbitmap& left, std::unique_ptr<tbitmap> leftReduced, const tbitmap& right,
                             std::unique_ptr<tbitmap> rightReduced) {
  leftReduced_ = {&left, fingerprint(left), std::move(leftReduced)};
  rightReduced_ = {&right, fingerprint(right), std::move(rightReduced)};
}

double tpairview::fitScale(const TRect& client, std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return 1;
  return std::min({1.0, static_cast<double>(client.width()) / width, static_cast<double>(client.height()) / height});
}

double tpairview::fitScale() const { return w_.leftImage ? fitScale(*w_.leftImage) : 1; }

double tpairview::fitScale(const tbitmap& left) const {
  return w_.fitToWindow ? fitScale(w_.getClientRect(), left.width, left.height) : 1;
}

void tpairview::paint(TDC& dc) {
  // A photo still decoding shows its reduced views where the full ones will be.
  if (const tpendingpair* p = w_.pendingPair()) {
    const int d = p->preview.denominator;
    paintPair(dc, *p->preview.views.left, *p->preview.views.right, p->dx / d, p->dy / d);
    return;
  }
  if (!w_.leftImage || !w_.rightImage) return;
  paintPair(dc, *w_.leftImage, *w_.rightImage, w_.rightOffsetX, w_.rightOffsetY);
}

void tpairview::paintPair(TDC& dc, const tbitmap& leftPicture, const tbitmap& rightPicture, std::int32_t dx,
                          std::int32_t dy) {
  const TRect client = w_.getClientRect();
  if (!::positionFits(dx, dy, leftPicture, rightPicture)) {
    textCentred(dc, client,
                "Change position of right picture: (" + std::to_string(dx) + ", " + std::to_string(dy) + ")");
    return;
  }
  const tbitmap* left = &leftPicture;
  const tbitmap* right = &rightPicture;
  if (w_.viewMode == ViewMode::Anaglyph) {
    // Fitted: the anaglyph of the two pictures reduced alike, so a drag
    // recomposes only the reduced pixels.
    if (const double s = fitScale(leftPicture); s < 1) {
      left = &leftReduced_.of(*left, s);
      right = &rightReduced_.of(*right, s);
      dx = scaled(dx, s);
      dy = scaled(dy, s);
    }
    // At the common region's top-left in the right picture, so the anaglyph
    // follows the right picture while it is dragged.
    // Only what the client area shows is composed: a drag over a large pair
    // recomposes a window's worth of pixels, not the whole picture.
    // Straight into the device, in bands of rows side by side: the region
    // starts at or right of the client's origin and is clamped to it, so a
    // frame allocates nothing.
    const int x0 = std::max(dx, 0), y0 = std::max(dy, 0);
    const Overlap o = pairOverlap(dx, dy, *left, *right);
    const int w = std::clamp(client.width() - x0, 0, o.w), h = std::clamp(client.height() - y0, 0, o.h);
    const AnaglyphMethodRows rows(w_.anaglyphMethod, w_.leftColour, w_.rightColour);
    static_assert(sizeof(tpixel) == 3);  // r, g, b bytes, as the device holds them
    inBands(h, [&](int first, int end) {
      for (int y = first; y < end; ++y)
        if (auto* out = reinterpret_cast<tpixel*>(dc.pixelRun(x0, y0 + y, w)))
          rows.compose(left->row(o.leftY + y) + o.leftX, right->row(o.rightY + y) + o.rightX, out, w);
    });
    return;
  }
  const bool parallel = w_.viewMode == ViewMode::Parallel;
  if (!parallel) {  // the right picture first, the position negated
    std::swap(left, right);
    dx = -dx;
    dy = -dy;
  }
  const std::uint32_t viewSize = w_.fitToWindow ? largestViewSize(*left, *right, dx, dy, w_.imageSpacing,
                                                                  client.width(), client.height())
                                                : w_.viewSize;
  auto picture =
      buildSideBySide(*left, *right, dx, dy, viewSize, w_.imageSpacing, client.width(), client.height());
  if (picture)
    (*picture)->drawTo(dc, 0, 0);
  else
    textCentred(dc, client, picture.error().message);
}

void tpairview::keyDown(unsigned key, unsigned flags) {
  const std::int32_t step = flags & MK_SHIFT ? 10 : 1;
  std::int32_t* offset = key == VK_LEFT || key == VK_RIGHT ? &w_.rightOffsetX
                         : key == VK_UP || key == VK_DOWN  ? &w_.rightOffsetY
                                                           : nullptr;
  if (!offset) return;
  const std::int64_t moved = std::int64_t{*offset} + (key == VK_LEFT || key == VK_UP ? -step : step);
  *offset = static_cast<std::int32_t>(std::clamp<std::int64_t>(moved, INT32_MIN, INT32_MAX));
  w_.invalidate();
}

void tpairview::lButtonDown(TPoint) { w_.leftButtonDown = true; }

void tpairview::rButtonDown(TPoint p) {
  if (w_.viewMode != ViewMode::Anaglyph) return;
  w_.rightAreaOrigin = {p.x, p.y};
  w_.dragStartOffsetX = w_.rightOffsetX;
  w_.dragStartOffsetY = w_.rightOffsetY;
}

// 64-bit sums wrapped to 32 bits, so a far-off position from a position file
// cannot overflow. Fitted, a client pixel is 1 / scale source pixels.
void tpairview::mouseMove(unsigned flags, TPoint p) {
  if (w_.viewMode != ViewMode::Anaglyph || !(flags & MK_RBUTTON)) return;
  const double s = fitScale();
  auto moved = [s](std::int32_t start, int to, std::int32_t anchor) {
    return static_cast<std::int32_t>(std::int64_t{start} + std::llround((std::int64_t{to} - anchor) / s));
  };
  w_.rightOffsetX = moved(w_.dragStartOffsetX, p.x, w_.rightAreaOrigin.x);
  w_.rightOffsetY = moved(w_.dragStartOffsetY, p.y, w_.rightAreaOrigin.y);
  w_.invalidate();
}
