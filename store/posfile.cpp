#include "store/posfile.h"

#include <vector>

#include "platform/files.h"

namespace {

std::int32_t readLe32(const std::uint8_t* p) {
  const std::uint32_t u =
      std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  return static_cast<std::int32_t>(u);
}

void appendLe32(std::vector<std::uint8_t>& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(u >> shift));
}

}  // namespace

std::string posFileName(const std::string& rightFileName) {
  if (!hasExtension(rightFileName)) return rightFileName + ".POS";
  return rightFileName.substr(0, rightFileName.rfind('.')) + ".POS";
}

std::optional<tposition> readPosition(const std::string& posPath) {
  auto bytes = readFilePrefix(posPath, 8);
  if (!bytes || bytes->size() < 8) return std::nullopt;
  // The vertical offset comes first in the file.
  return tposition{readLe32(bytes->data() + 4), readLe32(bytes->data())};
}

bool writePosition(const std::string& posPath, tposition p) {
  std::vector<std::uint8_t> bytes;
  appendLe32(bytes, p.dy);
  appendLe32(bytes, p.dx);
  return writeFileAtomically(posPath, bytes).ok();
}
