#pragma once
// The one picture type: a true-colour raster, row 0 at the top. Stored as one
// contiguous block; every observable result is that of a table of rows.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/result.h"

struct tpixel {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  tpixel() = default;
  // keeps the low 8 bits of each value, no clamping
  tpixel(int r, int g, int b)
      : red(static_cast<std::uint8_t>(r)),
        green(static_cast<std::uint8_t>(g)),
        blue(static_cast<std::uint8_t>(b)) {}
  friend bool operator==(const tpixel&, const tpixel&) = default;
};
static_assert(sizeof(tpixel) == 3);

class tbitmap {
 public:
  // Blank picture, all black. Negative sizes count as 0.
  tbitmap(std::int32_t w, std::int32_t h);
  // For a reader that writes every row: the memory is not cleared first,
  // which on a large picture costs a whole pass over it.
  static std::unique_ptr<tbitmap> forOverwrite(std::int32_t w, std::int32_t h);
  tbitmap(const tbitmap& other);
  tbitmap& operator=(const tbitmap& other);
  tbitmap(tbitmap&&) noexcept = default;
  tbitmap& operator=(tbitmap&&) noexcept = default;

  std::int32_t width = 0;
  std::int32_t height = 0;

  // Clipped: positions outside the picture are ignored.
  void setPixel(int x, int y, tpixel p) {
    if (x >= 0 && y >= 0 && x < width && y < height) row(y)[x] = p;
  }
  void setPixel(int x, int y, int r, int g, int b) { setPixel(x, y, tpixel(r, g, b)); }
  // Corners in any order; the larger coordinates are exclusive.
  void fillRect(int x1, int y1, int x2, int y2, int r, int g, int b);
  void fillRect(int x1, int y1, int x2, int y2, tpixel p);
  // red + green + blue, 0..765; 0 outside the picture
  int brightness(int x, int y) const;
  // Copy of a rectangle (corners in any order) clamped to the picture; an
  // empty or inverted rectangle gives a valid 0-wide or 0-high picture.
  std::unique_ptr<tbitmap> crop(int x1, int y1, int x2, int y2) const;
  tpixel* row(int y) { return pixels() + static_cast<std::size_t>(y) * width; }
  const tpixel* row(int y) const { return pixels() + static_cast<std::size_t>(y) * width; }
  tpixel pixel(int x, int y) const { return row(y)[x]; }  // caller checks the range

 private:
  struct Uncleared {};
  tbitmap(std::int32_t w, std::int32_t h, Uncleared);
  std::size_t bytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3; }
  tpixel* pixels() const { return reinterpret_cast<tpixel*>(storage_.get()); }
  // Bytes, so the pixels live there without being constructed one by one.
  PixelBlock storage_;
};
