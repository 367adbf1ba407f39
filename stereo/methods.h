#pragma once
// Anaglyph methods: the user's six weights, or a fixed colour matrix over
// the left and right pixels.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "image/colour.h"
#include "stereo/anaglyphmethod.h"
#include "image/tbitmap.h"
#include "stereo/anaglyphrows.h"
#include "stereo/compose.h"

// A fixed method's matrix: output red, green, blue from left r, g, b then
// right r, g, b, in units of 1/65536, summed, shifted right by 16 (rounding
// down) and clamped to 0..255. All zero for Custom.
using AnaglyphMatrix = std::array<std::array<std::int32_t, 6>, 3>;
const AnaglyphMatrix& anaglyphMatrix(AnaglyphMethod m);

// The anaglyph in the given method; only Custom uses the weights. Caller has
// checked positionFits. With maxWidth / maxHeight, only the top-left part of
// that size is built: what a window shows of the picture, the same pixels,
// without composing what would be clipped.
std::unique_ptr<tbitmap> buildAnaglyph(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                       std::int32_t dy, AnaglyphMethod method, ColourWeights leftColour,
                                       ColourWeights rightColour, int maxWidth = INT32_MAX,
                                       int maxHeight = INT32_MAX);

// The anaglyph row by row in a method, for what composes only the rows it
// shows or writes.
class AnaglyphMethodRows {
 public:
  AnaglyphMethodRows(AnaglyphMethod method, ColourWeights leftColour, ColourWeights rightColour);
  // Pixel i of out from pixel i of left and of right; out may not overlap them.
  void compose(const tpixel* left, const tpixel* right, tpixel* out, int width) const;

 private:
  AnaglyphMethod method_;
  std::optional<AnaglyphRows> custom_;
};
