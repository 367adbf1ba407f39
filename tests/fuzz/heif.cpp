// libFuzzer target for HEIF files: our box reader (the stereo group, and the
// item locations a written pair's group moves) and libheif's open and decode
// behind it. Seeds in corpus/heif: a pair as we write it, a single picture.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/boxes.h"
#include "image/heif.h"
#include "tests/fuzz/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  const SpanSource source(bytes, "fuzz.heic");
  volatile auto exif = heifExif(source).size();
  (void)exif;
  (void)withStereoGroup(bytes, 1, 2);
  return fuzzPicture(data, size);
}
