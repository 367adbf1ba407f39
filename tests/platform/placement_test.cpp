#include "platform/placement.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct Case {
  const char* what;
  std::vector<TRect> areas;
  std::optional<FramePlacement> saved;
  TRect want;
  bool maximised;
};

TEST(FirstPlacement, FitsAScreen) {
  const TRect screen{0, 0, 1600, 1000};
  const TRect second{1600, 0, 3520, 1080};
  const Case cases[] = {
      {"nothing saved: 90 % centred", {screen}, std::nullopt, {80, 50, 1520, 950}, false},
      {"saved inside a screen", {screen, second}, FramePlacement{{1700, 10, 2700, 800}, true},
       {1700, 10, 2700, 800}, true},
      {"saved taller than the screen", {screen}, FramePlacement{{0, 0, 1000, 1400}, false},
       {300, 50, 1300, 950}, false},
      {"saved on a screen gone", {screen}, FramePlacement{{2000, 100, 2600, 500}, false},
       {500, 300, 1100, 700}, false},
      {"work area off the origin", {{0, 30, 1600, 1030}}, std::nullopt, {80, 80, 1520, 980}, false},
  };
  for (const Case& c : cases) {
    const FramePlacement p = firstPlacement(c.areas, c.saved);
    EXPECT_EQ(p.rect.left, c.want.left) << c.what;
    EXPECT_EQ(p.rect.top, c.want.top) << c.what;
    EXPECT_EQ(p.rect.right, c.want.right) << c.what;
    EXPECT_EQ(p.rect.bottom, c.want.bottom) << c.what;
    EXPECT_EQ(p.maximised, c.maximised) << c.what;
  }
}

}  // namespace
