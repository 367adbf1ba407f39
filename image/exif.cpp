#include "image/exif.h"

#include <algorithm>
#include <string_view>

#include "image/tiff.h"

namespace {

constexpr std::uint16_t kOrientation = 0x0112, kExifIfd = 0x8769, kMakerNote = 0x927C;
constexpr std::uint16_t kPixelX = 0xA002, kPixelY = 0xA003;
constexpr std::uint16_t kThumbnailOffset = 0x0201, kThumbnailLength = 0x0202;
constexpr std::uint16_t kMake = 0x010F, kModel = 0x0110, kDateTime = 0x0132, kDateTimeOriginal = 0x9003;
constexpr std::uint16_t kAscii = 2, kShort = 3, kLong = 4, kSignedRational = 10;

// Writes in the block's byte order.
void put(std::vector<std::uint8_t>& b, bool big, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b[at + static_cast<std::size_t>(big ? bytes - 1 - i : i)] = static_cast<std::uint8_t>(v >> 8 * i);
}

std::optional<std::vector<TiffEntry>> exifIfd(const TiffBlock& block, const std::vector<TiffEntry>& ifd0) {
  const TiffEntry* e = findTag(ifd0, kExifIfd);
  return e ? block.ifd(e->value) : std::nullopt;
}

// An ASCII entry's text up to its first NUL, trailing spaces cut; empty when
// it is missing, of another type or runs past the block.
std::string asciiText(std::span<const std::uint8_t> exif, const TiffEntry* e) {
  if (!e || e->type != kAscii) return {};
  const std::size_t at = e->count <= 4 ? e->at + 8 : e->value;
  if (at > exif.size() || exif.size() - at < e->count) return {};
  std::string text;
  for (std::uint8_t c : exif.subspan(at, e->count)) {
    if (c == 0) break;
    text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
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

std::string exifCaption(std::span<const std::uint8_t> exif) {
  const auto block = TiffBlock::open(exif);
  const auto ifd0 = block ? block->ifd(block->firstIfd()) : std::nullopt;
  if (!ifd0) return {};
  const auto exifEntries = exifIfd(*block, *ifd0);
  std::string date = exifEntries ? asciiText(exif, findTag(*exifEntries, kDateTimeOriginal)) : "";
  if (date.empty()) date = asciiText(exif, findTag(*ifd0, kDateTime));
  // "2023:06:14 10:31:05": the date's colons as dashes.
  if (date.size() >= 10 && date[4] == ':' && date[7] == ':') date[4] = date[7] = '-';
  const std::string make = asciiText(exif, findTag(*ifd0, kMake));
  std::string camera = asciiText(exif, findTag(*ifd0, kModel));
  if (!make.empty() && !camera.starts_with(make)) camera = camera.empty() ? make : make + " " + camera;
  return date.empty() || camera.empty() ? date + camera : date + " \u00b7 " + camera;
}
