#pragma once
// The framebuffer on the screen: converted to the screen's pixel layout and
// transferred whole.
#include <cstdint>
#include <memory>

#include <cairo.h>
#include <wx/dc.h>

#include "platform/framebuffer.h"

// The framebuffer in the screen's own pixel layout, kept between paints so a
// frame of a drag allocates and converts nothing but the pixels.
class ScreenCopy {
 public:
  // One transfer of the whole framebuffer to the paint's dc; changed: the
  // framebuffer changed since the last one (a toolkit repaint of the same
  // picture shows the copy again).
  void present(wxDC& dc, const Framebuffer& fb, bool changed);

 private:
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface_{nullptr, &cairo_surface_destroy};
};
