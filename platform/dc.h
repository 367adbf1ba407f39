#pragma once
// Device context over a framebuffer, in client pixels (origin top-left).
// Everything outside the framebuffer is clipped.
#include <cstdint>
#include <string>

#include "platform/framebuffer.h"
#include "platform/types.h"

class TDC {
 public:
  explicit TDC(Framebuffer& fb) : fb_(fb) {}

  void setPixel(int x, int y, TColor c);
  // Bulk form of setPixel for a run of packed r, g, b bytes starting at (x, y)
  // and going right; the same pixels as count setPixel calls.
  void setPixelRun(int x, int y, const std::uint8_t* rgb, int count);
  // Where a run of count pixels at (x, y) may be written in place (r, g, b
  // bytes), when it lies wholly on the device; else nullptr.
  std::uint8_t* pixelRun(int x, int y, int count);

  // Solid pen 1 pixel wide; black until one is selected.
  void selectPen(TColor c) { pen_ = c; }
  void moveTo(int x, int y) { cur_ = {x, y}; }
  // Draws from the current point towards (x, y), the end point itself not
  // drawn (as GDI does), then makes (x, y) current.
  void lineTo(int x, int y);

  void setTextColor(TColor c) { text_ = c; }
  void setBkColor(TColor c) { bk_ = c; }
  // Opaque text: the cell is filled with the background colour first.
  // "DejaVu Sans", 16-pixel line height; (x, y) is the cell's top-left.
  void textOut(int x, int y, const std::string& text);
  TSize getTextExtent(const std::string& text) const;

  Framebuffer& framebuffer() { return fb_; }

 private:
  Framebuffer& fb_;
  TColor pen_ = kBlack;
  TColor text_ = kBlack;
  TColor bk_ = kWhite;
  TPoint cur_;
};
