#include "store/posfile.h"

#include <zlib.h>
#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "image/mpo.h"
#include "platform/files.h"
#include "platform/littleendian.h"

std::string posFileName(const std::string& rightFileName) { return withoutExtension(rightFileName) + ".POS"; }

namespace {

constexpr std::uint8_t kTag[4] = {'B', 'X', 'C', 'R'};
constexpr std::uint16_t kVersion = 1, kValues = 40;
constexpr std::size_t kBlockSize = 4 + 2 + 2 + kValues + 4;

std::uint32_t checksum(std::span<const std::uint8_t> b) {
  return static_cast<std::uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

Correction correctionIn(const std::vector<std::uint8_t>& file) {
  if (file.size() < 8 + kBlockSize || !std::equal(kTag, kTag + 4, file.begin() + 8)) return {};
  const auto block = std::span(file).subspan(8, kBlockSize);
  LeReader r(block, 4);
  if (r.u16() != kVersion || r.u16() != kValues) return {};
  Correction c{r.f64(), r.f64(), r.f64(), r.f64(), r.f64()};
  if (r.u32() != checksum(block.first(kBlockSize - 4)) || !c.plausible()) return {};
  return c;
}

}  // namespace

PosFileName positionFileOf(const std::string& rightFileName) {
  const std::string name = posFileName(rightFileName);
  const std::string found = resolvePath(name);
  if (found == name) return {name};
  const std::string picture = fileNameOf(resolvePath(rightFileName));
  const std::string stem = withoutExtension(fileNameOf(found));
  const std::string dir = found.find('/') == std::string::npos ? "" : directoryOf(found);
  for (const std::string& entry : findFiles(dir, stem + ".*"))
    if (entry != fileNameOf(found) && entry != picture && withoutExtension(entry) == stem)
      return {name, true};
  return {found};
}

std::optional<tposition> readPosition(const PosFileName& posFile) {
  auto bytes =
      readFilePrefix(posFile.path, 8 + kBlockSize, posFile.exactCase ? NameCase::Exact : NameCase::Any);
  if (!bytes || bytes->size() < 8) return std::nullopt;
  // The vertical offset comes first in the file.
  LeReader r(*bytes, 0);
  const std::int32_t dy = r.i32();
  const std::int32_t dx = r.i32();
  return tposition{dx, dy, correctionIn(*bytes)};
}

bool writePosition(const PosFileName& posFile, tposition p) {
  std::vector<std::uint8_t> bytes;
  LeWriter w(bytes);
  w.i32(p.dy);
  w.i32(p.dx);
  if (!p.correction.none()) {
    bytes.insert(bytes.end(), kTag, kTag + 4);
    w.u16(kVersion);
    w.u16(kValues);
    for (double v : {p.correction.roll, p.correction.zoom, p.correction.shift, p.correction.keystoneV,
                     p.correction.keystoneH})
      w.f64(v);
    w.u32(checksum(std::span(bytes).subspan(8)));
  }
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
