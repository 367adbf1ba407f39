#pragma once
#include <cstdint>

// A framebuffer row (r, g, b bytes) in the screen surface's layout: 32-bit
// pixels, blue first in memory, the top byte unused.
void toScreenRow(const std::uint8_t* rgb, std::uint8_t* xrgb, int pixels);
