// libFuzzer target for the stereo layouts inside JPEG files: the MPO index
// and the JPS descriptor. The input is the first image's segments; two small
// JPEGs follow it, so offsets into them are reachable. Views must be read or
// refused cleanly. Needs no seeds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/jpeg.h"
#include "image/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> tail = [] {
    tbitmap b(16, 8);
    auto one = encodeJpeg(b, 50).value();
    auto two = one;
    one.insert(one.end(), two.begin(), two.end());
    return one;
  }();
  // SOI, the input as segments, then the picture data of a real JPEG.
  std::vector<std::uint8_t> file = {0xFF, 0xD8};
  file.insert(file.end(), data, data + size);
  file.insert(file.end(), tail.begin() + 2, tail.end());
  for (const char* name : {"fuzz.mpo", "fuzz.jps"}) {
    const SpanSource source(file, name);
    if (auto views = readPictureViews(source); views.ok() && views->right) {
      volatile int sink = views->right->brightness(0, 0);
      (void)sink;
    }
  }
  return 0;
}
