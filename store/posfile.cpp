#include "store/posfile.h"

#include <cmath>
#include <vector>

#include "image/mpo.h"
#include "platform/files.h"
#include "platform/littleendian.h"

std::string posFileName(const std::string& rightFileName) {
  if (!hasExtension(rightFileName)) return rightFileName + ".POS";
  return rightFileName.substr(0, rightFileName.rfind('.')) + ".POS";
}

namespace {

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }
std::string stemOf(const std::string& name) { return name.substr(0, name.rfind('.')); }

}  // namespace

PosFileName positionFileOf(const std::string& rightFileName) {
  const std::string name = posFileName(rightFileName);
  const std::string found = resolvePath(name);
  if (found == name) return {name};
  const std::string picture = nameOf(resolvePath(rightFileName));
  const std::string stem = stemOf(nameOf(found));
  const std::string dir = found.find('/') == std::string::npos ? "" : directoryOf(found);
  for (const std::string& entry : findFiles(dir, stem + ".*"))
    if (entry != nameOf(found) && entry != picture && stemOf(entry) == stem) return {name, true};
  return {found};
}

std::optional<tposition> readPosition(const PosFileName& posFile) {
  auto bytes = readFilePrefix(posFile.path, 8, posFile.exactCase ? NameCase::Exact : NameCase::Any);
  if (!bytes || bytes->size() < 8) return std::nullopt;
  // The vertical offset comes first in the file.
  LeReader r(*bytes, 0);
  const std::int32_t dy = r.i32();
  return tposition{r.i32(), dy};
}

bool writePosition(const PosFileName& posFile, tposition p) {
  std::vector<std::uint8_t> bytes;
  LeWriter w(bytes);
  w.i32(p.dy);
  w.i32(p.dx);
  return writeFileAtomically(posFile.path, bytes, posFile.exactCase ? NameCase::Exact : NameCase::Any).ok();
}

tposition openingPosition(const std::string& leftFileName, const std::string& rightFileName,
                          std::int32_t width) {
  if (auto stored = readPosition(positionFileOf(rightFileName))) return *stored;
  if (leftFileName != rightFileName) return {};
  auto file = openFile(rightFileName);
  const auto parallax = file ? cameraParallax(*file) : std::nullopt;
  // The camera's parallax moves the right view left (a negative value) to
  // put the nearest objects at the window: here the left view's pixel x
  // pairs with the right view's x + dx. Checked on a W3's file, whose
  // anaglyph at this position shows its near rocks without fringes.
  const double dx = parallax ? -std::round(width * *parallax / 100) : 0;
  if (!(std::abs(dx) < width)) return {};
  return {static_cast<std::int32_t>(dx), 0};
}
