// The pair views: the composed picture at 1:1, or the centred position text
// when the position does not fit; the right-button drag of the anaglyph view.
#include <algorithm>
#include <string>

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

}  // namespace

bool tpairview::positionFits(TDC& dc) {
  if (::positionFits(w_.rightOffsetX, w_.rightOffsetY, *w_.leftImage, *w_.rightImage)) return true;
  textCentred(dc, w_.getClientRect(),
              "Change position of right picture: (" + std::to_string(w_.rightOffsetX) + ", " +
                  std::to_string(w_.rightOffsetY) + ")");
  return false;
}

void tpairview::paint(TDC& dc) {
  if (!w_.leftImage || !w_.rightImage || !positionFits(dc)) return;
  const tbitmap& left = *w_.leftImage;
  const tbitmap& right = *w_.rightImage;
  const std::int32_t dx = w_.rightOffsetX, dy = w_.rightOffsetY;
  const TRect client = w_.getClientRect();
  if (w_.viewMode == ViewMode::Anaglyph) {
    // At the common region's top-left in the right picture, so the anaglyph
    // follows the right picture while it is dragged.
    // Only what the client area shows is composed: a drag over a large pair
    // recomposes a window's worth of pixels, not the whole picture.
    const int x0 = std::max(dx, 0), y0 = std::max(dy, 0);
    buildAnaglyph(left, right, dx, dy, w_.leftColour, w_.rightColour, client.width() - x0,
                  client.height() - y0)
        ->drawTo(dc, x0, y0);
    return;
  }
  auto picture =
      w_.viewMode == ViewMode::Parallel
          ? buildSideBySide(left, right, dx, dy, w_.viewSize, w_.imageSpacing, client.width(),
                            client.height())
          : buildCrossed(left, right, dx, dy, w_.viewSize, w_.imageSpacing, client.width(), client.height());
  if (picture)
    (*picture)->drawTo(dc, 0, 0);
  else
    textCentred(dc, client, picture.error().message);
}

void tpairview::lButtonDown(TPoint) { w_.leftButtonDown = true; }

void tpairview::rButtonDown(TPoint p) {
  if (w_.viewMode != ViewMode::Anaglyph) return;
  w_.rightAreaOrigin = {p.x, p.y};
  w_.dragStartOffsetX = w_.rightOffsetX;
  w_.dragStartOffsetY = w_.rightOffsetY;
}

// 64-bit sums wrapped to 32 bits, so a far-off position from a position file
// cannot overflow.
void tpairview::mouseMove(unsigned flags, TPoint p) {
  if (w_.viewMode != ViewMode::Anaglyph || !(flags & MK_RBUTTON)) return;
  auto moved = [](std::int32_t start, int to, std::int32_t anchor) {
    return static_cast<std::int32_t>(std::int64_t{start} + to - anchor);
  };
  w_.rightOffsetX = moved(w_.dragStartOffsetX, p.x, w_.rightAreaOrigin.x);
  w_.rightOffsetY = moved(w_.dragStartOffsetY, p.y, w_.rightAreaOrigin.y);
  w_.invalidate();
}
