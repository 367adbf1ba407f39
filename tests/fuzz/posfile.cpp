// Position files: any content reads as a position or as none, and a position
// read is written back as the same eight bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "store/posfile.h"
#include "tests/fuzz/memfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemFile file;
  static const std::string copy = "/dev/shm/binoxa-fuzz-" + std::to_string(::getpid()) + ".POS";
  const auto position = readPosition(file.hold(data, size));
  if (position.has_value() != (size >= 8)) __builtin_trap();
  if (!position || !writePosition(copy, *position)) return 0;
  auto written = readFile(copy, 16);
  if (!written.ok() || written->size() != 8 || std::memcmp(written->data(), data, 8) != 0) __builtin_trap();
  return 0;
}
