#include "image/mpo.h"

#include "image/tiff.h"

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

namespace {

// The first image's index, little-endian: version, number, list of two.
constexpr std::size_t kListAt = 8 + 2 + 3 * 12 + 4;
constexpr std::size_t kBlockSize = kListAt + 2 * 16;

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

std::vector<std::uint8_t> tiffHeader(std::size_t size, int tags) {
  std::vector<std::uint8_t> b(4 + size, 0);
  std::copy(std::begin(kMpfId), std::end(kMpfId), b.begin());
  b[4] = b[5] = 'I';
  put16(b, 6, 42);
  put32(b, 8, 8);
  put16(b, 12, static_cast<std::uint32_t>(tags));
  return b;
}

void putTag(std::vector<std::uint8_t>& b, int n, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
            std::uint32_t value) {
  const std::size_t at = 4 + 10 + 12 * static_cast<std::size_t>(n);
  put16(b, at, tag);
  put16(b, at + 2, type);
  put32(b, at + 4, count);
  put32(b, at + 8, value);
}

constexpr std::uint32_t kVersion = '0' | '1' << 8 | '0' << 16 | '0' << 24;  // "0100" as stored

}  // namespace

Result<std::vector<std::uint8_t>> encodeMpo(const tbitmap& left, const tbitmap& right, int quality) {
  std::vector<std::uint8_t> index = tiffHeader(kBlockSize, 3);
  putTag(index, 0, 0xB000, 7, 4, kVersion);
  putTag(index, 1, 0xB001, 4, 1, 2);
  putTag(index, 2, 0xB002, 7, 32, kListAt);
  std::vector<std::uint8_t> attributes = tiffHeader(8 + 2 + 2 * 12 + 4, 2);
  putTag(attributes, 0, 0xB000, 7, 4, kVersion);
  putTag(attributes, 1, 0xB101, 4, 1, 2);  // individual image number

  const JpegExtraSegment first[] = {{0xE2, index}};
  auto one = encodeJpeg(left, quality, first);
  if (!one) return one.error();
  const JpegExtraSegment second[] = {{0xE2, attributes}};
  auto two = encodeJpeg(right, quality, second);
  if (!two) return two.error();

  // The list is filled in once the first image's size is known.
  std::vector<std::uint8_t>& out = *one;
  auto segments = readJpegSegments(SpanSource(out));
  const auto mpf = findSegment(*segments, 0xE2, kMpfId);
  const std::size_t list = mpf->offset + kListAt;
  const auto firstSize = static_cast<std::uint32_t>(out.size());
  put32(out, list, 0x20000000 | kMpoDisparity);  // representative image
  put32(out, list + 4, firstSize);
  put32(out, list + 16, kMpoDisparity);
  put32(out, list + 20, static_cast<std::uint32_t>(two->size()));
  put32(out, list + 24, static_cast<std::uint32_t>(out.size() - mpf->offset));
  out.insert(out.end(), two->begin(), two->end());
  return std::move(out);
}
