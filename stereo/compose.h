#pragma once
// The pictures built from an aligned pair: anaglyph, parallel and crossed.
// Pure functions of the two pictures, the position and the settings.
#include <cstdint>
#include <memory>
#include <utility>

#include "image/colour.h"
#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"
#include "platform/types.h"

// Region common to both pictures at position (dx, dy): left pixel (x, y)
// pairs with right pixel (x + dx, y + dy).
struct Overlap {
  int leftX = 0, leftY = 0;    // leftOrigin
  int rightX = 0, rightY = 0;  // rightOrigin
  int w = 0, h = 0;
};
Overlap pairOverlap(std::int32_t dx, std::int32_t dy, const PictureHeader& left, const PictureHeader& right);
Overlap pairOverlap(std::int32_t dx, std::int32_t dy, const tbitmap& left, const tbitmap& right);

// The position of the pair seen the other way round (right picture first).
std::int32_t negatePosition(std::int32_t v);
// The pair seen the other way round: the pictures exchanged, the position negated.
template <class Picture>
void swapSides(Picture& left, Picture& right, std::int32_t& dx, std::int32_t& dy) {
  std::swap(left, right);
  dx = negatePosition(dx);
  dy = negatePosition(dy);
}

// |dx| <= both widths and |dy| <= both heights (equality fits).
bool positionFits(std::int32_t dx, std::int32_t dy, const PictureHeader& left, const PictureHeader& right);
bool positionFits(std::int32_t dx, std::int32_t dy, const tbitmap& left, const tbitmap& right);

// The builders' refusals, shown as they stand.
inline constexpr const char* kViewSettingsOutOfRange =
    "Image size for viewing or space between images out of range";
inline constexpr const char* kPositionDoesNotFit = "Change position of right picture first!";

// The part of a side-by-side picture to build, in its pixels: from (x, y)
// (0 or more), at most w x h; the whole picture by default.
struct PictureWindow {
  int x = 0, y = 0;
  int w = INT32_MAX, h = INT32_MAX;
};

// Side-by-side build of first picture a and second b at (dx, dy) of b
// against a. Settings that would give a picture of zero, negative or absurd
// size are refused with kViewSettingsOutOfRange, a position that does not fit
// with kPositionDoesNotFit. A window builds only its part of the picture
// (what a client area shows, the same pixels, without composing what would
// be clipped); the refusals stay those of the whole picture.
Result<std::unique_ptr<tbitmap>> buildSideBySide(const tbitmap& a, const tbitmap& b, std::int32_t dx,
                                                 std::int32_t dy, std::uint32_t viewSize,
                                                 std::int32_t imageSpacing, PictureWindow window = {});
// The crossed picture: the right picture first, the position negated.
Result<std::unique_ptr<tbitmap>> buildCrossed(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                              std::int32_t dy, std::uint32_t viewSize,
                                              std::int32_t imageSpacing, PictureWindow window = {});
// The size of the whole side-by-side picture, or its refusal, without building it.
Result<TSize> sideBySideSize(const tbitmap& a, const tbitmap& b, std::int32_t dx, std::int32_t dy,
                             std::uint32_t viewSize, std::int32_t imageSpacing);

// The largest view size whose side-by-side picture of first picture a fits
// maxWidth x maxHeight; 1 when none does.
std::uint32_t largestViewSize(const tbitmap& a, const tbitmap& b, std::int32_t dx, std::int32_t dy,
                              std::int32_t imageSpacing, int maxWidth, int maxHeight);
