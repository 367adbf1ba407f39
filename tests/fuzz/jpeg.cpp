// libFuzzer target for the JPEG reader: every view, row by row, and the
// library's preview; any input must be refused cleanly or read within bounds.
// Seeds in corpus/jpeg.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/jpegfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const SpanSource source(std::span<const std::uint8_t>(data, size), "fuzz.jpg");
  if (auto views = readPictureViews(source); views.ok()) {
    const tbitmap& p = *views->left;
    volatile int sink = p.brightness(p.width - 1, p.height - 1);
    (void)sink;
  }
  if (auto preview = openPreview(source, 64); preview.ok()) {
    PictureReader& r = *preview.value();
    std::vector<tpixel> row(static_cast<std::size_t>(r.header().width));
    while (r.nextRow() < r.header().height && r.readRows(row.data(), 0, 1).ok() && r.skipRows(0).ok()) {
    }
  }
  return 0;
}
