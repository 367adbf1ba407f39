#include "platform/wx/pixels.h"

// One pass the compiler vectorises where the processor allows, as the
// picture rows do; the default clone runs on any x86-64.
__attribute__((target_clones("avx2", "default"))) void toScreenRow(const std::uint8_t* __restrict rgb,
                                                                   std::uint8_t* __restrict xrgb,
                                                                   int pixels) {
  for (int i = 0; i < pixels; ++i) {
    xrgb[4 * i] = rgb[3 * i + 2];
    xrgb[4 * i + 1] = rgb[3 * i + 1];
    xrgb[4 * i + 2] = rgb[3 * i];
    xrgb[4 * i + 3] = 0xFF;
  }
}
