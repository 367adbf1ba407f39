#include "image/tbitmap.h"

#include <algorithm>
#include <cstring>


tbitmap::tbitmap(std::int32_t w, std::int32_t h, Uncleared)
    : width(std::max(w, 0)), height(std::max(h, 0)), storage_(allocatePixels(bytes())) {}

tbitmap::tbitmap(std::int32_t w, std::int32_t h) : tbitmap(w, h, Uncleared{}) {
  std::memset(storage_.get(), 0, bytes());
}

std::unique_ptr<tbitmap> tbitmap::forOverwrite(std::int32_t w, std::int32_t h) {
  return std::unique_ptr<tbitmap>(new tbitmap(w, h, Uncleared{}));
}

tbitmap::tbitmap(const tbitmap& other) : tbitmap(other.width, other.height, Uncleared{}) {
  std::memcpy(storage_.get(), other.storage_.get(), bytes());
}

tbitmap& tbitmap::operator=(const tbitmap& other) {
  if (this != &other) *this = tbitmap(other);
  return *this;
}

void tbitmap::fillRect(int x1, int y1, int x2, int y2, tpixel p) {
  // Clipping first gives the same pixels as one clipped setPixel per position.
  const int xmin = std::max(std::min(x1, x2), 0), xmax = std::min(std::max(x1, x2), width);
  const int ymin = std::max(std::min(y1, y2), 0), ymax = std::min(std::max(y1, y2), height);
  if (xmin >= xmax) return;
  for (int y = ymin; y < ymax; ++y) std::fill(row(y) + xmin, row(y) + xmax, p);
}

void tbitmap::fillRect(int x1, int y1, int x2, int y2, int r, int g, int b) {
  fillRect(x1, y1, x2, y2, tpixel(r, g, b));
}

int tbitmap::brightness(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const tpixel p = pixel(x, y);
  return p.red + p.green + p.blue;
}

std::unique_ptr<tbitmap> tbitmap::crop(int x1, int y1, int x2, int y2) const {
  const int xmin = std::max(std::min(x1, x2), 0), xmax = std::min(std::max(x1, x2), width);
  const int ymin = std::max(std::min(y1, y2), 0), ymax = std::min(std::max(y1, y2), height);
  // A rectangle wholly outside the picture clamps to a negative extent: empty.
  auto out = std::make_unique<tbitmap>(std::max(xmax - xmin, 0), std::max(ymax - ymin, 0));
  for (int y = 0; y < out->height; ++y) std::copy_n(row(ymin + y) + xmin, out->width, out->row(y));
  return out;
}

