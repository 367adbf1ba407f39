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
  libraryScrollRow = 0;
  libraryCount = 0;
  const std::vector<tlibrarypair> pairs = libraryPairsIn(currentDirectory());
  libraryEntries = makeLibraryList(pairs);
  libraryFirstShown = libraryEntries.get();
  libraryCount = static_cast<std::int32_t>(pairs.size());
  if (!libraryEntries) {
    libraryMode = false;
    return false;
  }
  return true;
}

void tmywindow::releaseLibrary() {
  libraryFirstShown = nullptr;
  libraryEntries.reset();
}

void tlibraryview::paint(TDC& dc) {
  const tlibrarygrid grid = gridOf(w_);
  const std::string prefix = libraryPrefix(currentDirectory());
  tlibraryentry* e = w_.libraryFirstShown;
  for (int i = 0; i < grid.cells() && e; ++i, e = e->next.get()) {
    const TPoint o = grid.cellOrigin(i);
    if (!e->thumbnailReady) buildThumbnail(*e, prefix + e->leftFile);
    if (e->thumbnailReady) {
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
  for (const tlibraryentry* e = w_.libraryFirstShown; e && available < grid.cells(); e = e->next.get()) {
    ++available;
  }
  const int cell = grid.cellAt(p, available);
  if (cell < 0) {
    w_.messageBeep(0);
    return;
  }
  const tlibraryentry& picked = *stepForward(w_.libraryFirstShown, cell);
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
  // A file right below the root has an empty directory part.
  const std::string& leftFileName = ws_.leftFileName;
  const std::string folder =
      leftFileName.find('/') == std::string::npos ? currentDirectory() : directoryOf(leftFileName);
  const std::string dir = folder.empty() ? std::string(1, '/') : folder;
  const std::string prefix = libraryPrefix(dir);
  const std::vector<tlibrarypair> pairs = ws_.leftImage ? libraryPairsIn(dir) : std::vector<tlibrarypair>{};
  // The current pair by its left file; after a swap that is the right one.
  auto inFolder = [&](const std::string& path) {
    return path.starts_with(prefix) ? path.substr(prefix.size()) : std::string();
  };
  const std::string left = inFolder(leftFileName), right = inFolder(ws_.rightFileName);
  const auto at = std::find_if(pairs.begin(), pairs.end(), [&](const tlibrarypair& p) {
    return p.leftFile == left || p.leftFile == right;
  });
  const std::ptrdiff_t next = (at - pairs.begin()) + step;
  if (at == pairs.end() || next < 0 || next >= static_cast<std::ptrdiff_t>(pairs.size())) {
    messageBeep(0);
    return;
  }
  storePosition();
  openPair(prefix + pairs[next].leftFile, prefix + pairs[next].rightFile);
}

void tlibraryview::vScroll(unsigned code, int thumbPos) {
  if (!w_.libraryEntries || !w_.libraryFirstShown) return;
  tlibraryscroll s{w_.libraryFirstShown, w_.libraryScrollRow};
  const bool repaint = applyLibraryScroll(w_.libraryEntries.get(), s, code, thumbPos, gridOf(w_));
  w_.libraryFirstShown = s.firstShown;
  w_.libraryScrollRow = s.row;
  w_.setScrollPos(w_.libraryScrollRow, true);
  if (repaint) w_.invalidate(true);
}

void tmywindow::cmSelectLibrary() {
  storePosition();
  if (!scanLibrary()) {
    TDialog(this, kLibraryErrorDialog).execute();
    return;
  }
  setScrollRange(0, gridOf(*this).scrollMax(libraryCount), true);
  setScrollPos(libraryScrollRow, true);
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
