#pragma once
// The align command and the position options every pair command takes.
#include <cstdint>
#include <memory>
#include <optional>

#include "image/tbitmap.h"
#include "platform/result.h"
#include "store/posfile.h"

struct PositionOptions {
  std::optional<std::int32_t> dx, dy;
  bool autoAlign = false;
  bool swap = false;
  bool noCorrect = false;     // the whole-pixel position alone, no correction of the right picture
  bool matchColours = false;  // the right picture's colours mapped onto the left's
};

// Prints the aligned position as "dx dy"; details adds one key=value line per
// correction term and the number of points it rests on. The exit status.
int runAlign(const tbitmap& left, const tbitmap& right, bool correct, bool details);

// --dx / --dy over the stored position; the stored correction unless --no-correct.
tposition givenPosition(const PositionOptions& options, tposition stored);
// Whether the right picture is to be changed before it is composed: then the
// pictures are needed whole.
bool changesRight(const PositionOptions& options, const tposition& stored);

// The pair as the commands compose it: --auto's alignment, else the given
// position; the right picture corrected and its colours matched; then --swap
// exchanges the two pictures and negates the position. Refused when --auto
// cannot align.
struct PreparedPair {
  const tbitmap* left;
  const tbitmap* right;
  std::int32_t dx, dy;
  std::unique_ptr<tbitmap> changed;  // the right picture as corrected, when it is
};
Result<PreparedPair> preparePair(const PositionOptions& options, tposition stored, const tbitmap& left,
                                 const tbitmap& right);
