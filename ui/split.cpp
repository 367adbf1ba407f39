// The single-image split: the source picture reduced to fit the window, the
// left and right areas outlined on it, the mouse rules and the acceptance.
#include <algorithm>
#include <cstdlib>

#include "ui/tmywindow.h"

namespace {

constexpr const char* kInstructions =
    "Use left button to select the left area and right to select the right area. Press enter to "
    "accept";

TColor colourOf(const ColourWeights& w) { return rgbColor(w.red, w.green, w.blue); }

// The right area's left edge mirrored into the other half of a picture of
// width w. At v == half exactly the press-and-release rule gives the full
// width and the move rule 0.
std::int32_t pressRule(std::int32_t v, std::int32_t w) {
  const double half = w * 0.5;
  return static_cast<std::int32_t>(v > half ? v - half : v + half);
}
std::int32_t moveRule(std::int32_t v, std::int32_t w) {
  const double half = w * 0.5;
  return static_cast<std::int32_t>(v < half ? v + half : v - half);
}

struct tcorners {  // in order: l <= r, t <= b
  std::int32_t l, t, r, b;
};

tcorners leftCorners(const tarea& a) {
  return {std::min(a.x1, a.x2), std::min(a.y1, a.y2), std::max(a.x1, a.x2), std::max(a.y1, a.y2)};
}

tcorners rightCorners(const tarea& a, const tareaorigin& o) {
  const tcorners c = leftCorners(a);
  return {o.x, o.y, o.x + (c.r - c.l), o.y + (c.b - c.t)};
}

void outline(TDC& dc, const tcorners& c, std::int32_t d, TColor colour) {
  dc.selectPen(colour);
  dc.moveTo(c.l / d, c.t / d);
  dc.lineTo(c.r / d, c.t / d);
  dc.lineTo(c.r / d, c.b / d);
  dc.lineTo(c.l / d, c.b / d);
  dc.lineTo(c.l / d, c.t / d);
}

// Puts back what the split view paints under a rectangle's outline. Working
// in client pixels restores every pixel the outline covered with the source
// pixel painted there, whatever the remainders of the corners modulo d.
void restoreOutline(TDC& dc, const tbitmap& src, std::int32_t d, const tcorners& c) {
  auto restore = [&](std::int32_t cx, std::int32_t cy) {
    const std::int64_t x = std::int64_t{cx} * d, y = std::int64_t{cy} * d;
    TColor colour = kWhite;
    if (x >= 0 && y >= 0 && x < src.width && y < src.height) {
      const tpixel p = src.pixel(static_cast<int>(x), static_cast<int>(y));
      colour = rgbColor(p.red, p.green, p.blue);
    }
    dc.setPixel(cx, cy, colour);
  };
  const std::int32_t l = c.l / d, t = c.t / d, r = c.r / d, b = c.b / d;
  for (std::int32_t x = l; x <= r; ++x) {
    restore(x, t);
    restore(x, b);
  }
  for (std::int32_t y = t; y <= b; ++y) {
    restore(l, y);
    restore(r, y);
  }
}

}  // namespace

void tsplitview::paint(TDC& dc) {
  if (!w_.sourceImage) return;
  const TRect client = w_.getClientRect();
  const std::int64_t w = client.width(), h = client.height();
  // An empty client area would need an endless reduction.
  if (w <= 0 || h <= 0) return;
  // The smallest d with width <= w * d and height <= h * d - 48, found at
  // once rather than by counting up, so no source size can make it slow.
  const tbitmap& src = *w_.sourceImage;
  const std::int64_t d = std::max({std::int64_t{1}, (src.width + w - 1) / w, (src.height + 48 + h - 1) / h});
  const std::int32_t di = w_.displayDivisor = static_cast<std::int32_t>(d);

  for (std::int32_t x = 0; x < src.width; x += di) {
    for (std::int32_t y = 0; y < src.height; y += di) {
      const tpixel p = src.pixel(x, y);
      dc.setPixel(x / di, y / di, rgbColor(p.red, p.green, p.blue));
    }
  }
  const int textY = client.height() - 32;
  dc.setTextColor(colourOf(ws_.settings().leftColour));
  dc.textOut(5, textY, "left");
  dc.setTextColor(colourOf(ws_.settings().rightColour));
  dc.textOut(5 + dc.getTextExtent("left ").cx, textY, "right");
  dc.setTextColor(kBlack);
  dc.textOut(5, client.height() - 16, kInstructions);
  drawSelection(dc);
}

void tsplitview::drawSelection(TDC& dc) {
  outline(dc, leftCorners(w_.leftArea), w_.displayDivisor, colourOf(ws_.settings().leftColour));
  outline(dc, rightCorners(w_.leftArea, w_.rightAreaOrigin), w_.displayDivisor,
          colourOf(ws_.settings().rightColour));
}

void tsplitview::eraseSelection(TDC& dc) {
  restoreOutline(dc, *w_.sourceImage, w_.displayDivisor, leftCorners(w_.leftArea));
  restoreOutline(dc, *w_.sourceImage, w_.displayDivisor, rightCorners(w_.leftArea, w_.rightAreaOrigin));
}

void tsplitview::keyDown(unsigned key, unsigned) {
  if (key == VK_RETURN) accept();
}

void tsplitview::lButtonDown(TPoint p) {
  w_.leftButtonDown = true;
  if (!w_.sourceImage) return;
  tarea& area = w_.leftArea;
  const std::int32_t d = w_.displayDivisor;
  TDC dc = w_.getDC();
  eraseSelection(dc);
  w_.dragFirstCorner = false;
  // Only the horizontal distance to an edge decides the grab.
  if (std::abs(std::int64_t{p.x} - area.x1 / d) <= 15) {
    w_.dragFirstCorner = true;
  } else if (std::abs(std::int64_t{p.x} - area.x2 / d) > 15) {
    area.x1 = area.x2 = p.x * d;
    area.y1 = area.y2 = p.y * d;
    w_.rightAreaOrigin = {pressRule(area.x1, w_.sourceImage->width), area.y1};
    drawSelection(dc);
  }
}

void tsplitview::mouseMove(unsigned flags, TPoint p) {
  if (!w_.sourceImage) return;
  tarea& area = w_.leftArea;
  const std::int32_t d = w_.displayDivisor;
  if ((flags & MK_LBUTTON) && w_.leftButtonDown) {
    TDC dc = w_.getDC();
    eraseSelection(dc);
    if (w_.dragFirstCorner) {
      area.x1 = p.x * d;
      area.y1 = p.y * d;
    } else {
      area.x2 = p.x * d;
      area.y2 = p.y * d;
    }
    const tcorners c = leftCorners(area);
    w_.rightAreaOrigin = {moveRule(c.l, w_.sourceImage->width), c.t};
    drawSelection(dc);
  }
  if (flags & MK_RBUTTON) rButtonDown(p);
}

void tsplitview::lButtonUp() {
  if (!w_.leftButtonDown || !w_.sourceImage) return;
  putInOrder(w_.leftArea);
  const tarea& area = w_.leftArea;
  w_.rightAreaOrigin = {pressRule(area.x1, w_.sourceImage->width), area.y1};
  w_.invalidate(true);
}

void tsplitview::rButtonDown(TPoint p) {
  if (!w_.sourceImage) return;
  const std::int32_t d = w_.displayDivisor;
  TDC dc = w_.getDC();
  eraseSelection(dc);
  w_.rightAreaOrigin.x = p.x * d;
  if (!w_.lockY) w_.rightAreaOrigin.y = p.y * d;
  drawSelection(dc);
}

void tsplitview::accept() {
  if (w_.sourceImage) w_.acceptSplit();
}

void tmywindow::acceptSplit() {
  // Enter during a drag takes the areas as outlined: the corners in order,
  // the right area where it is drawn.
  leftArea = ws_.openCut(*sourceImage, {leftArea, rightAreaOrigin});
  viewMode = savedViewMode;
  sourceImage.reset();
  updateCaption();
  invalidate(true);
}
