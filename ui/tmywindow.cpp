#include "ui/tmywindow.h"

#include <string>

#include "platform/profile.h"
#include "store/library.h"
#include "store/settings.h"

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

const TResponse<tmywindow> tmywindow::responseTable[] = {
    EV_WM_KEYDOWN(evKeyDown),
    EV_WM_LBUTTONDOWN(evLButtonDown),
    EV_WM_LBUTTONUP(evLButtonUp),
    EV_WM_MOUSEMOVE(evMouseMove),
    EV_WM_RBUTTONDOWN(evRButtonDown),
    EV_WM_VSCROLL(evVScroll),
    EV_WM_SIZE(evSize),
    EV_COMMAND(CM_OPENLEFT, cmOpenLeft),
    EV_COMMAND(CM_OPENRIGHT, cmOpenRight),
    EV_COMMAND(CM_RIGHTPOSITION, cmRightPosition),
    EV_COMMAND(CM_OPENSINGLE, cmOpenSingle),
    EV_COMMAND(CM_SAVEPARALLEL, cmSaveParallel),
    EV_COMMAND(CM_SAVECROSSED, cmSaveCrossed),
    EV_COMMAND(CM_SAVEANAGLYPH, cmSaveAnaglyph),
    EV_COMMAND(CM_SAVELEFT, cmSaveLeft),
    EV_COMMAND(CM_SAVERIGHT, cmSaveRight),
    EV_COMMAND(CM_SAVEALL, cmSaveAll),
    EV_COMMAND(CM_EXIT, cmExit),
    EV_COMMAND(CM_VIEWPARALLEL, cmViewParallel),
    EV_COMMAND(CM_VIEWCROSSED, cmViewCrossed),
    EV_COMMAND(CM_VIEWANAGLYPH, cmViewAnaglyph),
    EV_COMMAND(CM_SELECTLIBRARY, cmSelectLibrary),
    EV_COMMAND(CM_SELECTDIRECTORY, cmSelectDirectory),
    EV_COMMAND(CM_OPTIONS, cmOptions),
    EV_COMMAND(CM_ABOUT, cmAbout),
};

tmywindow::tmywindow() : TWindow(nullptr, "Program Name") { readSettings(); }

tmywindow::~tmywindow() {
  writePosFile();
  writeSettings();
  releaseLibrary();
  leftImage.reset();
  rightImage.reset();
  sourceImage.reset();
}

bool tmywindow::handleMessage(const TMessage& m) {
  return dispatchResponse(*this, responseTable, m) || TWindow::handleMessage(m);
}

// --- settings ---

void tmywindow::readSettings() {
  const tsettings s = ::readSettings(Profile(Profile::defaultPath()));
  leftColour = s.leftColour;
  rightColour = s.rightColour;
  viewSize = s.viewSize;
  imageSpacing = s.imageSpacing;
  usePosFiles = s.usePosFiles;
  lockY = s.lockY;
}

void tmywindow::writeSettings() {
  Profile profile(Profile::defaultPath());
  ::writeSettings(profile, {leftColour, rightColour, viewSize, imageSpacing, usePosFiles, lockY});
}

void tmywindow::updateCaption() {
  std::string caption = "Binoxa";
  if (leftImage && !leftFileName.empty()) caption += " - left: " + leftFileName;
  if (rightImage && !rightFileName.empty()) caption += " - right: " + rightFileName;
  frame()->setCaption(caption);
}

// --- views ---

bool tmywindow::positionFits(TDC& dc) {
  if (::positionFits(rightOffsetX, rightOffsetY, *leftImage, *rightImage)) return true;
  textCentred(dc, getClientRect(),
              "Change position of right picture: (" + std::to_string(rightOffsetX) + ", " +
                  std::to_string(rightOffsetY) + ")");
  return false;
}

std::unique_ptr<tbitmap> tmywindow::buildAnaglyph(int maxWidth, int maxHeight) {
  return ::buildAnaglyph(*leftImage, *rightImage, rightOffsetX, rightOffsetY, leftColour, rightColour,
                         maxWidth, maxHeight);
}

Result<std::unique_ptr<tbitmap>> tmywindow::buildSideBySide() {
  return ::buildSideBySide(*leftImage, *rightImage, rightOffsetX, rightOffsetY, viewSize, imageSpacing);
}

Result<std::unique_ptr<tbitmap>> tmywindow::buildCrossed() {
  return ::buildCrossed(*leftImage, *rightImage, rightOffsetX, rightOffsetY, viewSize, imageSpacing);
}

void tmywindow::paintPairView(TDC& dc) {
  if (!positionFits(dc)) return;
  if (viewMode == ViewMode::Anaglyph) {
    // At the common region's top-left in the right picture, so the anaglyph
    // follows the right picture while it is dragged.
    // Only what the client area shows is composed: a drag over a large pair
    // recomposes a window's worth of pixels, not the whole picture.
    const int x0 = max(rightOffsetX, 0), y0 = max(rightOffsetY, 0);
    const TRect client = getClientRect();
    buildAnaglyph(client.width() - x0, client.height() - y0)->drawTo(dc, x0, y0);
    return;
  }
  auto picture = viewMode == ViewMode::Parallel ? buildSideBySide() : buildCrossed();
  if (picture)
    (*picture)->drawTo(dc, 0, 0);
  else
    textCentred(dc, getClientRect(), picture.error().message);
}

void tmywindow::paint(TDC& dc, bool, const TRect&) {
  if (libraryMode) {
    paintLibrary(dc);
  } else if (viewMode == ViewMode::Split) {
    paintSplitView(dc);
  } else if (leftImage && rightImage) {
    paintPairView(dc);
  }
}

void tmywindow::setView(ViewMode mode, unsigned command) {
  TMenu menu = frame()->getMenu();
  for (unsigned id : {CM_VIEWPARALLEL, CM_VIEWCROSSED, CM_VIEWANAGLYPH})
    menu.checkMenuItem(id, id == command);
  viewMode = mode;
  invalidate();
}

void tmywindow::cmViewParallel() { setView(ViewMode::Parallel, CM_VIEWPARALLEL); }
void tmywindow::cmViewCrossed() { setView(ViewMode::Crossed, CM_VIEWCROSSED); }
void tmywindow::cmViewAnaglyph() { setView(ViewMode::Anaglyph, CM_VIEWANAGLYPH); }

void tmywindow::cmExit() { closeWindow(); }

// --- input ---

void tmywindow::evKeyDown(unsigned key) {
  if (key == VK_RETURN && viewMode == ViewMode::Split) acceptSplit();
}

void tmywindow::evLButtonDown(unsigned, TPoint p) {
  if (libraryMode) {
    pickLibraryPair(p);
    return;
  }
  if (viewMode == ViewMode::Split) splitLButtonDown(p);
  leftButtonDown = true;
}

void tmywindow::evLButtonUp(unsigned, TPoint) {
  if (viewMode == ViewMode::Split) splitLButtonUp();
  leftButtonDown = false;
}

void tmywindow::evMouseMove(unsigned flags, TPoint p) {
  if (viewMode == ViewMode::Split)
    splitMouseMove(flags, p);
  else if (viewMode == ViewMode::Anaglyph && (flags & MK_RBUTTON))
    dragPosition(p);
}

void tmywindow::evRButtonDown(unsigned, TPoint p) {
  if (viewMode == ViewMode::Split)
    splitRButtonDown(p);
  else if (viewMode == ViewMode::Anaglyph)
    startPositionDrag(p);
}

void tmywindow::evVScroll(unsigned code, int pos) { scrollLibrary(code, pos); }

void tmywindow::evSize(unsigned, TSize) { invalidate(); }
