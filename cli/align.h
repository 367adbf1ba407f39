#pragma once
// The align command and the position options every pair command takes.
#include <cstdint>
#include <optional>

#include "image/tbitmap.h"
#include "platform/result.h"
#include "store/posfile.h"

struct PositionOptions {
  std::optional<std::int32_t> dx, dy;
  bool autoAlign = false;
  bool swap = false;
};

// Prints the aligned position as "dx dy"; the exit status.
int runAlign(const tbitmap& left, const tbitmap& right);

// --dx / --dy over the stored position.
tposition givenPosition(const PositionOptions& options, tposition stored);
// --auto's alignment, else --dx / --dy over the stored position; then --swap
// exchanges the two pictures and negates the position. Refused when --auto
// cannot align.
Result<tposition> pairPosition(const PositionOptions& options, tposition stored, const tbitmap*& left,
                               const tbitmap*& right);
