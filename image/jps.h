#pragma once
// Side-by-side stereo JPEGs. The APP3 "_JPSJPS_" descriptor, when present,
// gives the layout; without it the right view is on the left half.
#include <memory>
#include <optional>
#include <vector>

#include "image/jpeg.h"
#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"

struct JpsLayout {
  bool stereo = true;      // false: the descriptor says one picture
  bool overUnder = false;  // views stacked instead of side by side
  bool leftFirst = false;  // left view on the left (or top) half
};
// nullopt when the file has no descriptor; an error for a stereo layout
// other than side by side or over-under.
Result<std::optional<JpsLayout>> readJpsLayout(const std::vector<JpegSegment>& segments);

// A reader of one view (0 left, 1 right) of the whole picture's reader: its
// half, an odd last column or row belonging to neither.
Result<std::unique_ptr<PictureReader>> openJpsView(std::unique_ptr<PictureReader> whole, JpsLayout layout,
                                                   int view);

// Side by side, right view on the left half, with a descriptor saying so.
// The views must have the same size. exif: as for encodeJpeg.
Result<std::vector<std::uint8_t>> encodeJps(const tbitmap& left, const tbitmap& right, int quality,
                                            std::span<const std::uint8_t> exif = {});
