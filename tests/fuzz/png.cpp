// libFuzzer target for the PNG reader: any input must be refused cleanly or
// read within bounds. Seeds in corpus/png.
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const SpanSource source(std::span<const std::uint8_t>(data, size), "fuzz.png");
  if (auto picture = readPicture(source); picture.ok()) {
    const tbitmap& p = *picture.value();
    volatile int sink = p.brightness(p.width - 1, p.height - 1);
    (void)sink;
  }
  return 0;
}
