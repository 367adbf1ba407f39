#pragma once
// The client window: it holds the whole workspace, paints every view and
// takes every command, key, mouse, scroll and size message.
#include <cstdint>
#include <memory>
#include <string>

#include "image/tbitmap.h"
#include "platform/msgmap.h"
#include "platform/window.h"
#include "stereo/compose.h"

struct tlibraryentry;  // store/library.h

enum class ViewMode : std::int32_t { Anaglyph = 1, Parallel = 2, Crossed = 3, Split = 4 };

struct tarea {  // two corners (x1, y1), (x2, y2) in any order, source pixels
  std::int32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

struct tareaorigin {
  std::int32_t x = 0, y = 0;
};

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
};

class tmywindow : public TWindow {
 public:
  tmywindow();
  ~tmywindow() override;  // tear-down: writePosFile, writeSettings, releaseLibrary, pictures

  bool handleMessage(const TMessage& m) override;
  void paint(TDC& dc, bool erase, const TRect& rect) override;

  // --- the workspace, in the order of its definition; public so that the
  // scenario runner can read it ---
  bool leftButtonDown = false;
  bool suppressPosWrite = false;
  std::unique_ptr<tbitmap> leftImage;
  std::string leftFileName;
  std::unique_ptr<tbitmap> sourceImage;
  std::string sourceFileName;
  bool libraryMode = false;
  bool lockY = true;
  ViewMode viewMode = ViewMode::Anaglyph;
  bool dragFirstCorner = false;
  tarea leftArea;
  tareaorigin rightAreaOrigin;  // also dragAnchor of the right-button drag
  ColourWeights leftColour;
  ColourWeights rightColour;
  std::int32_t rightOffsetX = 0;
  std::int32_t rightOffsetY = 0;
  ViewMode savedViewMode = ViewMode::Anaglyph;
  std::int32_t dragStartOffsetX = 0;
  std::int32_t dragStartOffsetY = 0;
  std::unique_ptr<tbitmap> rightImage;
  std::string rightFileName;
  std::int32_t libraryCount = 0;
  bool usePosFiles = true;
  std::int32_t displayDivisor = 1;
  std::int32_t libraryScrollRow = 0;
  std::uint32_t viewSize = 200;
  std::int32_t imageSpacing = 0;
  std::unique_ptr<tlibraryentry> libraryEntries;
  tlibraryentry* libraryFirstShown = nullptr;

  // --- ui/tmywindow.cpp: settings, caption, views, paint ---
  void readSettings();
  void writeSettings();
  void updateCaption();
  static std::int32_t min(std::int32_t a, std::int32_t b) { return b < a ? b : a; }
  static std::int32_t max(std::int32_t a, std::int32_t b) { return b > a ? b : a; }
  // On-screen form of the position check (pair views); the exports' message
  // form is checkExport of stereo/export.h.
  bool positionFits(TDC& dc);
  void paintPairView(TDC& dc);
  // Workspace forms of the compositions; the crossed one leaves the workspace
  // exactly as it found it.
  // maxWidth / maxHeight: the part a window of that size shows (all by default).
  std::unique_ptr<tbitmap> buildAnaglyph(int maxWidth = INT32_MAX, int maxHeight = INT32_MAX);
  Result<std::unique_ptr<tbitmap>> buildSideBySide();
  Result<std::unique_ptr<tbitmap>> buildCrossed();

  // --- ui/posfiles.cpp ---
  void readPosFile();
  void writePosFile();

  // --- ui/loading.cpp ---
  bool openSourceFile(std::string& name, std::unique_ptr<tbitmap>& slot);

  // --- ui/split.cpp ---
  void paintSplitView(TDC& dc);
  void drawSelection(TDC& dc);
  void eraseSelection(TDC& dc);
  void acceptSplit();

  // --- ui/library.cpp ---
  bool scanLibrary();
  void releaseLibrary();
  void paintLibrary(TDC& dc);
  void pickLibraryPair(TPoint p);
  void scrollLibrary(unsigned code, int thumbPos);

 private:
  static const TResponse<tmywindow> responseTable[];
  // message handlers (ui/tmywindow.cpp)
  void evKeyDown(unsigned key);
  void evLButtonDown(unsigned flags, TPoint p);
  void evLButtonUp(unsigned flags, TPoint p);
  void evMouseMove(unsigned flags, TPoint p);
  void evRButtonDown(unsigned flags, TPoint p);
  void evVScroll(unsigned code, int pos);
  void evSize(unsigned type, TSize size);
  void cmViewParallel();
  void cmViewCrossed();
  void cmViewAnaglyph();
  void setView(ViewMode mode, unsigned command);
  void cmExit();
  // ui/loading.cpp
  void cmOpenLeft();
  void cmOpenRight();
  void cmOpenSingle();
  // ui/exports.cpp
  void cmSaveParallel();
  void cmSaveCrossed();
  void cmSaveAnaglyph();
  void cmSaveLeft();
  void cmSaveRight();
  void cmSaveAll();
  // ui/position.cpp
  void cmRightPosition();
  void startPositionDrag(TPoint p);
  void dragPosition(TPoint p);
  // ui/options.cpp
  void cmOptions();
  void cmAbout();
  // ui/split.cpp
  void splitLButtonDown(TPoint p);
  void splitMouseMove(unsigned flags, TPoint p);
  void splitLButtonUp();
  void splitRButtonDown(TPoint p);
  // ui/library.cpp
  void cmSelectLibrary();
  void cmSelectDirectory();
};
