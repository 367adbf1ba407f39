#include "ui/tmywindow.h"

#include <string>

#include "platform/profile.h"
#include "store/library.h"
#include "store/settings.h"
#include "ui/pending.h"

const TResponse<tmywindow> tmywindow::responseTable[] = {
    EV_WM_KEYDOWN(evKeyDown),
    EV_WM_LBUTTONDOWN(evLButtonDown),
    EV_WM_LBUTTONUP(evLButtonUp),
    EV_WM_MOUSEMOVE(evMouseMove),
    EV_WM_RBUTTONDOWN(evRButtonDown),
    EV_WM_VSCROLL(evVScroll),
    EV_WM_HSCROLL(evHScroll),
    EV_WM_MOUSEWHEEL(evMouseWheel),
    EV_WM_SIZE(evSize),
    EV_WM_DROPFILES(evDropFiles),
    EV_COMMAND(CM_OPENLEFT, cmOpenLeft),
    EV_COMMAND(CM_OPENRIGHT, cmOpenRight),
    EV_COMMAND(CM_RIGHTPOSITION, cmRightPosition),
    EV_COMMAND(CM_OPENSINGLE, cmOpenSingle),
    EV_COMMAND(CM_OPENSTEREO, cmOpenStereo),
    EV_COMMAND(CM_SAVEPARALLEL, cmSaveParallel),
    EV_COMMAND(CM_SAVECROSSED, cmSaveCrossed),
    EV_COMMAND(CM_SAVEANAGLYPH, cmSaveAnaglyph),
    EV_COMMAND(CM_SAVELEFT, cmSaveLeft),
    EV_COMMAND(CM_SAVERIGHT, cmSaveRight),
    EV_COMMAND(CM_SAVEALL, cmSaveAll),
    EV_COMMAND(CM_EXPORTDISPLAY, cmExportDisplay),
    EV_COMMAND(CM_EXIT, cmExit),
    EV_COMMAND(CM_VIEWPARALLEL, cmViewParallel),
    EV_COMMAND(CM_VIEWCROSSED, cmViewCrossed),
    EV_COMMAND(CM_VIEWANAGLYPH, cmViewAnaglyph),
    EV_COMMAND(CM_VIEWDEPTH, cmViewDepth),
    EV_COMMAND(CM_FITWINDOW, cmFitWindow),
    EV_COMMAND(CM_ALIGN, cmAlign),
    EV_COMMAND(CM_SWAP, cmSwap),
    EV_COMMAND(CM_CORRECTION, cmCorrection),
    EV_COMMAND(CM_RESETCORRECTION, cmResetCorrection),
    EV_COMMAND(CM_MATCHCOLOURS, cmMatchColours),
    EV_COMMAND(CM_UNDO, cmUndo),
    EV_COMMAND(CM_REDO, cmRedo),
    EV_COMMAND(CM_ZOOMIN, cmZoomIn),
    EV_COMMAND(CM_ZOOMOUT, cmZoomOut),
    EV_COMMAND(CM_ACTUALSIZE, cmActualSize),
    EV_COMMAND(CM_SELECTLIBRARY, cmSelectLibrary),
    EV_COMMAND(CM_SELECTDIRECTORY, cmSelectDirectory),
    EV_COMMAND(CM_OPTIONS, cmOptions),
    EV_COMMAND(CM_ABOUT, cmAbout),
    EV_COMMAND(CM_SHORTCUTS, cmShortcuts),
};

tmywindow::tmywindow() : TWindow(nullptr, "Program Name") { readSettings(); }

tmywindow::~tmywindow() {
  // A photo still decoding is dropped; its thread ends before the window does.
  *alive_ = false;
  loading_.reset();
  storePosition();
  writeSettings();
  releaseLibrary();
}

bool tmywindow::handleMessage(const TMessage& m) {
  // A photo still decoding is finished before anything that may use it.
  const bool passive = m.msg == WM_PAINT || m.msg == WM_SIZE || (m.msg == WM_MOUSEMOVE && !m.keyFlags);
  if (loading_ && !passive) finishLoading();
  if (!before_) before_ = pairState();
  const bool handled = dispatchResponse(*this, responseTable, m) || TWindow::handleMessage(m);
  noteChange(m);
  return handled;
}

tpairstate tmywindow::pairState() const {
  // The pair is the pictures as read, whatever the corrections made of them.
  return {ws_.leftSource(),   ws_.rightSource(),  ws_.leftFileName(), ws_.rightFileName(),
          ws_.rightOffsetX(), ws_.rightOffsetY(), ws_.correction()};
}

void tmywindow::noteChange(const TMessage& m) {
  // A drag is one step, from its press to its release, whatever else comes between.
  if (m.msg >= WM_MOUSEMOVE && m.msg <= WM_RBUTTONUP) buttonHeld_ = m.keyFlags & (MK_LBUTTON | MK_RBUTTON);
  // Each change of the line costs the toolkit a repaint of the frame, so a
  // drag shows where it ended rather than every step on the way.
  if (buttonHeld_) return;
  refreshDepth();
  showStatus();
  if (before_) history_.note(*before_, pairState());
  before_.reset();
}

// A state of the history, or a beep when there is none; either way no new step.
void tmywindow::restore(const std::optional<tpairstate>& s) {
  if (!s) {
    messageBeep(0);
  } else {
    if (s->swapped(pairState())) {
      (void)ws_.swap();  // pictures in memory: nothing to refuse
      updateCaption();
    }
    ws_.setPosition(s->x, s->y);
    setCorrection(s->correction);
    invalidate();
  }
  before_ = pairState();
}

void tmywindow::cmUndo() { restore(history_.undo(pairState())); }
void tmywindow::cmRedo() { restore(history_.redo(pairState())); }

void tmywindow::showStatus() {
  std::string text = statusText();
  if (!frame() || text == statusShown_) return;
  statusShown_ = std::move(text);
  frame()->setStatusText(statusShown_);
}

bool tmywindow::report(const Status& s) {
  if (!s) messageBox(s.error().message, "Error");
  return static_cast<bool>(s);
}

std::string tmywindow::statusText() const {
  const tbitmap* leftImage = ws_.leftImage();
  const tbitmap* rightImage = ws_.rightImage();
  const Correction& correction = ws_.correction();
  auto size = [](const tbitmap& b) { return std::to_string(b.width) + " x " + std::to_string(b.height); };
  std::string text;
  if (rightImage)
    text += "Position: " + std::to_string(ws_.rightOffsetX()) + ", " + std::to_string(ws_.rightOffsetY()) + "   ";
  const tzoom z = kZoomSteps[zoomStep];
  text += "Zoom: " +
          (fitToWindow ? std::string("fit to window") : std::to_string(z.num) + ":" + std::to_string(z.den));
  if (leftImage) text += "   Left: " + size(*leftImage);
  if (rightImage) text += "   Right: " + size(*rightImage);
  if (!correction.none()) {
    char c[128];
    std::snprintf(c, sizeof c, "   Correction: %.2f\u00b0, %.2f %%, keystone %.4f, %.4f", correction.roll,
                  correction.zoom * 100, correction.keystoneV, correction.keystoneH);
    text += c;
  }
  text += std::string("   Anaglyph: ") + methodLabel(ws_.settings().method);
  if (const std::string deviation = deviationText(); !deviation.empty()) text += "   " + deviation;
  return text;
}

// --- settings ---

void tmywindow::readSettings() {
  ws_.applySettings(readWorkspaceSettings(profile_));
  const tsettings s = ::readSettings(profile_);
  lockY = s.lockY;
  fitToWindow = s.fitToWindow;
}

void tmywindow::writeSettings() {
  const ExportSettings& s = ws_.settings();
  ::writeSettings(profile_, {s.leftColour, s.rightColour, s.viewSize, s.imageSpacing, ws_.usePosFiles(), lockY,
                             fitToWindow, s.method});
  // Only a chosen quality is written, so a profile without one stays as it was.
  if (ws_.quality() != readQuality(profile_)) writeQuality(profile_, ws_.quality());
  if (ws_.coloursMatched() != readMatchColours(profile_)) writeMatchColours(profile_, ws_.coloursMatched());
  if (const auto place = frame() ? frame()->placement() : std::nullopt) writePlacement(profile_, *place);
  profile_.save();  // quiet, as every profile write
}

void tmywindow::updateCaption() {
  std::string caption = "Binoxa";
  if (ws_.leftImage() && !ws_.leftFileName().empty()) caption += " - left: " + ws_.leftFileName();
  if (ws_.rightImage() && !ws_.rightFileName().empty()) caption += " - right: " + ws_.rightFileName();
  frame()->setCaption(caption);
}

// --- display states ---

tview& tmywindow::shown() { return libraryMode ? libraryView_ : covered(); }

tview& tmywindow::covered() {
  if (viewMode == ViewMode::Split) return splitView_;
  return pairView_;
}

void tmywindow::paint(TDC& dc, bool, const TRect&) {
  shown().paint(dc);
  // The pair views set the scroll bars as they paint; the split has none and
  // the library's vertical one is its own.
  if (libraryMode)
    setHScrollRange(0, 0);
  else if (viewMode == ViewMode::Split)
    pairView_.showPan({0, 0});
  // The full views of a photo shown reduced decode once that is on screen,
  // so the first picture has every core.
  if (loading_ && !loading_->decoding.joinable()) decodeInBackground(*loading_);
}

void tmywindow::setView(ViewMode mode, unsigned command) {
  TMenu menu = frame()->getMenu();
  for (unsigned id : {CM_VIEWPARALLEL, CM_VIEWCROSSED, CM_VIEWANAGLYPH, CM_VIEWDEPTH})
    menu.checkMenuItem(id, id == command);
  viewMode = mode;
  invalidate();
}

void tmywindow::cmViewParallel() { setView(ViewMode::Parallel, CM_VIEWPARALLEL); }
void tmywindow::cmViewCrossed() { setView(ViewMode::Crossed, CM_VIEWCROSSED); }
void tmywindow::cmViewAnaglyph() { setView(ViewMode::Anaglyph, CM_VIEWANAGLYPH); }
void tmywindow::cmViewDepth() {
  setView(ViewMode::Depth, CM_VIEWDEPTH);
  refreshDepth();
}

void tmywindow::cmFitWindow() {
  fitToWindow = !fitToWindow;
  frame()->getMenu().checkMenuItem(CM_FITWINDOW, fitToWindow);
  invalidate();
}

void tmywindow::cmExit() { closeWindow(); }

// --- input: to the display state shown ---

void tmywindow::evKeyDown(unsigned key, unsigned flags) {
  const bool pairShown = !libraryMode && viewMode != ViewMode::Split;
  if (pairShown && (key == VK_NEXT || key == VK_PRIOR))
    browse(key == VK_NEXT ? 1 : -1);
  else if (pairShown && (key == VK_OEM_4 || key == VK_OEM_6))
    turnRight((key == VK_OEM_4 ? -1 : 1) * (flags & MK_SHIFT ? 0.5 : 0.05));
  else
    shown().keyDown(key, flags);
}
void tmywindow::evLButtonDown(unsigned, TPoint p) { shown().lButtonDown(p); }

void tmywindow::evLButtonUp(unsigned, TPoint) {
  shown().lButtonUp();
  leftButtonDown = false;
}

void tmywindow::evMouseMove(unsigned flags, TPoint p) { shown().mouseMove(flags, p); }
void tmywindow::evRButtonDown(unsigned, TPoint p) { shown().rButtonDown(p); }
void tmywindow::evVScroll(unsigned code, int pos) { shown().vScroll(code, pos); }
void tmywindow::evHScroll(unsigned code, int pos) { shown().hScroll(code, pos); }
void tmywindow::evMouseWheel(unsigned flags, int turn, TPoint p) { shown().wheel(flags, turn, p); }

// The keys zoom about the client's centre.
namespace {
TPoint centre(const TWindow& w) {
  const TRect r = w.getClientRect();
  return {r.width() / 2, r.height() / 2};
}
}  // namespace

void tmywindow::cmZoomIn() { pairView_.zoomTo(zoomStep + 1, centre(*this)); }
void tmywindow::cmZoomOut() { pairView_.zoomTo(zoomStep - 1, centre(*this)); }

void tmywindow::cmActualSize() {
  pairView_.zoomTo(kActualSize, {0, 0});
  pan = {0, 0};
}
void tmywindow::evSize(unsigned, TSize) { invalidate(); }
