#pragma once
// Anaglyph methods: the user's six weights, or a fixed colour matrix over
// the left and right pixels.
#include <cstdint>
#include <memory>

#include "image/colour.h"
#include "image/tbitmap.h"
#include "stereo/compose.h"

// The anaglyph in the given method; Custom is buildAnaglyph of the weights,
// which the other methods ignore. Same preconditions and region limits.
std::unique_ptr<tbitmap> buildAnaglyph(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                       std::int32_t dy, AnaglyphMethod method, ColourWeights leftColour,
                                       ColourWeights rightColour, int maxWidth = INT32_MAX,
                                       int maxHeight = INT32_MAX);
