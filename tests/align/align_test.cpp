#include "align/align.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "image/picture.h"
#include "image/save.h"
#include "testing/scene.h"
#include "testing/tempdir.h"

namespace {

// Through our JPEG coder and back, as a camera's file would be.
std::unique_ptr<tbitmap> jpegRoundTrip(const tbitmap& b, const std::string& name) {
  const TempDir dir;
  const std::string jpg = dir / (name + ".jpg");
  EXPECT_TRUE(savePicture(b, jpg, 75).ok());
  auto read = loadPicture(jpg);
  EXPECT_TRUE(read.ok()) << read.error().message;
  return read ? std::move(read.value()) : nullptr;
}

TEST(alignPair, FindsTheNearestObjectAndTheVerticalOffset) {
  struct Case {
    const char* what;
    int w, h, dy, noise;
    bool jpeg;
    int cut;                         // columns and rows the right picture lacks at its right and bottom
    std::vector<SceneLayer> layers;  // the last is the nearest
  };
  const Case cases[] = {
      {"flat pair, no depth", 900, 600, 0, 0, false, 0, {{0, 0, 0, 0, 14}}},
      {"three depths",
       1200,
       800,
       7,
       0,
       false,
       0,
       {{0, 0, 0, 0, 30}, {100, 100, 500, 400, 10}, {700, 300, 400, 400, -12}}},
      {"wide, noisy",
       3000,
       2000,
       -23,
       12,
       false,
       0,
       {{0, 0, 0, 0, 80}, {300, 300, 1200, 900, 40}, {1600, 800, 1000, 1000, -35}}},
      {"camera file",
       2400,
       1600,
       11,
       6,
       true,
       0,
       {{0, 0, 0, 0, -60}, {200, 200, 900, 900, -90}, {1300, 500, 800, 800, -130}}},
      {"unequal sizes", 1200, 800, 5, 0, false, 90, {{0, 0, 0, 0, 30}, {600, 200, 400, 400, -15}}},
  };
  for (const Case& c : cases) {
    auto [left, right] = makeScene(c.w, c.h, c.layers, c.dy, c.noise, 6, 1);
    std::unique_ptr<tbitmap> l, r;
    if (c.jpeg) {
      l = jpegRoundTrip(left, "left");
      r = jpegRoundTrip(right, "right");
      ASSERT_TRUE(l && r);
    }
    if (c.cut) {
      r = std::make_unique<tbitmap>(right.width - c.cut, right.height - c.cut);
      for (int y = 0; y < r->height; ++y) std::copy_n(right.row(y), r->width, r->row(y));
    }
    auto a = alignPair(l ? *l : left, r ? *r : right);
    ASSERT_TRUE(a.ok()) << c.what << ": " << a.error().message;
    EXPECT_NEAR(a->dy, c.dy, 1) << c.what;
    EXPECT_NEAR(a->dx, c.layers.back().disparity, 2) << c.what;
  }
}

TEST(alignPair, RefusesWhatDoesNotMatch) {
  auto [left, right] = makeScene(800, 600, {{0, 0, 0, 0, 10}}, 0, 0, 6, 1);
  auto [other, unused] = makeScene(800, 600, {{0, 0, 0, 0, 10}, {0, 0, 800, 600, 0}}, 0, 0, 9, 2);
  tbitmap black(800, 600), flat(800, 600);
  flat.fillRect(0, 0, 800, 600, 120, 160, 220);
  const std::pair<const char*, std::pair<const tbitmap*, const tbitmap*>> cases[] = {
      {"black", {&black, &black}},
      {"flat sky", {&flat, &flat}},
      {"unrelated", {&left, &other}},
      {"one black", {&left, &black}},
  };
  for (const auto& [what, pair] : cases) {
    auto a = alignPair(*pair.first, *pair.second);
    ASSERT_FALSE(a.ok()) << what << " gave " << a->dx << " " << a->dy;
    EXPECT_EQ(a.error().message, kCannotAlign) << what;
  }
}

}  // namespace
