// The profile: any content reads as settings, and a value written into a
// copy of it reads back while the other settings stay as they were.
#include <cstddef>
#include <cstdint>
#include <fstream>

#include "store/settings.h"
#include "tests/fuzz/memfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemFile file;
  static const std::string copy = "/dev/shm/binoxa-fuzz-" + std::to_string(::getpid()) + ".ini";
  const tsettings before = readSettings(Profile(file.hold(data, size)));
  std::ofstream(copy, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  Profile profile(copy);
  if (!profile.writeString(kProfileSection, "SPACE", "17")) return 0;
  const tsettings after = readSettings(profile);
  if (after.imageSpacing != 17 || after.leftColour != before.leftColour || after.viewSize != before.viewSize)
    __builtin_trap();
  return 0;
}
