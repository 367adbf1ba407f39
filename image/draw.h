#pragma once
// A picture on a device: the one place where pictures meet the device context.
#include "image/tbitmap.h"
#include "platform/dc.h"

// Unscaled at (x0, y0) in device pixels; clipped.
inline void drawPicture(TDC& dc, const tbitmap& picture, int x0, int y0) {
  static_assert(sizeof(tpixel) == 3);  // r, g, b bytes, as the device holds them
  for (int y = 0; y < picture.height; ++y)
    dc.setPixelRun(x0, y0 + y, reinterpret_cast<const std::uint8_t*>(picture.row(y)), picture.width);
}
