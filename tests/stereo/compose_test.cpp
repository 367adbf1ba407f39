#include "stereo/compose.h"
#include "stereo/methods.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "stereo/anaglyphrows.h"
#include "testing/plain.h"

namespace {

tbitmap noise(int w, int h, std::mt19937& rng) {
  tbitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y, static_cast<int>(rng() & 255), static_cast<int>(rng() & 255),
                 static_cast<int>(rng() & 255));
  return b;
}

tbitmap solid(int w, int h, tpixel p) {
  tbitmap b(w, h);
  b.fillRect(0, 0, w, h, p);
  return b;
}

// Column x of a pair's picture shows column x of its source (x, y) = (x, y, 0).
tbitmap coords(int w, int h) {
  tbitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, x, y, 0);
  return b;
}

void expectSame(const tbitmap& a, const tbitmap& b, const std::string& what) {
  ASSERT_EQ(a.width, b.width) << what;
  ASSERT_EQ(a.height, b.height) << what;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << what << " at " << x << "," << y;
}

constexpr ColourWeights kLeftDefault{255, 0, 0}, kRightDefault{0, 192, 128};

TEST(pairOverlap, Regions) {
  struct Case {
    int lw, lh, rw, rh, dx, dy;
    Overlap expected;
  };
  const Case cases[] = {
      {100, 80, 100, 80, 0, 0, {0, 0, 0, 0, 100, 80}},
      {100, 80, 100, 80, 10, 0, {0, 0, 10, 0, 90, 80}},
      {100, 80, 100, 80, -10, 0, {10, 0, 0, 0, 90, 80}},
      {120, 90, 100, 80, -30, 5, {30, 0, 0, 5, 90, 75}},
      {100, 80, 100, 80, 100, 0, {0, 0, 100, 0, 0, 80}},
      {640, 480, 600, 480, -600, 0, {600, 0, 0, 0, 40, 480}},
  };
  for (const Case& c : cases) {
    const Overlap o = pairOverlap(c.dx, c.dy, tbitmap(c.lw, c.lh), tbitmap(c.rw, c.rh));
    const Overlap& e = c.expected;
    EXPECT_EQ(std::tie(o.leftX, o.leftY, o.rightX, o.rightY, o.w, o.h),
              std::tie(e.leftX, e.leftY, e.rightX, e.rightY, e.w, e.h))
        << c.dx << "," << c.dy;
  }
}

TEST(positionFits, EqualityFitsAndExtremesDoNotOverflow) {
  const tbitmap l(640, 480), r(600, 480);
  struct Case {
    int dx, dy;
    bool fits;
  };
  for (const Case c : {Case{600, 0, true},
                       {601, 0, false},
                       {-600, 0, true},
                       {0, 480, true},
                       {0, -481, false},
                       {INT32_MIN, 0, false},
                       {0, INT32_MIN, false},
                       {INT32_MAX, 0, false}})
    EXPECT_EQ(positionFits(c.dx, c.dy, l, r), c.fits) << c.dx << "," << c.dy;
}

TEST(buildAnaglyph, DefaultWeightsAndSaturation) {
  struct Case {
    tpixel left, right;
    ColourWeights lc, rc;
    tpixel expected;
  };
  const tpixel white(255, 255, 255), black;
  const Case cases[] = {
      {white, black, kLeftDefault, kRightDefault, {254, 0, 0}},
      {black, white, kLeftDefault, kRightDefault, {0, 191, 127}},
      {white, white, kLeftDefault, kRightDefault, {254, 191, 127}},
      {black, {6, 0, 0}, kLeftDefault, kRightDefault, {0, 1, 1}},  // 6 x 0.16666667 is just above 1
      {white, white, {255, 0, 0}, {255, 0, 0}, {255, 0, 0}},       // 508 saturates
      {white, white, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
      {white, white, {UINT32_MAX, 0, 0}, {0, 0, 0}, {255, 0, 0}},
  };
  for (const Case& c : cases) {
    auto out =
        buildAnaglyph(solid(3, 2, c.left), solid(3, 2, c.right), 0, 0, AnaglyphMethod::Custom, c.lc, c.rc);
    ASSERT_EQ(out->width, 3);
    ASSERT_EQ(out->height, 2);
    EXPECT_EQ(out->pixel(2, 1), c.expected);
  }
}

TEST(buildAnaglyph, PairsColumnsByPosition) {
  // Left brightness drives red, right brightness blue: each output pixel
  // names the two source columns it combined.
  const tbitmap l = coords(100, 80), r = coords(100, 80);
  const ColourWeights lc{768, 0, 0}, rc{0, 0, 768};
  struct Case {
    int dx, lx, rx;
  };
  for (const Case c : {Case{10, 0, 10}, {-10, 10, 0}}) {
    auto out = buildAnaglyph(l, r, c.dx, 0, AnaglyphMethod::Custom, lc, rc);
    ASSERT_EQ(out->width, 90);
    EXPECT_EQ(out->pixel(0, 1).red, c.lx + 1);
    EXPECT_EQ(out->pixel(0, 1).blue, c.rx + 1);
  }
  EXPECT_EQ(buildAnaglyph(l, r, 100, 0, AnaglyphMethod::Custom, lc, rc)->width, 0);
}

TEST(buildSideBySide, Layouts) {
  struct Case {
    const char* what;
    int dx;
    std::uint32_t viewSize;
    int space;
    bool crossed;
    int w, h;
    std::vector<std::tuple<int, int, tpixel>> probes;
  };
  const tpixel white(255, 255, 255);
  // left picture pixel (x, y) = (x, y, 0); right = (x, y, 1)
  const Case cases[] = {
      {"one to one",
       0,
       100,
       10,
       false,
       230,
       100,
       {{10, 10, {0, 0, 0}},
        {109, 89, {99, 79, 0}},
        {120, 10, {0, 0, 1}},
        {219, 89, {99, 79, 1}},
        {9, 10, white},
        {110, 50, white},
        {119, 50, white},
        {220, 50, white},
        {50, 9, white},
        {50, 90, white}}},
      {"enlarged",
       0,
       200,
       10,
       false,
       430,
       180,
       {{10, 10, {0, 0, 0}},
        {11, 11, {0, 0, 0}},
        {12, 10, {1, 0, 0}},
        {209, 169, {99, 79, 0}},
        {210, 50, white},
        {220, 10, {0, 0, 1}},
        {419, 169, {99, 79, 1}}}},
      {"halved shows the top-right of each 2 x 2",
       0,
       50,
       10,
       false,
       130,
       60,
       {{10, 10, {1, 0, 0}}, {11, 11, {3, 2, 0}}, {70, 10, {1, 0, 1}}}},
      {"no spacing", 0, 100, 0, false, 200, 80, {{99, 0, {99, 0, 0}}, {100, 0, {0, 0, 1}}}},
      {"crossed", 0, 100, 10, true, 230, 100, {{10, 10, {0, 0, 1}}, {120, 10, {0, 0, 0}}}},
      {"shifted", 10, 100, 10, false, 210, 100, {{10, 10, {0, 0, 0}}, {110, 10, {10, 0, 1}}}},
  };
  const tbitmap l = coords(100, 80);
  tbitmap r(100, 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) r.setPixel(x, y, x, y, 1);
  for (const Case& c : cases) {
    auto out = c.crossed ? buildCrossed(l, r, c.dx, 0, c.viewSize, c.space)
                         : buildSideBySide(l, r, c.dx, 0, c.viewSize, c.space);
    ASSERT_TRUE(out.ok()) << c.what;
    ASSERT_EQ(out.value()->width, c.w) << c.what;
    ASSERT_EQ(out.value()->height, c.h) << c.what;
    for (auto [x, y, p] : c.probes)
      EXPECT_EQ(out.value()->pixel(x, y), p) << c.what << " at " << x << "," << y;
  }
}

TEST(buildSideBySide, ScaleComesFromTheFirstPicture) {
  const tbitmap wide(200, 80), narrow(100, 80);
  auto parallel = buildSideBySide(wide, narrow, 0, 0, 100, 0);
  auto crossed = buildCrossed(wide, narrow, 0, 0, 100, 0);
  ASSERT_TRUE(parallel.ok() && crossed.ok());
  EXPECT_EQ(parallel.value()->width, 100);  // s = 0.5 on a 100-wide overlap
  EXPECT_EQ(crossed.value()->width, 200);   // s = 1
  // viewSize 400 over 300: s rounds up, so 600 x s is just above 800.
  auto rounded = buildSideBySide(tbitmap(300, 10), tbitmap(300, 10), 0, 0, 400, 0);
  EXPECT_EQ(rounded.value()->width, 800);
}

TEST(buildSideBySide, RefusesSettingsThatGiveNoSensiblePicture) {
  const tbitmap a(100, 80), b(100, 80);
  struct Case {
    std::uint32_t viewSize;
    int space, dx;
    const char* message;
  };
  const Case cases[] = {
      {0, 0, 0, kViewSettingsOutOfRange},
      {static_cast<std::uint32_t>(-5), 0, 0, kViewSettingsOutOfRange},  // -5 in the profile
      {200, -1, 0, kViewSettingsOutOfRange},
      {INT32_MAX, 0, 0, kViewSettingsOutOfRange},  // absurdly large
      {200, INT32_MAX, 0, kViewSettingsOutOfRange},
      {200, 0, 101, kPositionDoesNotFit},
  };
  for (const Case& c : cases) {
    auto out = buildSideBySide(a, b, c.dx, 0, c.viewSize, c.space);
    ASSERT_FALSE(out.ok()) << c.viewSize << " " << c.space;
    EXPECT_EQ(out.error().message, c.message);
  }
  EXPECT_FALSE(buildCrossed(a, b, INT32_MIN, 0, 200, 0).ok());
  EXPECT_TRUE(buildSideBySide(a, b, 100, 0, 200, 1).ok());  // margins alone are a picture
}

// In-range settings on an empty overlap give an empty picture, as the anaglyph does.
TEST(buildSideBySide, EmptyOverlapGivesAnEmptyPicture) {
  const tbitmap a(100, 80), b(100, 80);
  auto zeroWide = buildSideBySide(a, b, 100, 0, 200, 0);
  ASSERT_TRUE(zeroWide.ok());
  EXPECT_EQ(zeroWide.value()->width, 0);
  EXPECT_EQ(zeroWide.value()->height, 160);
  auto tiny = buildSideBySide(a, b, 0, 0, 1, 0);  // s = 0.01f, just below 0.01: 1 x 0
  ASSERT_TRUE(tiny.ok());
  EXPECT_EQ(tiny.value()->width, 1);
  EXPECT_EQ(tiny.value()->height, 0);
}

// Random pictures, odd sizes and random settings against the plain loops.
TEST(compositions, MatchThePlainAlgorithm) {
  std::mt19937 rng(20240611);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 300; ++round) {
    const tbitmap l = noise(between(1, 61), between(1, 47), rng);
    const tbitmap r = noise(between(1, 61), between(1, 47), rng);
    const int maxDx = std::min(l.width, r.width), maxDy = std::min(l.height, r.height);
    const int dx = between(-maxDx, maxDx), dy = between(-maxDy, maxDy);
    const std::string what = "round " + std::to_string(round);

    auto weight = [&] {
      return static_cast<std::uint32_t>(between(0, 3) == 0 ? between(0, 1000) : between(0, 255));
    };
    const ColourWeights lc{weight(), weight(), weight()}, rc{weight(), weight(), weight()};
    expectSame(*buildAnaglyph(l, r, dx, dy, AnaglyphMethod::Custom, lc, rc),
               *plainAnaglyph(l, r, dx, dy, lc, rc), what + " anaglyph");
    // A window's part of the anaglyph is the top-left of the whole one.
    const int mw = between(-2, l.width + 2), mh = between(-2, l.height + 2);
    expectSame(*buildAnaglyph(l, r, dx, dy, AnaglyphMethod::Custom, lc, rc, mw, mh),
               *plainAnaglyph(l, r, dx, dy, lc, rc)->crop(0, 0, std::max(mw, 0), std::max(mh, 0)),
               what + " clipped anaglyph");

    const auto viewSize = static_cast<std::uint32_t>(between(1, 3 * l.width + 5));
    const int space = between(0, 3) == 0 ? 0 : between(0, 12);
    auto compare = [&](const Result<std::unique_ptr<tbitmap>>& fast, const tbitmap& plain,
                       const std::string& kind) {
      ASSERT_TRUE(fast.ok()) << what << " " << kind << ": " << fast.error().message;
      expectSame(*fast.value(), plain, what + " " + kind);
    };
    compare(buildSideBySide(l, r, dx, dy, viewSize, space), *plainSideBySide(l, r, dx, dy, viewSize, space),
            "parallel");
    compare(buildCrossed(l, r, dx, dy, viewSize, space), *plainSideBySide(r, l, -dx, -dy, viewSize, space),
            "crossed");
    // and so is a window's part of the side-by-side pictures, from anywhere in them
    const int sw = between(-2, 2 * viewSize + 3 * space + 2), sh = between(-2, l.height * 3 + 2 * space);
    const int sx = between(0, 3) == 0 ? 0 : between(0, 2 * viewSize + 3 * space + 2);
    const int sy = between(0, 3) == 0 ? 0 : between(0, l.height * 3 + 2 * space);
    compare(buildSideBySide(l, r, dx, dy, viewSize, space, {sx, sy, sw, sh}),
            *plainSideBySide(l, r, dx, dy, viewSize, space)
                 ->crop(sx, sy, sx + std::max(sw, 0), sy + std::max(sh, 0)),
            "parallel window");
  }
}

}  // namespace

// Each row covers one way a channel is computed, on rows wider than the
// kernel's runs and of odd width, at a random position.
TEST(buildAnaglyph, EveryPathMatchesThePlainLoop) {
  struct Case {
    const char* what;
    ColourWeights lc, rc;
    bool fixed[3];
  };
  const Case cases[] = {
      {"default weights", kLeftDefault, kRightDefault, {true, true, true}},
      // 1 x 2/768 + 614 x 5/768 is 4, but the single-precision factors give 3
      {"green 2 and 5", {0, 2, 0}, {0, 5, 0}, {true, true, true}},
      {"factors rounded opposite ways", {20, 0, 0}, {146, 0, 0}, {false, true, true}},
      {"saturating weights", {UINT32_MAX, 1, 1000}, {1, UINT32_MAX, 100000}, {true, true, false}},
  };
  std::mt19937 rng(11);
  for (const Case& c : cases) {
    const AnaglyphRows rows(c.lc, c.rc);
    for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(rows.fixedPoint(ch), c.fixed[ch]) << c.what << " channel " << ch;
    const tbitmap l = noise(1037, 5, rng), r = noise(1029, 6, rng);
    const int dx = static_cast<int>(rng() % 41) - 20, dy = static_cast<int>(rng() % 3) - 1;
    expectSame(*buildAnaglyph(l, r, dx, dy, AnaglyphMethod::Custom, c.lc, c.rc),
               *plainAnaglyph(l, r, dx, dy, c.lc, c.rc), c.what);
  }
  const auto trap = buildAnaglyph(solid(1, 1, {1, 0, 0}), solid(1, 1, {255, 255, 104}), 0, 0,
                                  AnaglyphMethod::Custom, {0, 2, 0}, {0, 5, 0});
  EXPECT_EQ(trap->pixel(0, 0).green, 3);
}
