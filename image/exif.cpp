#include "image/exif.h"

#include <algorithm>
#include <string_view>

#include "image/tiff.h"

namespace {

constexpr std::uint16_t kOrientation = 0x0112, kExifIfd = 0x8769, kMakerNote = 0x927C;
constexpr std::uint16_t kPixelX = 0xA002, kPixelY = 0xA003;
constexpr std::uint16_t kThumbnailOffset = 0x0201, kThumbnailLength = 0x0202;
constexpr std::uint16_t kShort = 3, kLong = 4, kSignedRational = 10;

// Writes in the block's byte order.
void put(std::vector<std::uint8_t>& b, bool big, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b[at + static_cast<std::size_t>(big ? bytes - 1 - i : i)] = static_cast<std::uint8_t>(v >> 8 * i);
}

std::optional<std::vector<TiffEntry>> exifIfd(const TiffBlock& block, const std::vector<TiffEntry>& ifd0) {
  const TiffEntry* e = findTag(ifd0, kExifIfd);
  return e ? block.ifd(e->value) : std::nullopt;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> exifBytes(const std::vector<JpegSegment>& segments) {
  for (const JpegSegment& s : segments)
    if (s.marker == 0xE1 && s.payload.size() >= 6 && std::equal(kExifId, kExifId + 6, s.payload.begin()))
      return std::span(s.payload).subspan(6);
  return std::nullopt;
}

std::vector<std::uint8_t> exifForPicture(std::span<const std::uint8_t> source, std::int32_t width,
                                         std::int32_t height) {
  std::vector<std::uint8_t> out(source.begin(), source.end());
  const auto block = TiffBlock::open(out);
  if (!block) return {};
  const bool big = block->bigEndian();
  std::uint32_t next = 0;
  const auto ifd0 = block->ifd(block->firstIfd(), &next);
  if (!ifd0) return out;
  if (const TiffEntry* e = findTag(*ifd0, kOrientation); e && e->type == kShort && e->count == 1)
    put(out, big, e->at + 8, 1, 2);
  if (const auto exif = exifIfd(*block, *ifd0))
    for (const auto& [tag, size] : {std::pair{kPixelX, width}, std::pair{kPixelY, height}})
      if (const TiffEntry* e = findTag(*exif, tag)) {
        // As a LONG, which holds any size in the entry's own value field.
        put(out, big, e->at + 2, kLong, 2);
        put(out, big, e->at + 4, 1, 4);
        put(out, big, e->at + 8, static_cast<std::uint32_t>(size), 4);
      }
  if (next == 0) return out;
  // Unlinked, the thumbnail's directory is gone; its bytes go too when they end the block.
  const auto ifd1 = block->ifd(next);
  put(out, big, block->firstIfd() + 2 + 12 * ifd0->size(), 0, 4);
  const TiffEntry* offset = ifd1 ? findTag(*ifd1, kThumbnailOffset) : nullptr;
  const TiffEntry* length = ifd1 ? findTag(*ifd1, kThumbnailLength) : nullptr;
  if (offset && length && offset->value >= 8 && offset->value <= out.size() &&
      out.size() - offset->value == length->value)
    out.resize(offset->value);
  return out;
}

std::optional<double> fujifilmParallax(std::span<const std::uint8_t> exif) {
  constexpr std::string_view kFujifilm = "FUJIFILM";
  constexpr std::uint16_t kParallax = 0xB211;
  const auto block = TiffBlock::open(exif);
  if (!block) return std::nullopt;
  const auto ifd0 = block->ifd(block->firstIfd());
  const auto exifEntries = ifd0 ? exifIfd(*block, *ifd0) : std::nullopt;
  const TiffEntry* note = exifEntries ? findTag(*exifEntries, kMakerNote) : nullptr;
  if (!note || note->value > exif.size() || exif.size() - note->value < note->count) return std::nullopt;
  // "FUJIFILM", then the offset of its IFD; offsets count from the note's start, little-endian always.
  const auto bytes = exif.subspan(note->value, note->count);
  if (bytes.size() < 12 || !std::equal(kFujifilm.begin(), kFujifilm.end(), bytes.begin()))
    return std::nullopt;
  const TiffBlock maker = TiffBlock::littleEndian(bytes);
  const auto entries = maker.ifd(*maker.u32(8));
  const TiffEntry* parallax = entries ? findTag(*entries, kParallax) : nullptr;
  if (!parallax || parallax->type != kSignedRational || parallax->count != 1) return std::nullopt;
  const auto numerator = maker.u32(parallax->value),
             denominator = maker.u32(std::size_t{parallax->value} + 4);
  if (!numerator || !denominator || *denominator == 0) return std::nullopt;
  return static_cast<double>(static_cast<std::int32_t>(*numerator)) / static_cast<std::int32_t>(*denominator);
}
