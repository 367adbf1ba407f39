#include "ui/librarygrid.h"

#include <algorithm>

#include "platform/types.h"

int tlibrarygrid::cellAt(TPoint p, std::int64_t available) const {
  const std::int64_t n = std::min<std::int64_t>(cells(), available);
  for (int i = 0; i < n; ++i) {
    const TPoint o = cellOrigin(i);
    if (o.x <= p.x && p.x <= o.x + 64 && o.y <= p.y && p.y <= o.y + 64) return i;
  }
  return -1;
}

int tlibrarygrid::scrollMax(std::int32_t count) const {
  if (cols <= 0 || count <= 0) return 0;
  return (count + cols - 1) / cols - 1;
}

tlibrarygrid libraryGrid(int clientWidth, int clientHeight) {
  return {std::max((clientWidth - 8) / 80, 0), std::max((clientHeight - 8) / 80, 0)};
}

bool applyLibraryScroll(const tlibraryentry* head, tlibraryscroll& s, unsigned code, int thumbPos,
                        const tlibrarygrid& grid) {
  auto back = [&] {
    s.firstShown = stepBack(s.firstShown, grid.cols);
    --s.row;
  };
  auto forward = [&] {
    s.firstShown = stepForward(s.firstShown, grid.cols);
    ++s.row;
  };
  switch (code) {
    case SB_LINEUP:
      if (s.firstShown->previous) back();
      return true;
    case SB_LINEDOWN:
      if (s.firstShown->next) forward();
      return true;
    case SB_PAGEUP:
      for (int i = 0; i < grid.rows && s.firstShown->previous; ++i) back();
      return true;
    case SB_PAGEDOWN:
      for (int i = 0; i < grid.rows && s.firstShown->next; ++i) forward();
      return true;
    case SB_THUMBTRACK:
      s.row = thumbPos;
      s.firstShown = stepForward(head, std::int64_t{thumbPos} * grid.cols);
      return true;
    default:
      return false;
  }
}
