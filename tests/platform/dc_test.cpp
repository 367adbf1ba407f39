#include "platform/dc.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

namespace {

using Pixels = std::vector<std::pair<int, int>>;

Framebuffer whiteFramebuffer(int w, int h) {
  Framebuffer fb;
  fb.resize(w, h);
  return fb;
}

Pixels inked(const Framebuffer& fb) {
  Pixels p;
  for (int y = 0; y < fb.height; ++y)
    for (int x = 0; x < fb.width; ++x)
      if (fb.pixel(x, y) != kWhite) p.emplace_back(x, y);
  return p;
}

// One line in a framebuffer large enough to hold it, in drawing order along the major axis.
Pixels drawLine(int x0, int y0, int x1, int y1) {
  Framebuffer fb = whiteFramebuffer(64, 64);
  TDC dc(fb);
  dc.moveTo(x0, y0);
  dc.lineTo(x1, y1);
  return inked(fb);
}

TEST(DcLine, EveryOctantFollowsTheEndPointRule) {
  const int cx = 32, cy = 32;
  for (int dx = -20; dx <= 20; ++dx) {
    for (int dy = -20; dy <= 20; ++dy) {
      SCOPED_TRACE(testing::Message() << "to " << dx << "," << dy);
      const Pixels p = drawLine(cx, cy, cx + dx, cy + dy);
      const std::set<std::pair<int, int>> drawn(p.begin(), p.end());
      const int n = std::max(std::abs(dx), std::abs(dy));
      ASSERT_EQ(static_cast<int>(drawn.size()), n);  // one pixel per major step
      if (n == 0) continue;
      EXPECT_TRUE(drawn.count({cx, cy})) << "start drawn";
      EXPECT_FALSE(drawn.count({cx + dx, cy + dy})) << "end not drawn";
      // every pixel within half a pixel of the ideal line, measured along the minor axis
      const bool xMajor = std::abs(dx) >= std::abs(dy);
      for (auto [x, y] : drawn) {
        const double t = xMajor ? double(x - cx) / dx : double(y - cy) / dy;
        const double ideal = xMajor ? cy + t * dy : cx + t * dx;
        EXPECT_LE(std::abs((xMajor ? y : x) - ideal), 0.5) << x << "," << y;
        EXPECT_GE(t, 0.0);
        EXPECT_LT(t, 1.0);
      }
    }
  }
}

TEST(DcLine, ContinuesFromTheEndPointWithThePen) {
  Framebuffer fb = whiteFramebuffer(10, 10);
  TDC dc(fb);
  dc.selectPen(rgbColor(255, 0, 0));
  dc.moveTo(1, 1);
  dc.lineTo(5, 1);
  dc.lineTo(5, 4);
  const Pixels want{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 2}, {5, 3}};
  EXPECT_EQ(inked(fb), want);
  EXPECT_EQ(fb.pixel(5, 2), rgbColor(255, 0, 0));
}

// The part inside a small framebuffer is the same as that part of the line
// drawn whole in a large one.
TEST(DcLine, ClippingKeepsThePixelsOfTheWholeLine) {
  const struct {
    int x0, y0, x1, y1;
  } lines[] = {{-300, -7, 340, 29}, {250, -90, -60, 45}, {5, -400, 11, 300},
               {-1, 17, 40, 17},    {39, 39, -500, -3},  {-77, 80, 60, -61}};
  const int offset = 600;
  for (const auto& l : lines) {
    SCOPED_TRACE(testing::Message() << l.x0 << "," << l.y0 << " to " << l.x1 << "," << l.y1);
    Framebuffer big = whiteFramebuffer(1400, 1400), small = whiteFramebuffer(40, 30);
    TDC whole(big), clipped(small);
    whole.moveTo(l.x0 + offset, l.y0 + offset);
    whole.lineTo(l.x1 + offset, l.y1 + offset);
    clipped.moveTo(l.x0, l.y0);
    clipped.lineTo(l.x1, l.y1);
    Pixels want;
    for (auto [x, y] : inked(big))
      if (small.contains(x - offset, y - offset)) want.emplace_back(x - offset, y - offset);
    std::sort(want.begin(), want.end(),
              [](auto a, auto b) { return std::pair(a.second, a.first) < std::pair(b.second, b.first); });
    EXPECT_EQ(inked(small), want);
  }
}

TEST(DcLine, ExtremeCoordinatesStayInside) {
  Framebuffer fb = whiteFramebuffer(16, 16);
  TDC dc(fb);
  dc.moveTo(INT_MIN, INT_MIN);
  dc.lineTo(INT_MAX, INT_MAX);
  dc.moveTo(INT_MAX, 3);
  dc.lineTo(INT_MIN, 3);
  const Pixels p = inked(fb);
  EXPECT_EQ(p.size(), 31u);  // the diagonal and row 3, sharing (3, 3)
}

TEST(DcPixelRun, SameAsOneSetPixelPerPixel) {
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < 30; ++i) rgb.insert(rgb.end(), {std::uint8_t(i), std::uint8_t(2 * i), 7});
  const struct {
    int x, y, count;
  } runs[] = {{0, 0, 10}, {-4, 2, 10}, {5, 3, 30}, {-40, 1, 30},         {12, 1, 3},
              {3, -1, 5}, {3, 6, 5},   {2, 4, 0},  {INT_MAX - 2, 2, 10}, {INT_MIN, 2, 30}};
  for (const auto& r : runs) {
    SCOPED_TRACE(testing::Message() << r.x << "," << r.y << " x" << r.count);
    Framebuffer bulk = whiteFramebuffer(12, 6), single = whiteFramebuffer(12, 6);
    TDC(bulk).setPixelRun(r.x, r.y, rgb.data(), r.count);
    TDC one(single);
    for (std::int64_t i = 0; i < r.count; ++i) {
      const std::int64_t x = std::int64_t{r.x} + i;
      if (x < INT_MIN || x > INT_MAX) continue;
      one.setPixel(static_cast<int>(x), r.y, rgbColor(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]));
    }
    EXPECT_EQ(bulk.rgb, single.rgb);
    // In place only where the whole run lies on the device.
    const bool inside = r.count > 0 && r.x >= 0 && r.y >= 0 && r.y < 6 && std::int64_t{r.x} + r.count <= 12;
    EXPECT_EQ(TDC(bulk).pixelRun(r.x, r.y, r.count) != nullptr, inside);
  }
}

TEST(DcText, ExtentAddsUpAndIsOneLineHigh) {
  Framebuffer fb = whiteFramebuffer(1, 1);
  TDC dc(fb);
  EXPECT_EQ(dc.getTextExtent(""), (TSize{0, 16}));
  const TSize ab = dc.getTextExtent("ab");
  EXPECT_EQ(ab.cy, 16);
  EXPECT_GT(dc.getTextExtent("a").cx, 0);
  EXPECT_EQ(ab.cx, dc.getTextExtent("a").cx + dc.getTextExtent("b").cx);
  EXPECT_GT(dc.getTextExtent("WWW").cx, dc.getTextExtent("iii").cx);
  // bytes that are not UTF-8 are still measured, one character each
  EXPECT_GT(dc.getTextExtent("\xFF\xC3").cx, 0);
  EXPECT_EQ(dc.getTextExtent("\xC3\xA9").cx, dc.getTextExtent("\xC3\xA9").cx);
}

TEST(DcText, FillsExactlyTheCellAndInksInsideIt) {
  Framebuffer fb = whiteFramebuffer(200, 40);
  TDC dc(fb);
  const TColor bk = rgbColor(0, 0, 255), fg = rgbColor(255, 255, 0);
  dc.setBkColor(bk);
  dc.setTextColor(fg);
  const std::string text = "Hello, jig!";
  const TSize size = dc.getTextExtent(text);
  dc.textOut(10, 5, text);
  int background = 0, ink = 0, full = 0;
  for (int y = 0; y < fb.height; ++y) {
    for (int x = 0; x < fb.width; ++x) {
      const bool inside = x >= 10 && x < 10 + size.cx && y >= 5 && y < 5 + size.cy;
      const TColor c = fb.pixel(x, y);
      if (!inside) {
        ASSERT_EQ(c, kWhite) << x << "," << y;
        continue;
      }
      background += c == bk;
      ink += c != bk;
      full += c == fg;
      // coverage blends the text colour over the background, channel by channel
      EXPECT_EQ(redOf(c), greenOf(c));
    }
  }
  EXPECT_GT(ink, 40);
  EXPECT_GT(full, 0);  // solid coverage gives the text colour itself
  EXPECT_GT(background, ink);

  Framebuffer again = whiteFramebuffer(200, 40);
  TDC dc2(again);
  dc2.setBkColor(bk);
  dc2.setTextColor(fg);
  dc2.textOut(10, 5, text);
  EXPECT_EQ(again.rgb, fb.rgb);
}

TEST(DcText, ClippedAtTheEdges) {
  Framebuffer fb = whiteFramebuffer(20, 10);
  TDC dc(fb);
  dc.setBkColor(kBlack);
  for (TPoint at : {TPoint{-5, -5}, TPoint{15, 6}, TPoint{INT_MIN, INT_MIN}, TPoint{INT_MAX, 0}})
    dc.textOut(at.x, at.y, "Wide text here");
  EXPECT_EQ(fb.pixel(0, 0), kBlack);   // from the cell at -5, -5
  EXPECT_EQ(fb.pixel(19, 9), kBlack);  // from the cell at 15, 6
  EXPECT_EQ(fb.pixel(10, 0), kBlack);
}

}  // namespace
