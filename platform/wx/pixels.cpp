#include "platform/wx/pixels.h"

#include <immintrin.h>

#include <wx/bitmap.h>
#include <wx/image.h>

#include "platform/parallel.h"

namespace {

void toScreenPlain(const std::uint8_t* rgb, std::uint8_t* xrgb, int from, int pixels) {
  for (int i = from; i < pixels; ++i) {
    xrgb[4 * i] = rgb[3 * i + 2];
    xrgb[4 * i + 1] = rgb[3 * i + 1];
    xrgb[4 * i + 2] = rgb[3 * i];
    xrgb[4 * i + 3] = 0xFF;
  }
}

// Four pixels a step with one byte shuffle; the compiler's own vectorising of
// the plain loop is barely faster than the loop.
__attribute__((target("ssse3"))) void toScreenShuffled(const std::uint8_t* rgb, std::uint8_t* xrgb,
                                                       int pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  // A step loads 16 bytes for 12: the last steps stay inside the row.
  for (; i + 6 <= pixels; i += 4) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(xrgb + 4 * i),
                     _mm_or_si128(_mm_shuffle_epi8(in, order), opaque));
  }
  toScreenPlain(rgb, xrgb, i, pixels);
}

// A framebuffer row (r, g, b bytes) in the screen surface's layout: 32-bit
// pixels, blue first in memory, the top byte unused.
void toScreenRow(const std::uint8_t* rgb, std::uint8_t* xrgb, int pixels) {
  static const bool shuffles = __builtin_cpu_supports("ssse3");
  if (shuffles)
    toScreenShuffled(rgb, xrgb, pixels);
  else
    toScreenPlain(rgb, xrgb, 0, pixels);
}

}  // namespace

void ScreenCopy::present(wxDC& dc, const Framebuffer& fb, bool changed) {
  auto* cr = static_cast<cairo_t*>(dc.GetHandle());
  if (!cr) {
    wxImage image(fb.width, fb.height, const_cast<std::uint8_t*>(fb.rgb.data()), true);
    dc.DrawBitmap(wxBitmap(image), 0, 0);
    return;
  }
  if (!surface_ || cairo_image_surface_get_width(surface_.get()) != fb.width ||
      cairo_image_surface_get_height(surface_.get()) != fb.height) {
    // in shared memory where the server has it: read there, not copied first
    surface_.reset(
        cairo_surface_create_similar_image(cairo_get_target(cr), CAIRO_FORMAT_RGB24, fb.width, fb.height));
    changed = true;
  }
  if (changed) {
    cairo_surface_flush(surface_.get());
    std::uint8_t* rows = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    inBands(fb.height, [&](int first, int end) {
      for (int y = first; y < end; ++y)
        toScreenRow(fb.rgb.data() + static_cast<std::size_t>(y) * fb.width * 3,
                    rows + static_cast<std::size_t>(y) * stride, fb.width);
    });
    cairo_surface_mark_dirty(surface_.get());
  }
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, surface_.get(), 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
}
