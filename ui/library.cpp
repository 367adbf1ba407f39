// The library view: the pairs of the current directory as a grid of
// thumbnails, scrolling, and picking a pair.
#include "store/library.h"
#include "ui/librarygrid.h"

#include <algorithm>
#include <cstddef>

#include "image/picture.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "ui/resources.h"
#include "ui/tmywindow.h"

namespace {

tlibrarygrid gridOf(const TWindow& w) {
  const TRect r = w.getClientRect();
  return libraryGrid(r.width(), r.height());
}

void drawThumbnail(TDC& dc, const tlibraryentry& e, TPoint o) {
  const std::uint8_t* t = e.thumbnail.get();
  for (int p = 0; p < kThumbnailSide; ++p) {
    for (int q = 0; q < kThumbnailSide; ++q) {
      const std::size_t i = static_cast<std::size_t>(p) * kThumbnailSide + q;
      dc.setPixel(o.x + p, o.y + q, rgbColor(t[i], t[kThumbnailPlane + i], t[2 * kThumbnailPlane + i]));
    }
  }
}

void drawMemoryShortage(TDC& dc, TPoint o) {
  dc.moveTo(o.x, o.y);
  dc.lineTo(o.x + 64, o.y);
  dc.lineTo(o.x + 64, o.y + 64);
  dc.lineTo(o.x, o.y + 64);
  dc.lineTo(o.x, o.y);
  dc.textOut(o.x + 4, o.y + 16, "memory");
  dc.textOut(o.x + 4, o.y + 32, "shortage");
}

}  // namespace

bool tmywindow::scanLibrary() {
  releaseLibrary();
  const bool found = ws_.scanLibrary(currentDirectory());
  libraryView_.showFrom(ws_.libraryEntries());
  if (!found) libraryMode = false;
  return found;
}

void tmywindow::releaseLibrary() {
  libraryView_.showFrom(nullptr);
  ws_.releaseLibrary();
}

void tlibraryview::paint(TDC& dc) {
  const tlibrarygrid grid = gridOf(w_);
  const std::string prefix = libraryPrefix(currentDirectory());
  const tlibraryentry* e = firstShown;
  for (int i = 0; i < grid.cells() && e; ++i, e = e->next.get()) {
    const TPoint o = grid.cellOrigin(i);
    if (w_.workspace().thumbnailed(*e, prefix + e->leftFile).thumbnailReady) {
      drawThumbnail(dc, *e, o);
    } else {
      drawMemoryShortage(dc, o);
    }
    dc.textOut(o.x, o.y + 66, e->baseName);
  }
}

// Enter still accepts a split the library view covers; no other key reaches
// the covered state.
void tlibraryview::keyDown(unsigned key, unsigned flags) {
  if (key == VK_RETURN) w_.covered().keyDown(key, flags);
}

void tlibraryview::lButtonDown(TPoint p) {
  const tlibrarygrid grid = gridOf(w_);
  std::int64_t available = 0;
  for (const tlibraryentry* e = firstShown; e && available < grid.cells(); e = e->next.get()) {
    ++available;
  }
  const int cell = grid.cellAt(p, available);
  if (cell < 0) {
    w_.messageBeep(0);
    return;
  }
  const tlibraryentry& picked = *stepForward(firstShown, cell);
  const std::string prefix = libraryPrefix(currentDirectory());
  if (!w_.openPair(prefix + picked.leftFile, prefix + picked.rightFile)) return;
  w_.libraryMode = false;
  w_.setScrollRange(0, 0, true);
  w_.invalidate(true);
  w_.releaseLibrary();
}

bool tmywindow::openPair(std::string left, std::string right) {
  // A bad pair leaves the workspace (and the library view) as they were.
  Status s = [&] {
    TBusyCursor busy;
    return ws_.openPair(left, right);
  }();
  if (!report(s)) return false;
  pairOpened();
  invalidate(true);
  return true;
}

void tmywindow::browse(int step) {
  const auto next = ws_.neighbourPair(step);
  if (!next) {
    messageBeep(0);
    return;
  }
  storePosition();
  openPair(next->leftFile, next->rightFile);
}

void tlibraryview::vScroll(unsigned code, int thumbPos) {
  if (!ws_.libraryEntries() || !firstShown) return;
  tlibraryscroll s{firstShown, scrollRow};
  const bool repaint = applyLibraryScroll(ws_.libraryEntries(), s, code, thumbPos, gridOf(w_));
  firstShown = s.firstShown;
  scrollRow = s.row;
  w_.setScrollPos(scrollRow, true);
  if (repaint) w_.invalidate(true);
}

void tmywindow::cmSelectLibrary() {
  storePosition();
  if (!scanLibrary()) {
    TDialog(this, kLibraryErrorDialog).execute();
    return;
  }
  setScrollRange(0, gridOf(*this).scrollMax(ws_.libraryCount()), true);
  setScrollPos(libraryView_.scrollRow, true);
  libraryMode = true;
  invalidate(true);
  frame()->setCaption("Binoxa - Select from library");
}

void tmywindow::cmSelectDirectory() {
  TFileOpenDialog dialog(this, "Bitmap Files|*.BMP");
  if (dialog.execute() == IDOK) {
    if (!scanLibrary()) {
      TDialog(this, kLibraryErrorDialog).execute();
      return;
    }
    invalidate(true);
  }
  if (!libraryMode) updateCaption();
}
