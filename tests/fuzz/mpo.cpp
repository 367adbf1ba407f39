// libFuzzer target for the stereo layouts inside JPEG files: the MPO index
// and the JPS descriptor. The input is the first image's segments; two small
// JPEGs follow it, so offsets into them are reachable. Views must be read or
// refused cleanly, and the camera facts (EXIF, MP attributes, a maker note's
// parallax) read or passed over. Needs no seeds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/exif.h"
#include "image/jpeg.h"
#include "image/mpo.h"
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
    if (auto segments = readJpegSegments(source); segments.ok()) {
      readMpoAttributes(*segments);
      if (auto exif = exifBytes(*segments)) {
        volatile auto parallax = fujifilmParallax(*exif).value_or(0);
        volatile auto kept = exifForPicture(*exif, 7, 5).size();
        volatile auto caption = exifCaption(*exif).size();
        (void)parallax, (void)kept, (void)caption;
      }
    }
    volatile auto parallax = cameraParallax(source).value_or(0);
    (void)parallax;
    if (auto views = readPictureViews(source); views.ok() && views->right) {
      volatile int sink = views->right->brightness(0, 0);
      (void)sink;
    }
  }
  return 0;
}
