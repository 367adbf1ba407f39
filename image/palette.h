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

// Colours counted at 6 bits a channel, split by a median cut that halves
// each box where the squared error falls most, then refined by k-means; each
// pixel gets the colour nearest its cell's mean. No dithering: what is scored
// is the distance to the pictures (PSNR), not their look from afar.
IndexedPictures reduceColours(std::span<const tbitmap* const> pictures);
