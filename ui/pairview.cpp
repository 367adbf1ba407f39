// The pair views: the composed picture zoomed and panned or fitted to the
// client area, or the centred position text when the position does not fit;
// the right-button drag of the anaglyph view and the arrow keys.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image/draw.h"
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
  return reduceByArea(picture, std::max(1, scaled(picture.width, scale)),
                      std::max(1, scaled(picture.height, scale)));
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
  return std::min(
      {1.0, static_cast<double>(client.width()) / width, static_cast<double>(client.height()) / height});
}

double tpairview::fitScale() const { return ws_.leftImage() ? fitScale(*ws_.leftImage()) : 1; }

double tpairview::viewScale() const {
  if (w_.fitToWindow) return fitScale();
  const tzoom z = kZoomSteps[w_.zoomStep];
  return static_cast<double>(z.num) / z.den;
}

double tpairview::fitScale(const tbitmap& left) const {
  return w_.fitToWindow ? fitScale(w_.getClientRect(), left.width, left.height) : 1;
}

void tpairview::paint(TDC& dc) {
  // A photo still decoding shows its reduced views where the full ones will be.
  if (const tpendingpair* p = w_.pendingPair(); p && w_.viewMode != ViewMode::Depth) {
    const int d = p->preview.denominator;
    showPan(paintPair(dc, *p->preview.views.left, *p->preview.views.right, p->dx / d, p->dy / d));
    return;
  }
  const bool pair = ws_.leftImage() && ws_.rightImage();
  if (pair && w_.viewMode == ViewMode::Depth) {
    showPan(paintDepth(dc));
    return;
  }
  if (!pair && w_.paintsWholeClient()) whiteOutside(dc, {});
  showPan(pair ? paintPair(dc, *ws_.leftImage(), *ws_.rightImage(), ws_.rightOffsetX(), ws_.rightOffsetY())
               : TPoint{});
}

// The client white but for the drawn rectangle, row by row.
void tpairview::whiteOutside(TDC& dc, const TRect& drawn) const {
  const TRect client = w_.getClientRect();
  auto white = [&dc](int x, int y, int count) {
    if (std::uint8_t* run = dc.pixelRun(x, y, count))
      std::memset(run, 0xFF, static_cast<std::size_t>(count) * 3);
  };
  for (int y = 0; y < client.height(); ++y) {
    if (y < drawn.top || y >= drawn.bottom) {
      white(0, y, client.width());
    } else {
      white(0, y, drawn.left);
      white(drawn.right, y, client.width() - drawn.right);
    }
  }
}

TPoint tpairview::paintPair(TDC& dc, const tbitmap& leftPicture, const tbitmap& rightPicture, std::int32_t dx,
                            std::int32_t dy) {
  const TRect client = w_.getClientRect();
  if (!::positionFits(dx, dy, leftPicture, rightPicture)) {
    if (w_.paintsWholeClient()) whiteOutside(dc, {});
    textCentred(dc, client,
                "Change position of right picture: (" + std::to_string(dx) + ", " + std::to_string(dy) + ")");
    return {};
  }
  const tbitmap* left = &leftPicture;
  const tbitmap* right = &rightPicture;
  if (w_.viewMode == ViewMode::Anaglyph) {
    // Fitted: the anaglyph of the two pictures reduced alike, so a drag
    // recomposes only the reduced pixels.
    const double s = w_.fitToWindow ? fitScale(leftPicture) : viewScale();
    if (s < 1) {
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
    // frame composes no picture of its own.
    // Zoomed in, each composed pixel is repeated f times each way; the pan
    // moves the zoomed region up and left.
    const int f = s > 1 ? static_cast<int>(s) : 1;
    const Overlap o = pairOverlap(dx, dy, *left, *right);
    const TPoint far{(std::max(dx, 0) + o.w) * f, (std::max(dy, 0) + o.h) * f};
    const TPoint most{std::max(0, far.x - client.width()), std::max(0, far.y - client.height())};
    w_.pan = {std::clamp(w_.pan.x, 0, most.x), std::clamp(w_.pan.y, 0, most.y)};
    const int x0 = std::max(dx, 0) * f - w_.pan.x, y0 = std::max(dy, 0) * f - w_.pan.y;
    const int xa = std::max(x0, 0), ya = std::max(y0, 0);
    const int w = std::max(0, std::min(client.width(), x0 + o.w * f) - xa);
    const int h = std::max(0, std::min(client.height(), y0 + o.h * f) - ya);
    // The device holds the whole region, or nothing is drawn.
    if (h == 0 || !dc.pixelRun(xa, ya, w) || !dc.pixelRun(xa, ya + h - 1, w)) {
      whiteOutside(dc, {});
      return most;
    }
    whiteOutside(dc, {xa, ya, xa + w, ya + h});
    const AnaglyphMethodRows rows(ws_.settings().method, ws_.settings().leftColour, ws_.settings().rightColour);
    static_assert(sizeof(tpixel) == 3);  // r, g, b bytes, as the device holds them
    auto leftRow = [&](int y) { return left->row(o.leftY + (ya + y - y0) / f) + o.leftX + (xa - x0) / f; };
    auto rightRow = [&](int y) {
      return right->row(o.rightY + (ya + y - y0) / f) + o.rightX + (xa - x0) / f;
    };
    auto screenRow = [&](int y) { return reinterpret_cast<tpixel*>(dc.pixelRun(xa, ya + y, w)); };
    inBands(h, [&](int first, int end) {
      auto from = [first](auto row) { return [row, first](int i) { return row(first + i); }; };
      if (f == 1) {
        composeRows(rows, end - first, w, from(leftRow), from(rightRow), from(screenRow));
        return;
      }
      std::vector<tpixel> composed(static_cast<std::size_t>(w / f + 2));
      for (int y = first; y < end; ++y) {
        tpixel* out = screenRow(y);
        const int skip = (xa - x0) % f;  // of the first pixel's copies, those left of the client
        const int n = (skip + w + f - 1) / f;
        rows.compose(leftRow(y), rightRow(y), composed.data(), n);
        for (int x = 0; x < w; ++x) out[x] = composed[static_cast<std::size_t>((skip + x) / f)];
      }
    });
    return most;
  }
  const bool parallel = w_.viewMode == ViewMode::Parallel;
  if (!parallel) swapSides(left, right, dx, dy);
  if (!w_.fitToWindow) return paintSideBySide(dc, *left, *right, dx, dy);
  const std::uint32_t viewSize =
      largestViewSize(*left, *right, dx, dy, ws_.settings().imageSpacing, client.width(), client.height());
  auto picture = buildSideBySide(*left, *right, dx, dy, viewSize, ws_.settings().imageSpacing,
                                 {0, 0, client.width(), client.height()});
  if (picture)
    drawPicture(dc, **picture, 0, 0);
  else
    textCentred(dc, client, picture.error().message);
  return {};
}

// The side-by-side picture of the view size at the zoom: only the part the
// pan shows is built, its pixels repeated above 1:1 and averaged in blocks
// of den x den below it (a last, partial block at the right or bottom is
// left out).
TPoint tpairview::paintSideBySide(TDC& dc, const tbitmap& a, const tbitmap& b, std::int32_t dx,
                                  std::int32_t dy) {
  auto size = sideBySideSize(a, b, dx, dy, ws_.settings().viewSize, ws_.settings().imageSpacing);
  if (!size) {
    textCentred(dc, w_.getClientRect(), size.error().message);
    return {};
  }
  return paintZoomed(dc, *size, [&](const PictureWindow& shown) {
    return buildSideBySide(a, b, dx, dy, ws_.settings().viewSize, ws_.settings().imageSpacing, shown);
  });
}

TPoint tpairview::paintDepth(TDC& dc) {
  const TRect client = w_.getClientRect();
  const tbitmap* depth = w_.depthPicture();
  if (!depth) {
    textCentred(dc, client, "Finding the depth...");
    return {};
  }
  if (w_.fitToWindow) {
    const double s = fitScale(client, depth->width, depth->height);
    drawPicture(dc,
                *reduceByArea(*depth, std::max(1, static_cast<int>(depth->width * s)),
                              std::max(1, static_cast<int>(depth->height * s))),
                0, 0);
    return {};
  }
  return paintZoomed(dc, {depth->width, depth->height}, [depth](const PictureWindow& shown) {
    return Result<std::unique_ptr<tbitmap>>(depth->crop(shown.x, shown.y, shown.x + shown.w, shown.y + shown.h));
  });
}

TPoint tpairview::paintZoomed(TDC& dc, TSize size,
                              const std::function<Result<std::unique_ptr<tbitmap>>(const PictureWindow&)>& build) {
  const TRect client = w_.getClientRect();
  const tzoom z = kZoomSteps[w_.zoomStep];
  auto zoomed = [z](int v) {
    return static_cast<int>(std::min<std::int64_t>(std::int64_t{v} * z.num / z.den, INT32_MAX / 2));
  };
  const TPoint far{zoomed(size.cx), zoomed(size.cy)};
  const TPoint most{std::max(0, far.x - client.width()), std::max(0, far.y - client.height())};
  const TPoint pan{std::clamp(w_.pan.x, 0, most.x), std::clamp(w_.pan.y, 0, most.y)};
  const int w = std::min(client.width(), far.x - pan.x), h = std::min(client.height(), far.y - pan.y);
  if (w <= 0 || h <= 0) return most;
  const int f = z.num, d = z.den;
  // Zoomed in, the first shown pixel may be a later copy of its source pixel.
  const TPoint skip{pan.x % f, pan.y % f};
  const PictureWindow shown =
      d > 1 ? PictureWindow{pan.x * d, pan.y * d, w * d, h * d}
            : PictureWindow{pan.x / f, pan.y / f, (skip.x + w + f - 1) / f, (skip.y + h + f - 1) / f};
  auto part = build(shown);
  if (!part) {
    textCentred(dc, client, part.error().message);
    return {};
  }
  const tbitmap& p = **part;
  if (d > 1) {
    drawPicture(dc, *reduceByArea(p, w, h), 0, 0);
  } else if (f == 1) {
    drawPicture(dc, p, 0, 0);
  } else {
    static_assert(sizeof(tpixel) == 3);  // r, g, b bytes, as the device holds them
    for (int y = 0; y < h; ++y) {
      auto* out = reinterpret_cast<tpixel*>(dc.pixelRun(0, y, w));
      const tpixel* in = p.row((skip.y + y) / f);
      for (int x = 0; x < w; ++x) out[x] = in[(skip.x + x) / f];
    }
  }
  return most;
}

void tpairview::keyDown(unsigned key, unsigned flags) {
  const bool across = key == VK_LEFT || key == VK_RIGHT;
  if (!across && key != VK_UP && key != VK_DOWN) return;
  const std::int32_t step = (flags & MK_SHIFT ? 10 : 1) * (key == VK_LEFT || key == VK_UP ? -1 : 1);
  w_.nudgeRight(across ? step : 0, across ? 0 : step);
}

void tpairview::lButtonDown(TPoint p) {
  w_.leftButtonDown = true;
  panAnchor_ = p;
  panStart_ = w_.pan;
}

void tpairview::showPan(TPoint most) {
  w_.pan = {std::clamp(w_.pan.x, 0, most.x), std::clamp(w_.pan.y, 0, most.y)};
  w_.setHScrollRange(0, most.x);
  w_.setHScrollPos(w_.pan.x);
  w_.setScrollRange(0, most.y);
  w_.setScrollPos(w_.pan.y);
}

void tpairview::panTo(TPoint pan) {
  if (pan == w_.pan) return;
  w_.pan = pan;  // the paint keeps it within the pair
  w_.invalidate();
}

void tpairview::zoomTo(int step, TPoint about) {
  step = std::clamp(step, 0, kZoomStepCount - 1);
  const double before = viewScale();
  if (w_.fitToWindow) {
    w_.fitToWindow = false;
    w_.frame()->getMenu().checkMenuItem(CM_FITWINDOW, false);
  }
  w_.zoomStep = step;
  const double k = viewScale() / before;
  w_.pan = {static_cast<int>(std::lround((about.x + w_.pan.x) * k - about.x)),
            static_cast<int>(std::lround((about.y + w_.pan.y) * k - about.y))};
  w_.invalidate();
}

namespace {

// A scroll bar's code applied to a pan coordinate.
int scrolled(int pan, unsigned code, int pos, int page) {
  switch (code) {
    case SB_LINEUP:
      return pan - 32;
    case SB_LINEDOWN:
      return pan + 32;
    case SB_PAGEUP:
      return pan - page;
    case SB_PAGEDOWN:
      return pan + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return pos;
    case SB_TOP:
      return 0;
    case SB_BOTTOM:
      return INT32_MAX / 2;
    default:
      return pan;
  }
}

}  // namespace

void tpairview::vScroll(unsigned code, int pos) {
  panTo({w_.pan.x, scrolled(w_.pan.y, code, pos, w_.getClientRect().height())});
}

void tpairview::hScroll(unsigned code, int pos) {
  panTo({scrolled(w_.pan.x, code, pos, w_.getClientRect().width()), w_.pan.y});
}

// Ctrl zooms about the pointer a step a notch; otherwise a notch scrolls
// three lines, down (Shift: right) as the wheel turns toward the user.
void tpairview::wheel(unsigned flags, int turn, TPoint p) {
  const int notches = turn / WHEEL_DELTA;
  if (notches == 0) return;
  if (flags & MK_CONTROL) return zoomTo(w_.zoomStep + notches, p);
  const int by = -notches * 3 * 32;
  panTo(flags & MK_SHIFT ? TPoint{w_.pan.x + by, w_.pan.y} : TPoint{w_.pan.x, w_.pan.y + by});
}

void tpairview::rButtonDown(TPoint p) {
  if (w_.viewMode != ViewMode::Anaglyph) return;
  w_.rightAreaOrigin = {p.x, p.y};
  w_.dragStartOffsetX = ws_.rightOffsetX();
  w_.dragStartOffsetY = ws_.rightOffsetY();
}

// 64-bit sums wrapped to 32 bits, so a far-off position from a position file
// cannot overflow. Fitted, a client pixel is 1 / scale source pixels.
void tpairview::mouseMove(unsigned flags, TPoint p) {
  if (flags & MK_LBUTTON && w_.leftButtonDown) {
    panTo({panStart_.x - (p.x - panAnchor_.x), panStart_.y - (p.y - panAnchor_.y)});
    return;
  }
  if (w_.viewMode != ViewMode::Anaglyph || !(flags & MK_RBUTTON)) return;
  const double s = viewScale();
  auto moved = [s](std::int32_t start, int to, std::int32_t anchor) {
    return static_cast<std::int32_t>(std::int64_t{start} +
                                     std::llround(static_cast<double>(std::int64_t{to} - anchor) / s));
  };
  w_.moveRight(moved(w_.dragStartOffsetX, p.x, w_.rightAreaOrigin.x),
               moved(w_.dragStartOffsetY, p.y, w_.rightAreaOrigin.y));
}
