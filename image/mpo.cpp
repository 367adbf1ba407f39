#include "image/mpo.h"

#include "image/exif.h"
#include "image/tiff.h"
#include "platform/littleendian.h"

namespace {

constexpr std::uint8_t kMpfId[] = {'M', 'P', 'F', 0};

}  // namespace

Result<std::optional<MpoIndex>> readMpoIndex(const std::vector<JpegSegment>& segments) {
  const auto mpf = findSegment(segments, 0xE2, kMpfId);
  if (!mpf) return std::optional<MpoIndex>{};
  const auto block = TiffBlock::open(mpf->payload);
  if (!block) return Error{"MPO index has no valid byte order header"};
  const auto ifd = block->ifd(block->firstIfd());
  if (!ifd) return Error{"MPO index lies outside its segment"};
  const TiffEntry* count = findTag(*ifd, 0xB001);
  const TiffEntry* list = findTag(*ifd, 0xB002);
  if (!count || !list) return Error{"MPO index lacks the number or the list of images"};
  if (count->value == 0) return Error{"MPO index lists no images"};
  if (count->value > kMpoMaxImages) return Error{"MPO index lists too many images"};
  if (list->count != 16 * count->value) return Error{"MPO index list does not match its number of images"};
  if (list->value > block->size() || block->size() - list->value < list->count)
    return Error{"MPO index list lies outside its segment"};

  MpoIndex index;
  index.base = mpf->offset;
  for (std::uint32_t i = 0; i < count->value; ++i) {
    const std::size_t at = list->value + 16 * std::size_t{i};
    index.entries.push_back({*block->u32(at), *block->u32(at + 4), *block->u32(at + 8)});
  }
  return std::optional<MpoIndex>(std::move(index));
}

Result<std::optional<MpoViews>> locateMpoViews(const ByteSource& file, const MpoIndex& index) {
  std::vector<std::size_t> views;
  for (std::size_t i = 0; i < index.entries.size() && views.size() < 2; ++i)
    if (index.entries[i].isJpeg() && index.entries[i].type() == kMpoDisparity) views.push_back(i);
  if (views.size() < 2) return std::optional<MpoViews>{};

  const std::uint64_t firstEnd = index.entries[0].size;
  MpoView found[2];
  for (int v = 0; v < 2; ++v) {
    const std::size_t i = views[static_cast<std::size_t>(v)];
    const MpoEntry& e = index.entries[i];
    const std::string name = "MPO image " + std::to_string(i + 1);
    if (i == 0 && e.offset != 0) return Error{name + " does not start the file"};
    const std::uint64_t start = i == 0 ? 0 : index.base + std::uint64_t{e.offset};
    if (i != 0 && (e.offset == 0 || start < firstEnd)) return Error{name + " starts inside the first image"};
    if (start >= file.size() || file.size() - start < e.size)
      return Error{name + " runs past the end of the file"};
    found[v] = {start, e.size};
    std::uint8_t head[3];
    if (!file.readAt(start, head) || !isJpeg(head)) return Error{name + " is not a JPEG"};
  }
  return std::optional<MpoViews>(MpoViews{found[0], found[1]});
}

MpoAttributes readMpoAttributes(const std::vector<JpegSegment>& segments) {
  MpoAttributes a;
  const auto mpf = findSegment(segments, 0xE2, kMpfId);
  const auto block = mpf ? TiffBlock::open(mpf->payload) : std::nullopt;
  std::uint32_t next = 0;
  if (!block || !block->ifd(block->firstIfd(), &next) || next == 0) return a;
  const auto ifd = block->ifd(next);
  if (!ifd) return a;
  auto rational = [&](std::uint16_t tag, std::uint16_t type) -> std::optional<TiffRational> {
    const TiffEntry* e = findTag(*ifd, tag);
    if (!e || e->type != type || e->count != 1) return std::nullopt;
    const auto n = block->u32(e->value), d = block->u32(std::size_t{e->value} + 4);
    if (!n || !d) return std::nullopt;
    return TiffRational{*n, *d};
  };
  a.convergenceAngle = rational(0xB205, 10);
  a.baselineLength = rational(0xB206, 5);
  return a;
}

std::optional<double> cameraParallax(const ByteSource& file) {
  auto segments = readJpegSegments(file);
  if (!segments) return std::nullopt;
  auto index = readMpoIndex(*segments);
  if (!index || !*index) return std::nullopt;
  auto views = locateMpoViews(file, **index);
  if (!views || !*views) return std::nullopt;
  auto second = readJpegSegments(file, (*views)->right.start);
  if (!second) return std::nullopt;
  const auto exif = exifBytes(*second);
  return exif ? fujifilmParallax(*exif) : std::nullopt;
}

namespace {

// A TIFF field, its values little-endian.
struct TiffField {
  std::uint16_t tag, type;
  std::uint32_t count;
  std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> le32(std::initializer_list<std::uint32_t> values) {
  std::vector<std::uint8_t> b;
  LeWriter w(b);
  for (std::uint32_t v : values) w.u32(v);
  return b;
}

// An APP2 "MPF" payload: a little-endian TIFF block of IFDs one after the
// other, each followed by the values that do not fit in its entries.
std::vector<std::uint8_t> mpfSegment(const std::vector<std::vector<TiffField>>& ifds) {
  std::vector<std::uint8_t> b = {'M', 'P', 'F', 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  const std::size_t base = std::size(kMpfId);  // offsets count from the byte-order mark
  for (std::size_t k = 0; k < ifds.size(); ++k) {
    const auto& fields = ifds[k];
    const std::size_t start = b.size();
    b.resize(start + 2 + 12 * fields.size() + 4);
    b[start] = static_cast<std::uint8_t>(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const TiffField& f = fields[i];
      const std::size_t entry = start + 2 + 12 * i;
      LeWriter::patch16(b, entry, f.tag);
      LeWriter::patch16(b, entry + 2, f.type);
      LeWriter::patch32(b, entry + 4, f.count);
      if (f.data.size() <= 4) {
        std::copy(f.data.begin(), f.data.end(), b.begin() + static_cast<std::ptrdiff_t>(entry + 8));
      } else {
        LeWriter::patch32(b, entry + 8, static_cast<std::uint32_t>(b.size() - base));
        b.insert(b.end(), f.data.begin(), f.data.end());
      }
    }
    if (k + 1 < ifds.size())
      LeWriter::patch32(b, start + 2 + 12 * fields.size(), static_cast<std::uint32_t>(b.size() - base));
  }
  return b;
}

constexpr std::uint16_t kLong = 4, kUndefined = 7, kRational = 5, kSignedRational = 10;
const TiffField kVersion{0xB000, kUndefined, 4, {'0', '1', '0', '0'}};

std::vector<TiffField> attributeIfd(std::uint32_t number, const MpoAttributes& a) {
  std::vector<TiffField> fields = {{0xB101, kLong, 1, le32({number})}, {0xB204, kLong, 1, le32({1})}};
  if (a.convergenceAngle)
    fields.push_back(
        {0xB205, kSignedRational, 1, le32({a.convergenceAngle->numerator, a.convergenceAngle->denominator})});
  if (a.baselineLength)
    fields.push_back(
        {0xB206, kRational, 1, le32({a.baselineLength->numerator, a.baselineLength->denominator})});
  return fields;
}

}  // namespace

Result<std::vector<std::uint8_t>> encodeMpo(const tbitmap& left, const tbitmap& right, int quality,
                                            std::span<const std::uint8_t> exif,
                                            const MpoAttributes& attributes) {
  constexpr std::uint32_t kRepresentative = 0x20000000;
  const std::vector<TiffField> index = {
      kVersion, {0xB001, kLong, 1, le32({2})}, {0xB002, kUndefined, 32, std::vector<std::uint8_t>(32, 0)}};
  // The list, the index's first value too large for its entry, follows the index's three entries.
  constexpr std::size_t kListAt = 8 + 2 + 3 * 12 + 4;
  const JpegExtraSegment first[] = {{0xE2, mpfSegment({index, attributeIfd(1, attributes)})}};
  std::vector<TiffField> second = attributeIfd(2, attributes);
  second.insert(second.begin(), kVersion);
  const JpegExtraSegment secondSegment[] = {{0xE2, mpfSegment({second})}};
  auto one = encodeJpeg(left, quality, first, exif);
  if (!one) return one.error();
  auto two = encodeJpeg(right, quality, secondSegment, exif);
  if (!two) return two.error();

  // The list is filled in once the sizes are known; the second image's
  // offset counts from the index's byte-order mark.
  std::vector<std::uint8_t>& out = *one;
  auto segments = readJpegSegments(SpanSource(out));
  const auto mpf = findSegment(*segments, 0xE2, kMpfId);
  const std::size_t list = mpf->offset + kListAt;
  LeWriter::patch32(out, list, kRepresentative | kMpoDisparity);
  LeWriter::patch32(out, list + 4, static_cast<std::uint32_t>(out.size()));
  LeWriter::patch32(out, list + 16, kMpoDisparity);
  LeWriter::patch32(out, list + 20, static_cast<std::uint32_t>(two->size()));
  LeWriter::patch32(out, list + 24, static_cast<std::uint32_t>(out.size() - mpf->offset));
  out.insert(out.end(), two->begin(), two->end());
  return std::move(out);
}
