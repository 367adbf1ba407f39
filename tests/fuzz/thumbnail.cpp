// The row layout and the thumbnailer that reads through it: every row the
// layout promises lies inside the file, and no file makes the thumbnailer
// read outside what it holds or leaves no thumbnail.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/bmp.h"
#include "store/library.h"
#include "tests/fuzz/memfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemFile file;
  if (auto layout = parseBmpLayout(SpanSource(std::span<const std::uint8_t>(data, size))); layout.ok()) {
    const BmpLayout& l = layout.value();
    std::vector<tpixel> row(static_cast<std::size_t>(l.width));
    for (std::int32_t k = 0; k < l.height; ++k) {
      if (l.rowOffset(k) + l.rowBytes() > size) __builtin_trap();
      decodeBmpRow(l, data + l.rowOffset(k), row.data());
    }
  }
  tlibraryentry entry;
  buildThumbnail(entry, file.hold(data, size));
  if (!entry.thumbnailReady) __builtin_trap();
  return 0;
}
