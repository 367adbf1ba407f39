#include <random>

#include "tests/ui/window_fixture.h"

namespace {

class SplitTest : public WindowTest {
 protected:
  // A source picture of its own colours, in the split view.
  void enterSplit(int width, int height) {
    auto src = std::make_unique<tbitmap>(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) src->setPixel(x, y, x * 7, y * 3, x + y);
    }
    w().sourceImage = std::move(src);
    w().leftArea = {width / 40, width * 19 / 40, height / 20, height * 19 / 20};
    w().rightAreaOrigin = {width * 21 / 40, height / 20};
    w().viewMode = ViewMode::Split;
    w().invalidate();
    paint();
  }
  std::vector<std::uint8_t> screen() { return host().framebuffer().rgb; }
};

TEST_F(SplitTest, DivisorIsTheSmallestThatFitsAboveTheTextLines) {
  struct Case {
    int clientW, clientH, srcW, srcH, divisor;
  };
  const Case cases[] = {
      {800, 550, 1600, 1200, 3}, {1000, 700, 800, 600, 1}, {800, 648, 800, 600, 1},
      {800, 647, 800, 600, 2},   {799, 700, 800, 600, 2},  {400, 300, 1201, 10, 4},
      {1, 49, 100, 10, 100},     {50, 49, 10, 2, 2},       {800, 48, 300, 200, 6},
  };
  start();
  for (const Case& c : cases) {
    hb_.setClientSize(c.clientW, c.clientH);
    enterSplit(c.srcW, c.srcH);
    EXPECT_EQ(w().displayDivisor, c.divisor)
        << c.srcW << "x" << c.srcH << " in " << c.clientW << "x" << c.clientH;
  }
}

// Whatever the mouse does, the outlines drawn during the handlers leave the
// window exactly as a full repaint would show it: no trails, no wrong pixels.
// (A press that grabs a corner leaves both outlines erased until the next
// drawing, and a release repaints: neither is compared.)
TEST_F(SplitTest, DrawingDuringTheMouseHandlersMatchesAFullRepaint) {
  for (bool lockY : {true, false}) {
    hb_.setClientSize(400, 300);
    start();
    w().lockY = lockY;
    enterSplit(701, 400);  // d = 2, odd half: right edges land between screen pixels
    ASSERT_EQ(w().displayDivisor, 2);
    std::mt19937 random(lockY ? 7 : 11);
    // Kept above the text lines, so the outlines never cross them.
    std::uniform_int_distribution<int> x(0, 399), y(0, 120), action(0, 4);
    bool left = false, hidden = false;
    auto held = [&](unsigned more) { return more | (left ? unsigned{MK_LBUTTON} : 0u); };
    for (int step = 0; step < 400; ++step) {
      const int px = x(random), py = y(random);
      switch (action(random)) {
        case 0: {
          mouse(WM_LBUTTONDOWN, px, py, MK_LBUTTON);
          const tarea& a = w().leftArea;
          hidden = !(a.x1 == 2 * px && a.x2 == 2 * px && a.y1 == 2 * py && a.y2 == 2 * py);
          left = true;
          break;
        }
        case 1:
          mouse(WM_MOUSEMOVE, px, py, held(0));
          hidden = hidden && !left;
          break;
        case 2:
          mouse(WM_MOUSEMOVE, px, py, held(MK_RBUTTON));
          hidden = false;
          break;
        case 3:
          mouse(WM_RBUTTONDOWN, px, py, MK_RBUTTON);
          hidden = false;
          break;
        default:
          mouse(WM_LBUTTONUP, px, py);
          left = hidden = false;
          paint();
          continue;
      }
      if (hidden) continue;
      const std::vector<std::uint8_t> drawn = screen();
      w().invalidate();
      paint();
      ASSERT_TRUE(drawn == screen()) << "step " << step << " lockY " << lockY;
    }
    app_.reset();
  }
}

}  // namespace
