#include <fstream>
#include <random>

#include "platform/profile.h"
#include "testing/plain.h"
#include "tests/ui/window_fixture.h"

namespace {

// Two black 100 x 80 pictures: the anaglyph is black where it is drawn.
class PairViewTest : public WindowTest {
 protected:
  void SetUp() override {
    start();
    pictures(true, true);
  }
  bool blankRow(int y, int x1, int x2) {
    for (int x = x1; x < x2; ++x)
      if (pixel(x, y) != kWhite) return false;
    return true;
  }
  bool blank(int x1, int y1, int x2, int y2) {
    for (int y = y1; y < y2; ++y)
      if (!blankRow(y, x1, x2)) return false;
    return true;
  }
};

TEST_F(PairViewTest, AnaglyphFollowsTheRightPicture) {
  struct Case {
    int dx, dy;
    TRect drawn;  // the anaglyph's place in the client area
  };
  const Case cases[] = {{0, 0, {0, 0, 100, 80}},
                        {10, -5, {10, 0, 100, 75}},
                        {-20, 7, {0, 7, 80, 80}},
                        {100, 0, {100, 0, 100, 80}}};
  for (const Case& c : cases) {
    position(c.dx, c.dy);
    w().invalidate();
    paint();
    const TRect& r = c.drawn;
    EXPECT_TRUE(blank(0, 0, r.left, 100)) << c.dx << "," << c.dy;
    EXPECT_TRUE(blank(0, 0, 120, r.top)) << c.dx << "," << c.dy;
    EXPECT_TRUE(blank(r.right, 0, 120, 100)) << c.dx << "," << c.dy;
    EXPECT_TRUE(blank(0, r.bottom, 120, 100)) << c.dx << "," << c.dy;
    if (r.width() > 0) {
      EXPECT_EQ(pixel(r.left, r.top), kBlack) << c.dx << "," << c.dy;
      EXPECT_EQ(pixel(r.right - 1, r.bottom - 1), kBlack) << c.dx << "," << c.dy;
    }
  }
}

TEST_F(PairViewTest, PositionThatDoesNotFitShowsCentredTextOnly) {
  for (auto [dx, dy] : {std::pair{101, 0}, std::pair{-3, 200}, std::pair{0, -81}}) {
    position(dx, dy);
    w().invalidate();
    paint();
    TDC dc(host().framebuffer());
    const std::string text =
        "Change position of right picture: (" + std::to_string(dx) + ", " + std::to_string(dy) + ")";
    const TSize extent = dc.getTextExtent(text);
    const int x = (800 - extent.cx) / 2, y = (600 - extent.cy) / 2;
    EXPECT_TRUE(blank(0, 0, 800, y));
    EXPECT_TRUE(blank(0, y + extent.cy, 800, 600));
    EXPECT_TRUE(blank(0, y, x, y + extent.cy));
    EXPECT_TRUE(blank(x + extent.cx, y, 800, y + extent.cy));
    EXPECT_FALSE(blank(x, y, x + extent.cx, y + extent.cy)) << text;
    EXPECT_TRUE(hb_.messages.empty());
  }
}

TEST_F(PairViewTest, SideBySideViewsDrawAtTheOriginAndLeaveTheWorkspaceAlone) {
  position(4, -2);
  const tbitmap* left = w().workspace().leftImage();
  for (unsigned view : {CM_VIEWPARALLEL, CM_VIEWCROSSED}) {
    command(view);
    paint();
    EXPECT_FALSE(blank(0, 0, 20, 20));
    EXPECT_EQ(w().workspace().leftImage(), left);
    EXPECT_EQ(w().workspace().rightOffsetX(), 4);
    EXPECT_EQ(w().workspace().rightOffsetY(), -2);
  }
}

// The anaglyph view composes straight into the device in bands on every
// core; it must show what the plain loop composes.
TEST_F(PairViewTest, AnaglyphViewPaintsWhatThePlainLoopComposes) {
  std::mt19937 rng(3);
  auto noise = [&](int w, int h) {
    auto p = std::make_unique<tbitmap>(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p->setPixel(x, y, int(rng() & 255), int(rng() & 255), int(rng() & 255));
    return p;
  };
  tworkspace& ws = w().workspace();
  ws.openPictures(noise(900, 700), noise(880, 720));
  tworkspacesettings s = ws.allSettings();
  s.exports.leftColour = {255, 30, 7};
  s.exports.rightColour = {0, 192, 128};
  ws.applySettings(s);
  for (auto [dx, dy] : {std::pair{0, 0}, std::pair{13, -7}, std::pair{-40, 25}}) {
    ws.setPosition(dx, dy);
    w().invalidate();
    paint();
    const auto plain = plainAnaglyph(*ws.leftImage(), *ws.rightImage(), dx, dy, ws.settings().leftColour,
                                     ws.settings().rightColour);
    int wrong = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        const int px = x - std::max(dx, 0), py = y - std::max(dy, 0);
        const bool inside = px >= 0 && py >= 0 && px < plain->width && py < plain->height;
        const tpixel p = inside ? plain->row(py)[px] : tpixel(255, 255, 255);
        wrong += pixel(x, y) != rgbColor(p.red, p.green, p.blue);
      }
    EXPECT_EQ(wrong, 0) << dx << "," << dy;
  }
}

TEST_F(WindowTest, RefusedSideBySideBuildIsShownOnScreen) {
  Profile(profilePath()).writeString("Binoxa", "VIEWSIZE", "0");
  start();
  pictures(true, true);
  command(CM_VIEWPARALLEL);
  paint();
  EXPECT_EQ(pixel(0, 0), kWhite);
  bool text = false;
  for (int x = 0; x < 800 && !text; ++x) text = pixel(x, 300) != kWhite || pixel(x, 295) != kWhite;
  EXPECT_TRUE(text);
  EXPECT_TRUE(hb_.messages.empty());
}

}  // namespace
