#pragma once
// The library view's grid of thumbnails and its scrolling.
#include <cstdint>

#include "platform/types.h"
#include "store/library.h"

// Grid of cells in client pixels, origin top-left: a cell is 80 x 80, its
// 64 x 64 square inset by 4, the base name under the square.
struct tlibrarygrid {
  int cols = 0;
  int rows = 0;
  int cells() const { return cols * rows; }
  // Top-left of cell i counted row by row from the top-left cell.
  TPoint cellOrigin(int i) const { return {i % cols * 80 + 4, i / cols * 80 + 4}; }
  // Index of the first of the first `available` cells whose square, edges
  // included, holds p; -1 for none.
  int cellAt(TPoint p, std::int64_t available) const;
  // Largest scroll position for count entries; 0 when no column fits.
  int scrollMax(std::int32_t count) const;
};
// Partly visible rows and columns are not used.
tlibrarygrid libraryGrid(int clientWidth, int clientHeight);

struct tlibraryscroll {
  const tlibraryentry* firstShown = nullptr;
  std::int32_t row = 0;  // libraryScrollRow
};
// One scroll-bar code (SB_*) on a non-empty list; true for the codes after
// which the grid is repainted (line, page, thumb drag), moved or not.
bool applyLibraryScroll(const tlibraryentry* head, tlibraryscroll& s, unsigned code, int thumbPos,
                        const tlibrarygrid& grid);
