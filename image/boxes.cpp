#include "image/boxes.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::size_t kMaxBoxes = 1 << 14;  // in one parent; no real file comes near

std::optional<std::uint64_t> readBe(const ByteSource& source, std::uint64_t at, int bytes) {
  std::uint8_t b[8];
  if (!source.readAt(at, std::span(b, static_cast<std::size_t>(bytes)))) return std::nullopt;
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | b[i];
  return v;
}

std::string typeName(std::uint32_t type) {
  std::string s = "'";
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>(type >> shift & 0xFF);
    s += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return s + "'";
}

const Box* find(const std::vector<Box>& boxes, std::uint32_t type) {
  const auto it = std::find_if(boxes.begin(), boxes.end(), [type](const Box& b) { return b.type == type; });
  return it == boxes.end() ? nullptr : &*it;
}

// The children of a full box: after its version and flags.
Result<std::vector<Box>> fullBoxChildren(const ByteSource& source, const Box& box) {
  if (box.end - box.payload < 4) return Error{"HEIF box " + typeName(box.type) + " is too short"};
  return readBoxes(source, box.payload + 4, box.end);
}

bool heifBrand(std::uint32_t brand) {
  for (const char* b : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "mif2", "msf1"})
    if (brand == boxType(b)) return true;
  return false;
}

}  // namespace

Result<std::vector<Box>> readBoxes(const ByteSource& source, std::uint64_t begin, std::uint64_t end) {
  std::vector<Box> boxes;
  for (std::uint64_t at = begin; at < end;) {
    if (boxes.size() == kMaxBoxes) return Error{"HEIF file holds too many boxes"};
    const auto size32 = end - at >= 8 ? readBe(source, at, 4) : std::nullopt;
    const auto type = size32 ? readBe(source, at + 4, 4) : std::nullopt;
    if (!type) return Error{"HEIF box header runs past its parent"};
    Box box{static_cast<std::uint32_t>(*type), at, at + 8, 0, 4};
    std::uint64_t size = *size32;
    if (size == 1) {
      const auto large = end - at >= 16 ? readBe(source, at + 8, 8) : std::nullopt;
      if (!large) return Error{"HEIF box " + typeName(box.type) + " runs past its parent"};
      size = *large;
      box.payload = at + 16;
      box.sizeBytes = 8;
    } else if (size == 0) {
      size = end - at;  // to the end of its parent
    }
    if (size < box.payload - at) return Error{"HEIF box " + typeName(box.type) + " is smaller than its header"};
    if (size > end - at) return Error{"HEIF box " + typeName(box.type) + " runs past its parent"};
    box.end = at + size;
    boxes.push_back(box);
    at = box.end;
  }
  return boxes;
}

bool isHeifHead(std::span<const std::uint8_t> head) {
  auto be32 = [&](std::size_t at) {
    return std::uint32_t{head[at]} << 24 | std::uint32_t{head[at + 1]} << 16 | std::uint32_t{head[at + 2]} << 8 |
           head[at + 3];
  };
  if (head.size() < 12 || be32(4) != boxType("ftyp")) return false;
  if (heifBrand(be32(8))) return true;
  // Compatible brands follow the minor version, up to the box's end.
  const std::size_t end = std::min<std::size_t>(head.size(), be32(0));
  for (std::size_t at = 16; at + 4 <= end; at += 4)
    if (heifBrand(be32(at))) return true;
  return false;
}

Result<std::optional<std::vector<std::uint32_t>>> readStereoGroup(const ByteSource& source) {
  using Group = std::optional<std::vector<std::uint32_t>>;
  auto top = readBoxes(source, 0, source.size());
  if (!top) return top.error();
  const Box* meta = find(*top, boxType("meta"));
  if (!meta) return Group{};
  auto items = fullBoxChildren(source, *meta);
  if (!items) return items.error();
  const Box* grpl = find(*items, boxType("grpl"));
  if (!grpl) return Group{};
  auto groups = readBoxes(source, grpl->payload, grpl->end);
  if (!groups) return groups.error();
  const Box* ster = find(*groups, boxType("ster"));
  if (!ster) return Group{};
  // Version and flags, group_id, num_entities_in_group, then the entity ids.
  if (ster->end - ster->payload < 12) return Error{"stereo group box is too short"};
  const auto version = readBe(source, ster->payload, 1);
  const auto count = readBe(source, ster->payload + 8, 4);
  if (!version || !count) return Error{"stereo group box cannot be read"};
  if (*version != 0) return Error{"stereo group box of unknown version " + std::to_string(*version)};
  if (*count > (ster->end - ster->payload - 12) / 4) return Error{"stereo group lists more entities than its box holds"};
  if (*count != 2) return Error{"stereo group names " + std::to_string(*count) + " items, not two"};
  std::vector<std::uint32_t> ids;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const auto id = readBe(source, ster->payload + 12 + 4 * i, 4);
    if (!id) return Error{"stereo group box cannot be read"};
    ids.push_back(static_cast<std::uint32_t>(*id));
  }
  if (ids[0] == ids[1]) return Error{"stereo group names item " + std::to_string(ids[0]) + " twice"};
  return Group(std::move(ids));
}

namespace {

void putBe(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
}

void appendBe(std::vector<std::uint8_t>& b, std::uint64_t v, int bytes) {
  b.resize(b.size() + static_cast<std::size_t>(bytes));
  putBe(b, b.size() - static_cast<std::size_t>(bytes), v, bytes);
}

// A field of 'iloc' that holds a position in the file.
struct OffsetField {
  std::uint64_t at;
  int bytes;
};

struct ItemLocations {
  std::vector<OffsetField> offsets;
  std::uint32_t largestId = 0;
};

// ISO/IEC 14496-12 8.11.3, versions 0 to 2.
Result<ItemLocations> readItemLocations(const ByteSource& source, const Box& iloc) {
  const Error broken{"HEIF 'iloc' box is broken"};
  std::uint64_t at = iloc.payload;
  auto take = [&](int bytes) -> std::optional<std::uint64_t> {
    if (bytes == 0) return 0;
    if (iloc.end - at < static_cast<std::uint64_t>(bytes)) return std::nullopt;
    const auto v = readBe(source, at, bytes);
    at += static_cast<std::uint64_t>(bytes);
    return v;
  };
  const auto version = take(1);
  const auto flags = take(3), sizes = take(1), baseAndIndex = take(1);
  if (!version || !flags || !sizes || !baseAndIndex || *version > 2) return broken;
  const int offsetSize = static_cast<int>(*sizes >> 4), lengthSize = static_cast<int>(*sizes & 15);
  const int baseSize = static_cast<int>(*baseAndIndex >> 4);
  const int indexSize = *version == 0 ? 0 : static_cast<int>(*baseAndIndex & 15);
  for (int s : {offsetSize, lengthSize, baseSize, indexSize})
    if (s != 0 && s != 4 && s != 8) return broken;
  const int idSize = *version < 2 ? 2 : 4;
  const auto count = take(idSize);
  if (!count) return broken;
  ItemLocations found;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const auto id = take(idSize);
    const auto method = *version == 0 ? std::optional<std::uint64_t>(0) : take(2);
    const auto reference = take(2);
    const std::uint64_t baseAt = at;
    const auto base = take(baseSize);
    const auto extents = take(2);
    if (!id || !method || !reference || !base || !extents) return broken;
    found.largestId = std::max(found.largestId, static_cast<std::uint32_t>(*id));
    // Only construction method 0 counts from the start of the file.
    const bool inFile = (*method & 15) == 0 && *reference == 0;
    if (inFile && baseSize != 0) found.offsets.push_back({baseAt, baseSize});
    for (std::uint64_t e = 0; e < *extents; ++e) {
      if (!take(indexSize)) return broken;
      const std::uint64_t offsetAt = at;
      if (!take(offsetSize) || !take(lengthSize)) return broken;
      if (inFile && baseSize == 0 && offsetSize != 0) found.offsets.push_back({offsetAt, offsetSize});
    }
  }
  return found;
}

}  // namespace

Result<std::vector<std::uint8_t>> withStereoGroup(std::vector<std::uint8_t> file, std::uint32_t left,
                                                  std::uint32_t right) {
  const SpanSource source(file);
  auto top = readBoxes(source, 0, source.size());
  if (!top) return top.error();
  const Box* meta = find(*top, boxType("meta"));
  if (!meta) return Error{"HEIF file has no 'meta' box"};
  auto items = fullBoxChildren(source, *meta);
  if (!items) return items.error();
  const Box* iloc = find(*items, boxType("iloc"));
  if (!iloc) return Error{"HEIF file has no 'iloc' box"};
  auto locations = readItemLocations(source, *iloc);
  if (!locations) return locations.error();

  std::vector<std::uint8_t> grpl;
  for (const char* field : {"grpl", "ster"}) {
    appendBe(grpl, 0, 4);  // sizes filled in below
    grpl.insert(grpl.end(), field, field + 4);
  }
  appendBe(grpl, 0, 4);                                  // version and flags
  appendBe(grpl, locations->largestId + std::uint64_t{1}, 4);  // group_id, unlike any item's id
  appendBe(grpl, 2, 4);                                  // num_entities_in_group
  appendBe(grpl, left, 4);
  appendBe(grpl, right, 4);
  putBe(grpl, 0, grpl.size(), 4);
  putBe(grpl, 8, grpl.size() - 8, 4);

  const std::uint64_t grown = grpl.size();
  for (const OffsetField& f : locations->offsets) {
    const auto v = readBe(source, f.at, f.bytes);
    if (*v < meta->end) continue;
    if (f.bytes == 4 && *v + grown > 0xFFFFFFFF) return Error{"HEIF file too large for its 'iloc' box"};
    putBe(file, f.at, *v + grown, f.bytes);
  }
  const std::uint64_t metaSize = meta->end - meta->start + grown;
  if (meta->sizeBytes == 4 && metaSize > 0xFFFFFFFF) return Error{"HEIF 'meta' box too large"};
  putBe(file, meta->start + (meta->sizeBytes == 8 ? 8 : 0), metaSize, meta->sizeBytes);
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(meta->end), grpl.begin(), grpl.end());
  return file;
}
