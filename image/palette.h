#pragma once
// One palette of at most 256 colours for several pictures, as a GIF holds
// them: the frames of an animation share it, so a pixel that keeps its colour
// keeps its index.
#include <cstdint>
#include <span>
#include <vector>

#include "image/tbitmap.h"

struct IndexedPictures {
  std::vector<tpixel> colours;        // 1 to 256
  std::vector<std::uint8_t> indexes;  // the pictures one after another, rows top first
};

// Colours counted at 6 bits a channel; the box of most squared error split
// again and again (along its widest channel, where the two parts' error is
// least), then the colours refined by k-means; each pixel gets the colour
// nearest its cell's mean. No dithering: what is scored is the distance to
// the pictures (PSNR), not their look from afar. The pictures have pixels.
IndexedPictures reduceColours(std::span<const tbitmap* const> pictures);
