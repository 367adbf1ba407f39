#pragma once
// Anaglyph methods: the user's six weights, or a fixed colour matrix over
// the left and right pixels.
#include <cstdint>
#include <memory>
#include <optional>

#include "image/colour.h"
#include "stereo/anaglyphmethod.h"
#include "image/tbitmap.h"
#include "stereo/anaglyphrows.h"
#include "stereo/compose.h"

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
