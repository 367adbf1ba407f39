#pragma once
// The client area's pixels: what both back ends show.
#include <cstdint>
#include <vector>

#include "platform/types.h"

struct Framebuffer {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows from the top, 3 bytes a pixel: r, g, b

  void resize(int w, int h);  // contents become white
  void fill(TColor c);
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  TColor pixel(int x, int y) const;  // caller checks contains()
  std::uint8_t* at(int x, int y) { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
};
