#pragma once
// The display states of the client window: the pair views, the split view and
// the library view. Each owns its painting and its mouse and key handling;
// tmywindow's message handlers pass each message to the state shown.
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "image/tbitmap.h"
#include "platform/dc.h"
#include "platform/result.h"
#include "platform/types.h"
#include "stereo/compose.h"

class tmywindow;
class tworkspace;
struct tlibraryentry;  // store/library.h

// The zoom steps of the pair views: below 1:1 the pictures are reduced by
// area, above it their pixels are repeated.
struct tzoom {
  int num, den;
};
inline constexpr tzoom kZoomSteps[] = {{1, 16}, {1, 8}, {1, 4}, {1, 2}, {1, 1}, {2, 1}, {4, 1}};
inline constexpr int kActualSize = 4;  // the 1:1 step
inline constexpr int kZoomStepCount = static_cast<int>(std::size(kZoomSteps));

class tview {
 public:
  // The views draw the workspace and change it only through the window's commands.
  tview(tmywindow& w, const tworkspace& ws) : w_(w), ws_(ws) {}
  virtual ~tview() = default;
  tview(const tview&) = delete;
  tview& operator=(const tview&) = delete;

  virtual void paint(TDC& dc) = 0;
  // flags: MK_SHIFT and MK_CONTROL as held
  virtual void keyDown(unsigned, unsigned) {}
  virtual void lButtonDown(TPoint) {}
  virtual void lButtonUp() {}
  virtual void mouseMove(unsigned, TPoint) {}
  virtual void rButtonDown(TPoint) {}
  virtual void vScroll(unsigned, int) {}
  virtual void hScroll(unsigned, int) {}
  // flags: MK_* as held; turn in WHEEL_DELTA units
  virtual void wheel(unsigned, int, TPoint) {}

 protected:
  tmywindow& w_;
  const tworkspace& ws_;
};

// The anaglyph, parallel and crossed views of the workspace's pair, or
// nothing while a picture is missing (ui/pairview.cpp).
class tpairview final : public tview {
 public:
  using tview::tview;
  void paint(TDC& dc) override;
  void keyDown(unsigned key, unsigned flags) override;
  void lButtonDown(TPoint p) override;
  void mouseMove(unsigned flags, TPoint p) override;
  void rButtonDown(TPoint p) override;
  void vScroll(unsigned code, int pos) override;
  void hScroll(unsigned code, int pos) override;
  void wheel(unsigned flags, int turn, TPoint p) override;
  // To that zoom step (clamped), the point about keeping its place; Fit to window goes off.
  void zoomTo(int step, TPoint about);
  // The pan kept within 0..most, the scroll bars showing it (none where most is 0).
  void showPan(TPoint most);

  // The reduction of the fitted anaglyph view of a left picture of that size
  // in that client area: 1 when it shows 1:1.
  static double fitScale(const TRect& client, std::int32_t width, std::int32_t height);
  // A picture as the fitted anaglyph view reduces it (on any thread).
  static std::unique_ptr<tbitmap> reducedForFit(const tbitmap& picture, double scale);
  // Reductions made elsewhere by reducedForFit, kept as if this view had made them.
  void adoptReduced(const tbitmap& left, std::unique_ptr<tbitmap> leftReduced, const tbitmap& right,
                    std::unique_ptr<tbitmap> rightReduced);

 private:
  // One picture reduced for the fitted anaglyph, kept while the picture and
  // the scale stay: the paints of a drag then only compose.
  struct treduced {
    const tbitmap* source = nullptr;
    std::uint64_t sourcePrint = 0;
    std::unique_ptr<tbitmap> picture;
    const tbitmap& of(const tbitmap& src, double scale);
  };
  treduced leftReduced_, rightReduced_;
  // The reduction of the fitted anaglyph view of a left picture (the
  // workspace's by default): 1 when it shows 1:1.
  double fitScale() const;
  double fitScale(const tbitmap& left) const;
  // Client pixels per source pixel of the anaglyph view: fitted or zoomed.
  double viewScale() const;
  TPoint panAnchor_, panStart_;  // of the left-button drag
  // The client white but for the drawn rectangle (the anaglyph view clears
  // only what it does not compose).
  void whiteOutside(TDC& dc, const TRect& drawn) const;
  void panTo(TPoint pan);
  // The pair at that position, or the position text where it does not fit.
  // Returns how far the view pans: {0, 0} where it does not.
  TPoint paintPair(TDC& dc, const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy);
  // The parallel or crossed picture of first picture a at the zoom, from the pan.
  TPoint paintSideBySide(TDC& dc, const tbitmap& a, const tbitmap& b, std::int32_t dx, std::int32_t dy);
  // The depth picture of the pair at the zoom from the pan, or fitted; a
  // line while it is being found.
  TPoint paintDepth(TDC& dc);
  // A picture of that size at the zoom, from the pan: build makes the part
  // of it a window of its pixels shows.
  TPoint paintZoomed(TDC& dc, TSize size,
                     const std::function<Result<std::unique_ptr<tbitmap>>(const PictureWindow&)>& build);
};

// The single source picture reduced to fit, with the two areas outlined on
// it (ui/split.cpp).
class tsplitview final : public tview {
 public:
  using tview::tview;
  void paint(TDC& dc) override;
  void keyDown(unsigned key, unsigned flags) override;
  void lButtonDown(TPoint p) override;
  void lButtonUp() override;
  void mouseMove(unsigned flags, TPoint p) override;
  void rButtonDown(TPoint p) override;

 private:
  void drawSelection(TDC& dc);
  void eraseSelection(TDC& dc);
  void accept();
};

// The thumbnails of the library's pairs; a click picks a pair
// (ui/library.cpp).
class tlibraryview final : public tview {
 public:
  using tview::tview;
  // The scrolling: the first entry shown, on the grid's row scrollRow.
  const tlibraryentry* firstShown = nullptr;
  std::int32_t scrollRow = 0;
  void showFrom(const tlibraryentry* first) {
    firstShown = first;
    scrollRow = 0;
  }
  void paint(TDC& dc) override;
  void keyDown(unsigned key, unsigned flags) override;
  void lButtonDown(TPoint p) override;
  void vScroll(unsigned code, int thumbPos) override;
};
