// libFuzzer target for the BMP decoder and the row-by-row layout the
// thumbnails use: any input must be refused cleanly or decoded within bounds.
// Build: cmake -DCMAKE_CXX_COMPILER=clang++ -DBINOXA_FUZZ=ON; run with the
// malformed corpus as seed: bmp_fuzz tests/image/malformed
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const SpanSource source(std::span<const std::uint8_t>(data, size));
  if (auto picture = readPicture(source); picture.ok()) {
    const tbitmap& p = *picture.value();
    volatile int sink = p.brightness(p.width - 1, p.height - 1);
    (void)sink;
  }
  if (auto layout = parseBmpLayout(source); layout.ok()) {
    const BmpLayout& l = layout.value();
    std::vector<tpixel> row(static_cast<std::size_t>(l.width));
    // The layout promises every row lies inside the file.
    for (std::int32_t k = 0; k < l.height; ++k) {
      if (l.rowOffset(k) + l.rowBytes() > size) __builtin_trap();
      decodeBmpRow(l, data + l.rowOffset(k), row.data());
    }
  }
  return 0;
}
