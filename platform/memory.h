#pragma once
// Blocks for large pictures: uncleared, and on large pages where the system
// offers them, so a fresh picture of many megabytes is not faulted in 4 KiB
// at a time.
#include <cstddef>
#include <cstdlib>
#include <memory>

struct FreePixelBlock {
  void operator()(std::byte* p) const { std::free(p); }
};
using PixelBlock = std::unique_ptr<std::byte[], FreePixelBlock>;

// nullptr holds no bytes; throws std::bad_alloc when the memory is not there.
PixelBlock allocatePixels(std::size_t bytes);
