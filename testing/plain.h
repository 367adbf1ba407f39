#pragma once
// The compositions written the obvious way: every pixel through brightness,
// setPixel and fillRect in the documented order. The builders must give the
// same pixels; the benchmarks measure them against these.
#include <algorithm>
#include <memory>

#include "stereo/compose.h"

inline std::unique_ptr<tbitmap> plainAnaglyph(const tbitmap& l, const tbitmap& r, int dx, int dy,
                                              ColourWeights lc, ColourWeights rc) {
  const Overlap o = pairOverlap(dx, dy, l, r);
  auto f = [](std::uint32_t m) { return static_cast<double>(static_cast<float>(m / 768.0)); };
  auto out = std::make_unique<tbitmap>(o.w, o.h);
  auto channel = [](double v) { return static_cast<int>(std::min(v, 255.0)); };
  for (int y = o.h - 1; y >= 0; --y)
    for (int x = 0; x < o.w; ++x) {
      const int lb = l.brightness(o.leftX + x, o.leftY + y), rb = r.brightness(o.rightX + x, o.rightY + y);
      out->setPixel(x, y, channel(lb * f(lc.red) + rb * f(rc.red)),
                    channel(lb * f(lc.green) + rb * f(rc.green)), channel(lb * f(lc.blue) + rb * f(rc.blue)));
    }
  return out;
}

inline std::unique_ptr<tbitmap> plainSideBySide(const tbitmap& a, const tbitmap& b, int dx, int dy,
                                                std::uint32_t viewSize, int space) {
  const Overlap o = pairOverlap(dx, dy, a, b);
  const double s = static_cast<float>(static_cast<double>(viewSize) / a.width);
  const int w = o.w, h = o.h;
  auto t = [](double v) { return static_cast<int>(v); };
  auto out = std::make_unique<tbitmap>(t(2.0 * w * s + 3.0 * space), t(h * s + 2.0 * space));
  out->fillRect(0, 0, out->width, out->height, 255, 255, 255);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const tpixel p = a.pixel(o.leftX + x, o.leftY + y), q = b.pixel(o.rightX + x, o.rightY + y);
      const int top = t(space + y * s), bottom = t(space + (y + 1) * s);
      const int pl = t(space + x * s), pr = t(space + (x + 1) * s);
      const int ql = t(2.0 * space + (w + x) * s), qr = t(2.0 * space + (w + x + 1) * s);
      if (s > 1) {
        out->fillRect(pl, top, pr, bottom, p);
        out->fillRect(ql, top, qr, bottom, q);
      } else {
        out->setPixel(pl, top, p);
        out->setPixel(ql, top, q);
      }
    }
  return out;
}
