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

// Puts back what paintSplitView shows under a rectangle's outline. Working
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

void tmywindow::paintSplitView(TDC& dc) {
  if (!sourceImage) return;
  const TRect client = getClientRect();
  const std::int64_t w = client.width(), h = client.height();
  // An empty client area would need an endless reduction.
  if (w <= 0 || h <= 0) return;
  // The smallest d with width <= w * d and height <= h * d - 48, found at
  // once rather than by counting up, so no source size can make it slow.
  const tbitmap& src = *sourceImage;
  const std::int64_t d = std::max({std::int64_t{1}, (src.width + w - 1) / w, (src.height + 48 + h - 1) / h});
  displayDivisor = static_cast<std::int32_t>(d);

  for (std::int32_t x = 0; x < src.width; x += displayDivisor) {
    for (std::int32_t y = 0; y < src.height; y += displayDivisor) {
      const tpixel p = src.pixel(x, y);
      dc.setPixel(x / displayDivisor, y / displayDivisor, rgbColor(p.red, p.green, p.blue));
    }
  }
  const int textY = client.height() - 32;
  dc.setTextColor(colourOf(leftColour));
  dc.textOut(5, textY, "left");
  dc.setTextColor(colourOf(rightColour));
  dc.textOut(5 + dc.getTextExtent("left ").cx, textY, "right");
  dc.setTextColor(kBlack);
  dc.textOut(5, client.height() - 16, kInstructions);
  drawSelection(dc);
}

void tmywindow::drawSelection(TDC& dc) {
  outline(dc, leftCorners(leftArea), displayDivisor, colourOf(leftColour));
  outline(dc, rightCorners(leftArea, rightAreaOrigin), displayDivisor, colourOf(rightColour));
}

void tmywindow::eraseSelection(TDC& dc) {
  if (!sourceImage) return;
  restoreOutline(dc, *sourceImage, displayDivisor, leftCorners(leftArea));
  restoreOutline(dc, *sourceImage, displayDivisor, rightCorners(leftArea, rightAreaOrigin));
}

void tmywindow::splitLButtonDown(TPoint p) {
  if (!sourceImage) return;
  const std::int32_t d = displayDivisor;
  TDC dc = getDC();
  eraseSelection(dc);
  dragFirstCorner = false;
  // Only the horizontal distance to an edge decides the grab.
  if (std::abs(std::int64_t{p.x} - leftArea.x1 / d) <= 15) {
    dragFirstCorner = true;
  } else if (std::abs(std::int64_t{p.x} - leftArea.x2 / d) > 15) {
    leftArea.x1 = leftArea.x2 = p.x * d;
    leftArea.y1 = leftArea.y2 = p.y * d;
    rightAreaOrigin = {pressRule(leftArea.x1, sourceImage->width), leftArea.y1};
    drawSelection(dc);
  }
}

void tmywindow::splitMouseMove(unsigned flags, TPoint p) {
  if (!sourceImage) return;
  const std::int32_t d = displayDivisor;
  TDC dc = getDC();
  if ((flags & MK_LBUTTON) && leftButtonDown) {
    eraseSelection(dc);
    if (dragFirstCorner) {
      leftArea.x1 = p.x * d;
      leftArea.y1 = p.y * d;
    } else {
      leftArea.x2 = p.x * d;
      leftArea.y2 = p.y * d;
    }
    const tcorners c = leftCorners(leftArea);
    rightAreaOrigin = {moveRule(c.l, sourceImage->width), c.t};
    drawSelection(dc);
  }
  if (flags & MK_RBUTTON) {
    eraseSelection(dc);
    rightAreaOrigin.x = p.x * d;
    if (!lockY) rightAreaOrigin.y = p.y * d;
    drawSelection(dc);
  }
}

void tmywindow::splitLButtonUp() {
  if (!leftButtonDown || !sourceImage) return;
  if (leftArea.x1 > leftArea.x2) std::swap(leftArea.x1, leftArea.x2);
  if (leftArea.y1 > leftArea.y2) std::swap(leftArea.y1, leftArea.y2);
  rightAreaOrigin = {pressRule(leftArea.x1, sourceImage->width), leftArea.y1};
  invalidate(true);
}

void tmywindow::splitRButtonDown(TPoint p) {
  if (!sourceImage) return;
  const std::int32_t d = displayDivisor;
  TDC dc = getDC();
  eraseSelection(dc);
  rightAreaOrigin.x = p.x * d;
  if (!lockY) rightAreaOrigin.y = p.y * d;
  drawSelection(dc);
}

void tmywindow::acceptSplit() {
  if (!sourceImage) return;
  const tbitmap& src = *sourceImage;
  leftImage = src.crop(leftArea.x1, leftArea.y1, leftArea.x2, leftArea.y2);
  const tareaorigin o = rightAreaOrigin;
  rightImage = src.crop(o.x, o.y, o.x + (leftArea.x2 - leftArea.x1), o.y + (leftArea.y2 - leftArea.y1));
  suppressPosWrite = true;
  viewMode = savedViewMode;
  rightOffsetX = rightOffsetY = 0;
  sourceImage.reset();
  leftFileName.clear();
  rightFileName.clear();
  updateCaption();
  invalidate(true);
}
