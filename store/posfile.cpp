#include "store/posfile.h"

#include <vector>

#include "platform/files.h"
#include "platform/littleendian.h"

std::string posFileName(const std::string& rightFileName) {
  if (!hasExtension(rightFileName)) return rightFileName + ".POS";
  return rightFileName.substr(0, rightFileName.rfind('.')) + ".POS";
}

std::optional<tposition> readPosition(const std::string& posPath) {
  auto bytes = readFilePrefix(posPath, 8);
  if (!bytes || bytes->size() < 8) return std::nullopt;
  // The vertical offset comes first in the file.
  LeReader r(*bytes, 0);
  const std::int32_t dy = r.i32();
  return tposition{r.i32(), dy};
}

bool writePosition(const std::string& posPath, tposition p) {
  std::vector<std::uint8_t> bytes;
  LeWriter w(bytes);
  w.i32(p.dy);
  w.i32(p.dx);
  return writeFileAtomically(posPath, bytes).ok();
}
