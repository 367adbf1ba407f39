#pragma once
// The client window: it holds the whole workspace and the one message map.
// Commands are handled here; paint, keys, mouse and scrolling go to the
// display state shown (ui/views.h).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/correction.h"
#include "image/tbitmap.h"
#include "platform/msgmap.h"
#include "platform/profile.h"
#include "platform/window.h"
#include "stereo/compose.h"
#include "store/settings.h"
#include "ui/history.h"
#include "ui/views.h"
#include "workspace/workspace.h"

struct tpendingpair;   // ui/pending.h
struct tpairdepth;     // ui/pending.h

enum class ViewMode : std::int32_t { Anaglyph = 1, Parallel = 2, Crossed = 3, Split = 4, Depth = 5 };

// Command ids of menu 1.
enum : unsigned {
  CM_OPENLEFT = 11842,
  CM_OPENRIGHT = 11843,
  CM_RIGHTPOSITION = 11844,
  CM_SAVEANAGLYPH = 11845,
  CM_ABOUT = 11846,
  CM_VIEWANAGLYPH = 11847,
  CM_VIEWPARALLEL = 11848,
  CM_OPTIONS = 11849,
  CM_SELECTDIRECTORY = 11850,
  CM_OPENSINGLE = 11851,
  CM_SELECTLIBRARY = 11852,
  CM_SAVECROSSED = 11853,
  CM_SAVEPARALLEL = 11854,
  CM_SAVERIGHT = 11855,
  CM_SAVELEFT = 11856,
  CM_VIEWCROSSED = 11857,
  CM_EXIT = 11858,
  CM_SAVEALL = 11859,
  CM_FITWINDOW = 11860,
  CM_OPENSTEREO = 11861,
  CM_ALIGN = 11862,
  CM_SWAP = 11863,
  CM_UNDO = 11864,
  CM_REDO = 11865,
  CM_ZOOMIN = 11866,
  CM_ZOOMOUT = 11867,
  CM_ACTUALSIZE = 11868,
  CM_SHORTCUTS = 11869,
  CM_CORRECTION = 11870,
  CM_RESETCORRECTION = 11871,
  CM_MATCHCOLOURS = 11872,
  CM_EXPORTDISPLAY = 11873,
  CM_VIEWDEPTH = 11874,
};

class tmywindow : public TWindow {
 public:
  tmywindow();
  ~tmywindow() override;  // tear-down: storePosition, writeSettings, releaseLibrary, pictures

  bool handleMessage(const TMessage& m) override;
  void paint(TDC& dc, bool erase, const TRect& rect) override;
  // The anaglyph view whitens what its picture leaves free itself.
  bool paintsWholeClient() const override { return !libraryMode && viewMode == ViewMode::Anaglyph; }

  // The pair and its commands; the views only read it.
  const tworkspace& workspace() const { return ws_; }
  tworkspace& workspace() { return ws_; }

  // --- the display state, in the order of the scenario runner's field table
  // (tools/scenario/expect.cpp); public so that the runner can read it ---
  bool leftButtonDown = false;
  std::unique_ptr<tbitmap> sourceImage;
  std::string sourceFileName;
  bool libraryMode = false;
  bool lockY = true;
  ViewMode viewMode = ViewMode::Anaglyph;
  bool dragFirstCorner = false;
  tarea leftArea;
  tareaorigin rightAreaOrigin;  // also the anchor of the right-button drag
  ViewMode savedViewMode = ViewMode::Anaglyph;
  std::int32_t dragStartOffsetX = 0;
  std::int32_t dragStartOffsetY = 0;
  std::int32_t displayDivisor = 1;
  bool fitToWindow = false;  // the pair views reduced to the client area
  // The pair views' zoom (an index in kZoomSteps) and pan (pixels of the
  // zoomed pair scrolled past the client's top-left).
  int zoomStep = kActualSize;
  TPoint pan;

  // --- ui/tmywindow.cpp ---
  void readSettings();
  void writeSettings();
  void updateCaption();
  // The display state the workspace shows, and the one the library view
  // covers while it is shown.
  tview& shown();
  tview& covered();

  // The pair and its position as undo keeps them.
  tpairstate pairState() const;
  // The status line for the workspace as it is.
  std::string statusText() const;
  // That line in the frame's status bar, when it changed.
  void showStatus();

  // A refused command's reason in a message box; false then.
  bool report(const Status& s);
  // The right picture moved to that position (the views' gestures).
  void moveRight(std::int32_t x, std::int32_t y);
  void nudgeRight(std::int32_t byX, std::int32_t byY);
  // The two areas of the single picture cut out as the pair (the split view's Enter).
  void acceptSplit();

  // --- ui/loading.cpp ---
  // As Open left / Open right do once a file is chosen; a refusal is
  // reported and changes nothing.
  bool openLeft(const std::string& path);
  void openRight(const std::string& path);
  // The old pair's position file, before another pair replaces it.
  void storePosition() { ws_.storePosition(); }
  void openStereo(const std::string& path);
  // The frame's place kept in the profile, if any.
  std::optional<FramePlacement> savedPlacement() const { return readPlacement(profile_); }
  // The reduced views of a stereo photo still decoding, else nullptr.
  const tpendingpair* pendingPair() const { return loading_.get(); }

  // --- ui/depth.cpp ---
  // The depth of the pair as shown, once the pair is aligned or the depth
  // view shown: found anew after each change of the pictures, the position
  // or the correction, in the background where the back end can.
  void refreshDepth();
  // The depth picture of the pair as shown (white nearest), else nullptr.
  const tbitmap* depthPicture() const;
  // "Deviation 2.4 %" of the pair as shown, marked when over MAXDEV; empty
  // while not known.
  std::string deviationText() const;

  // --- ui/library.cpp ---
  // Both pictures of a pair read as Open does, then made the workspace's
  // pair with its position file; a refusal is reported and changes nothing.
  bool openPair(std::string left, std::string right);
  // The current folder's pairs listed anew, the view at their start; false
  // (and the library view left) when it has none.
  bool scanLibrary();
  void releaseLibrary();
  const tlibraryview& libraryView() const { return libraryView_; }

 private:
  static const TResponse<tmywindow> responseTable[];
  // Read once as the window is made, edited in memory, written once at exit.
  Profile profile_{Profile::defaultPath()};
  tworkspace ws_;
  tpairview pairView_{*this, ws_};
  tsplitview splitView_{*this, ws_};
  tlibraryview libraryView_{*this, ws_};
  std::unique_ptr<tpendingpair> loading_;
  std::uint64_t loads_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  thistory history_;
  // The state when the gesture or command under way began.
  std::optional<tpairstate> before_;
  bool buttonHeld_ = false;  // by the last mouse message
  std::string statusShown_;
  std::unique_ptr<tpairdepth> depth_;
  bool aligned_ = false;  // since the pair opened: its depth is followed

  // message handlers (ui/tmywindow.cpp)
  void evKeyDown(unsigned key, unsigned flags);
  void evLButtonDown(unsigned flags, TPoint p);
  void evLButtonUp(unsigned flags, TPoint p);
  void evMouseMove(unsigned flags, TPoint p);
  void evRButtonDown(unsigned flags, TPoint p);
  void evVScroll(unsigned code, int pos);
  void evHScroll(unsigned code, int pos);
  void evMouseWheel(unsigned flags, int turn, TPoint p);
  void cmZoomIn();
  void cmZoomOut();
  void cmActualSize();
  void evSize(unsigned type, TSize size);
  void cmViewParallel();
  void cmViewCrossed();
  void cmViewAnaglyph();
  void cmViewDepth();
  void cmFitWindow();
  void setView(ViewMode mode, unsigned command);
  void cmExit();
  void cmUndo();
  void cmRedo();
  void restore(const std::optional<tpairstate>& s);
  // After each message: a finished change becomes an undo step, the status line follows.
  void noteChange(const TMessage& m);
  // ui/loading.cpp
  void cmOpenLeft();
  void cmOpenRight();
  void cmOpenSingle();
  // The open dialog's file, or nullopt when it was cancelled.
  std::optional<std::string> chooseSource();
  // With Fit to window, a stereo photo's reduced views first: false where
  // the format has no cheap reduction or the back end shows nothing meanwhile.
  bool startPreview(const std::string& path);
  // The full views of a pending photo on a thread, then finishLoading through the back end.
  void decodeInBackground(tpendingpair& job);
  void finishLoading();  // waits for the full views, then shows them
  bool showStereo(const std::string& path, Result<StereoViews> views);
  // A new pair shown: the caption, the pair views.
  void pairOpened();
  // ui/drop.cpp
  void evDropFiles(const std::vector<std::string>& paths);
  void cmOpenStereo();
  // ui/exports.cpp
  void cmSaveParallel();
  void cmSaveCrossed();
  void cmSaveAnaglyph();
  void cmSaveLeft();
  void cmSaveRight();
  void cmSaveAll();
  // ui/display.cpp
  void cmExportDisplay();
  // ui/position.cpp
  void cmRightPosition();
  void cmAlign();
  void cmSwap();
  void cmCorrection();
  void cmResetCorrection();
  void cmMatchColours();
  void turnRight(double degrees);  // [ and ] in the pair views
  void setCorrection(const Correction& c);
  // ui/options.cpp
  void cmOptions();
  void cmAbout();
  void cmShortcuts();
  // ui/library.cpp
  void cmSelectLibrary();
  void cmSelectDirectory();
  // The next (step 1) or previous (-1) pair of the current pair's folder.
  void browse(int step);
};
