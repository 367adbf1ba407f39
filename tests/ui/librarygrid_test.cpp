#include "ui/librarygrid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/types.h"

namespace {

// ---- grid ----

TEST(LibraryGrid, ColumnsAndRowsIgnorePartlyVisibleCells) {
  struct Case {
    int w, h, cols, rows;
  };
  const Case cases[] = {{328, 168, 4, 2}, {327, 167, 3, 1}, {88, 88, 1, 1},
                        {87, 600, 0, 7},  {0, 0, 0, 0},     {5, 5, 0, 0}};
  for (const Case& c : cases) {
    const tlibrarygrid g = libraryGrid(c.w, c.h);
    EXPECT_EQ(g.cols, c.cols) << c.w << " x " << c.h;
    EXPECT_EQ(g.rows, c.rows) << c.w << " x " << c.h;
  }
}

TEST(LibraryGrid, ScrollRangeCoversEveryRowAndNeverDividesByZero) {
  struct Case {
    int cols;
    std::int32_t count;
    int max;
  };
  const Case cases[] = {{4, 10, 2}, {4, 8, 1}, {4, 4, 0}, {4, 1, 0}, {4, 5, 1}, {0, 10, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ((tlibrarygrid{c.cols, 2}.scrollMax(c.count)), c.max) << c.cols << " " << c.count;
  }
}

TEST(LibraryGrid, ClicksHitTheSquareWithItsEdgesButNotTheName) {
  const tlibrarygrid g{4, 2};
  EXPECT_EQ(g.cellOrigin(5).x, 84);
  EXPECT_EQ(g.cellOrigin(5).y, 84);
  struct Case {
    TPoint p;
    std::int64_t available;
    int cell;
  };
  const Case cases[] = {
      {{4, 4}, 8, 0},      {{68, 68}, 8, 0}, {{69, 30}, 8, -1}, {{3, 30}, 8, -1},
      {{84, 4}, 8, 1},     {{4, 70}, 8, -1}, {{4, 84}, 8, 4},   {{260, 148}, 8, 7},
      {{260, 148}, 7, -1}, {{4, 4}, 0, -1},  {{330, 4}, 8, -1}, {{4, 170}, 8, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(g.cellAt(c.p, c.available), c.cell) << c.p.x << "," << c.p.y << " of " << c.available;
  }
  EXPECT_EQ((tlibrarygrid{0, 3}.cellAt({4, 4}, 10)), -1);
}

// ---- scrolling ----

std::vector<std::string> tenNames() {
  std::vector<std::string> names;
  for (int i = 0; i < 10; ++i) names.push_back(std::to_string(i));
  return names;
}

TEST(LibraryScroll, TenPairsInFourColumnsAndTwoRows) {
  std::vector<tlibrarypair> pairs;
  for (const std::string& name : tenNames()) pairs.push_back({name, "", ""});
  auto head = makeLibraryList(pairs);
  const tlibrarygrid grid{4, 2};
  tlibraryscroll s{head.get(), 0};
  struct Step {
    unsigned code;
    int thumb;
    const char* first;
    std::int32_t row;
    bool repaint;
  };
  const Step steps[] = {
      {SB_LINEUP, 0, "0", 0, true},    // at the top: unchanged
      {SB_PAGEDOWN, 0, "8", 2, true},  // entries 8 and 9 at the top
      {SB_LINEDOWN, 0, "9", 3, true},  // stops at the last entry
      {SB_LINEDOWN, 0, "9", 3, true},  // no next entry: unchanged
      {SB_PAGEUP, 0, "1", 1, true},    // two rows back from entry 9
      {SB_LINEUP, 0, "0", 0, true},    // stops at the head
      {SB_THUMBTRACK, 1, "4", 1, true},
      {SB_THUMBTRACK, 7, "9", 7, true},  // stops at the last entry, row
                                         // as given
      {SB_THUMBPOSITION, 0, "9", 7, false},
      {SB_TOP, 0, "9", 7, false},
      {SB_BOTTOM, 0, "9", 7, false},
      {SB_ENDSCROLL, 0, "9", 7, false},
      {SB_PAGEUP, 0, "1", 5, true},
  };
  for (const Step& st : steps) {
    EXPECT_EQ(applyLibraryScroll(head.get(), s, st.code, st.thumb, grid), st.repaint) << st.code;
    EXPECT_EQ(s.firstShown->baseName, st.first) << "code " << st.code;
    EXPECT_EQ(s.row, st.row) << "code " << st.code;
  }
}

}  // namespace
