// The BMP reader; seeds in corpus/bmp.
#include "tests/fuzz/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzPicture(data, size);
}
