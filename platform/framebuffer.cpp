#include "platform/framebuffer.h"

#include <algorithm>

void Framebuffer::resize(int w, int h) {
  width = std::max(w, 0);
  height = std::max(h, 0);
  rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0xFF);
}

void Framebuffer::fill(TColor c) {
  const std::uint8_t r = static_cast<std::uint8_t>(redOf(c));
  const std::uint8_t g = static_cast<std::uint8_t>(greenOf(c));
  const std::uint8_t b = static_cast<std::uint8_t>(blueOf(c));
  // Every paint starts with white: one byte value is a plain memory fill.
  if (r == g && g == b) {
    std::fill(rgb.begin(), rgb.end(), r);
    return;
  }
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    rgb[i] = r;
    rgb[i + 1] = g;
    rgb[i + 2] = b;
  }
}

TColor Framebuffer::pixel(int x, int y) const {
  const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
  return rgbColor(p[0], p[1], p[2]);
}
