#include "image/boxes.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

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
    if (size < box.payload - at)
      return Error{"HEIF box " + typeName(box.type) + " is smaller than its header"};
    if (size > end - at) return Error{"HEIF box " + typeName(box.type) + " runs past its parent"};
    box.end = at + size;
    boxes.push_back(box);
    at = box.end;
  }
  return boxes;
}

bool isHeifHead(std::span<const std::uint8_t> head) {
  auto be32 = [&](std::size_t at) {
    return std::uint32_t{head[at]} << 24 | std::uint32_t{head[at + 1]} << 16 |
           std::uint32_t{head[at + 2]} << 8 | head[at + 3];
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
  if (*count > (ster->end - ster->payload - 12) / 4)
    return Error{"stereo group lists more entities than its box holds"};
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
  for (int i = bytes - 1; i >= 0; --i, v >>= 8)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
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

// Where an item's data lies in the file.
struct ItemExtent {
  std::uint32_t item;
  std::uint64_t offset, length;  // length 0: to the end of the file
  bool inIdat = false;           // offset into the 'idat' box's payload, not the file
};

struct ItemLocations {
  std::vector<OffsetField> offsets;
  std::vector<ItemExtent> extents;
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
      const auto offset = take(offsetSize), length = take(lengthSize);
      if (!offset || !length) return broken;
      if (inFile && baseSize == 0 && offsetSize != 0) found.offsets.push_back({offsetAt, offsetSize});
      if (inFile || ((*method & 15) == 1 && *reference == 0))
        found.extents.push_back({static_cast<std::uint32_t>(*id), *base + *offset, *length, !inFile});
    }
  }
  return found;
}

// The bits of a NAL unit after its two-byte header, emulation prevention
// bytes dropped.
class NalBits {
 public:
  explicit NalBits(std::span<const std::uint8_t> nal) {
    int zeros = 0;
    for (std::size_t i = 2; i < nal.size(); ++i) {
      if (zeros >= 2 && nal[i] == 3) {
        zeros = 0;
        continue;
      }
      zeros = nal[i] == 0 ? zeros + 1 : 0;
      bytes_.push_back(nal[i]);
    }
  }
  std::optional<std::uint64_t> bits(int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i, ++at_) {
      if (at_ / 8 >= bytes_.size()) return std::nullopt;
      v = v << 1 | (bytes_[at_ / 8] >> (7 - at_ % 8) & 1);
    }
    return v;
  }
  // Exp-Golomb; nullopt past 32 leading zeros.
  std::optional<std::uint64_t> ue() {
    int zeros = 0;
    for (auto b = bits(1); b && *b == 0; b = bits(1))
      if (++zeros > 32) return std::nullopt;
    const auto rest = bits(zeros);
    if (!rest) return std::nullopt;
    return (std::uint64_t{1} << zeros) - 1 + *rest;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

constexpr int kSpsNal = 33;
int nalType(std::uint8_t header) { return header >> 1 & 0x3F; }

// The picture size a sequence parameter set declares (H.265 7.3.2.2).
std::optional<std::pair<std::uint64_t, std::uint64_t>> spsSize(std::span<const std::uint8_t> nal) {
  NalBits r(nal);
  r.bits(4);  // sps_video_parameter_set_id
  const auto subLayers = r.bits(3);
  if (!subLayers || !r.bits(1) || !r.bits(96)) return std::nullopt;  // the general profile, tier and level
  std::vector<std::uint64_t> present;
  for (std::uint64_t i = 0; i < *subLayers; ++i) {
    const auto flags = r.bits(2);
    if (!flags) return std::nullopt;
    present.push_back(*flags);
  }
  if (*subLayers > 0 && !r.bits(2 * (8 - static_cast<int>(*subLayers)))) return std::nullopt;
  for (std::uint64_t flags : present)
    if ((flags & 2 && !r.bits(88)) || (flags & 1 && !r.bits(8))) return std::nullopt;
  const auto id = r.ue(), chroma = r.ue();
  if (!id || !chroma || (*chroma == 3 && !r.bits(1))) return std::nullopt;
  const auto width = r.ue(), height = r.ue();
  if (!width || !height) return std::nullopt;
  return std::pair(*width, *height);
}

struct CodedItem {
  std::uint32_t type = 0;                                       // by 'iinf'
  std::optional<std::pair<std::uint64_t, std::uint64_t>> size;  // its 'ispe'
  std::optional<Box> hvcC;
  bool nclx = false;  // has an 'nclx' colour box
};

// The types of the items 'iinf' lists ('infe' versions 2 and 3).
Status readItemTypes(const ByteSource& source, const std::vector<Box>& items,
                     std::map<std::uint32_t, CodedItem>& found) {
  const Box* iinf = find(items, boxType("iinf"));
  if (!iinf) return success();
  const auto version = iinf->end - iinf->payload >= 4 ? readBe(source, iinf->payload, 1) : std::nullopt;
  if (!version) return Error{"HEIF 'iinf' box is too short"};
  auto entries = readBoxes(source, iinf->payload + (*version == 0 ? 6 : 8), iinf->end);
  if (!entries) return entries.error();
  for (const Box& infe : *entries) {
    const auto v = infe.type == boxType("infe") && infe.end - infe.payload >= 4
                       ? readBe(source, infe.payload, 1)
                       : std::nullopt;
    if (!v || *v < 2) continue;
    const int idSize = *v == 2 ? 2 : 4;
    const auto id = infe.end - infe.payload >= static_cast<std::uint64_t>(4 + idSize + 6)
                        ? readBe(source, infe.payload + 4, idSize)
                        : std::nullopt;
    if (!id) return Error{"HEIF 'infe' box is too short"};
    found[static_cast<std::uint32_t>(*id)].type =
        static_cast<std::uint32_t>(*readBe(source, infe.payload + 4 + idSize + 2, 4));
  }
  return success();
}

// Each item's properties, by 'ipma' (ISO/IEC 23008-12 9.3) into 'ipco'.
Result<std::map<std::uint32_t, CodedItem>> codedItems(const ByteSource& source,
                                                      const std::vector<Box>& items) {
  std::map<std::uint32_t, CodedItem> found;
  if (Status s = readItemTypes(source, items, found); !s) return s.error();
  const Box* iprp = find(items, boxType("iprp"));
  if (!iprp) return found;
  auto boxes = readBoxes(source, iprp->payload, iprp->end);
  if (!boxes) return boxes.error();
  const Box* ipco = find(*boxes, boxType("ipco"));
  auto listed =
      ipco ? readBoxes(source, ipco->payload, ipco->end) : Result<std::vector<Box>>(std::vector<Box>{});
  if (!listed) return listed.error();
  const std::vector<Box>& properties = *listed;
  const Error broken{"HEIF 'ipma' box is broken"};
  for (const Box& ipma : *boxes) {
    if (ipma.type != boxType("ipma")) continue;
    std::uint64_t at = ipma.payload;
    auto take = [&](int bytes) -> std::optional<std::uint64_t> {
      if (ipma.end - at < static_cast<std::uint64_t>(bytes)) return std::nullopt;
      const auto v = readBe(source, at, bytes);
      at += static_cast<std::uint64_t>(bytes);
      return v;
    };
    const auto version = take(1), flags = take(3), count = take(4);
    if (!version || !flags || !count) return broken;
    for (std::uint64_t i = 0; i < *count; ++i) {
      const auto id = take(*version < 1 ? 2 : 4), associations = take(1);
      if (!id || !associations) return broken;
      CodedItem& item = found[static_cast<std::uint32_t>(*id)];
      for (std::uint64_t a = 0; a < *associations; ++a) {
        const auto entry = take(*flags & 1 ? 2 : 1);
        if (!entry) return broken;
        const std::uint64_t index = *entry & (*flags & 1 ? 0x7FFF : 0x7F);  // from 1; 0: none
        if (index == 0 || index > properties.size()) continue;
        const Box& p = properties[index - 1];
        if (p.type == boxType("hvcC")) item.hvcC = p;
        if (p.type == boxType("colr") && p.end - p.payload >= 4 &&
            readBe(source, p.payload, 4) == boxType("nclx"))
          item.nclx = true;
        const auto w = p.type == boxType("ispe") && p.end - p.payload >= 12 ? readBe(source, p.payload + 4, 4)
                                                                            : std::nullopt;
        const auto h = w ? readBe(source, p.payload + 8, 4) : std::nullopt;
        if (h) item.size = std::pair(*w, *h);
      }
    }
  }
  return found;
}

// The boxes of the top-level 'meta' and what its items are; nullopt
// without one.
struct MetaItems {
  std::vector<Box> boxes;
  std::map<std::uint32_t, CodedItem> coded;
};
Result<std::optional<MetaItems>> metaItems(const ByteSource& source) {
  auto top = readBoxes(source, 0, source.size());
  if (!top) return top.error();
  const Box* meta = find(*top, boxType("meta"));
  if (!meta) return std::optional<MetaItems>();
  auto items = fullBoxChildren(source, *meta);
  if (!items) return items.error();
  auto coded = codedItems(source, *items);
  if (!coded) return coded.error();
  return std::optional(MetaItems{std::move(*items), std::move(*coded)});
}

}  // namespace

Result<bool> hasNclxColour(const ByteSource& source) {
  auto meta = metaItems(source);
  if (!meta) return meta.error();
  return *meta && std::any_of((*meta)->coded.begin(), (*meta)->coded.end(),
                              [](const auto& item) { return item.second.nclx; });
}

Status checkCodedSizes(const ByteSource& source) {
  auto meta = metaItems(source);
  if (!meta) return meta.error();
  if (!*meta) return success();
  const std::vector<Box>* items = &(*meta)->boxes;
  const std::map<std::uint32_t, CodedItem>* coded = &(*meta)->coded;
  const Box* iloc = find(*items, boxType("iloc"));
  auto locations = iloc ? readItemLocations(source, *iloc) : Result<ItemLocations>(ItemLocations{});
  if (!locations) return locations.error();

  // Within a coding tree block of the item's size: the decoder allocates
  // what the stream declares, whatever the item says.
  constexpr std::uint64_t kSlack = 64;
  const Box* idat = find(*items, boxType("idat"));
  for (const auto& entry : *coded) {
    const std::uint32_t id = entry.first;  // named, not bound: clang 14 captures no bindings
    const CodedItem& item = entry.second;
    // A grid's or overlay's picture is the size its descriptor gives.
    if (item.type == boxType("grid") || item.type == boxType("iovl")) {
      const std::string name = "HEIF item " + std::to_string(id);
      const auto e = std::find_if(locations->extents.begin(), locations->extents.end(),
                                  [id](const ItemExtent& x) { return x.item == id; });
      if (e == locations->extents.end() || !item.size) return Error{name + " has no picture size"};
      const std::uint64_t begin = e->inIdat ? (idat ? idat->payload : source.size()) : 0;
      const std::uint64_t at = begin + e->offset;
      const auto flags = at < source.size() ? readBe(source, at + 1, 1) : std::nullopt;
      const int field = flags && *flags & 1 ? 4 : 2;
      const std::uint64_t sizeAt = at + (item.type == boxType("grid") ? 4 : 10);
      const auto w = flags ? readBe(source, sizeAt, field) : std::nullopt;
      const auto h = w ? readBe(source, sizeAt + static_cast<std::uint64_t>(field), field) : std::nullopt;
      if (!h) return Error{name + " has a broken descriptor"};
      if (std::pair(*w, *h) != *item.size) return Error{name + " is not the size it declares"};
      continue;
    }
    if (!item.hvcC) continue;
    const std::string name = "HEVC item " + std::to_string(id);
    if (!item.size) return Error{name + " has no size"};
    auto fits = [&](std::span<const std::uint8_t> nal) -> Status {
      const auto size = spsSize(nal);
      if (!size) return Error{name + " has a broken sequence parameter set"};
      if (size->first > item.size->first + kSlack || size->second > item.size->second + kSlack)
        return Error{name + " codes a larger picture than it declares"};
      return success();
    };
    // hvcC: 22 bytes of fields (the NAL length size in the last), then arrays of NAL units.
    const Box& h = *item.hvcC;
    const auto lengthField = h.end - h.payload >= 23 ? readBe(source, h.payload + 21, 1) : std::nullopt;
    if (!lengthField) return Error{name + " has a broken 'hvcC' box"};
    const int lengthSize = static_cast<int>((*lengthField & 3) + 1);
    std::uint64_t at = h.payload + 23;
    for (std::uint64_t arrays = *readBe(source, h.payload + 22, 1); arrays > 0; --arrays) {
      const auto count = h.end - at >= 3 ? readBe(source, at + 1, 2) : std::nullopt;
      if (!count) return Error{name + " has a broken 'hvcC' box"};
      at += 3;
      for (std::uint64_t n = 0; n < *count; ++n) {
        const auto length = h.end - at >= 2 ? readBe(source, at, 2) : std::nullopt;
        if (!length || *length > h.end - at - 2) return Error{name + " has a broken 'hvcC' box"};
        std::vector<std::uint8_t> nal(*length);
        if (!source.readAt(at + 2, nal)) return Error{name + " has a broken 'hvcC' box"};
        if (nal.size() >= 2 && nalType(nal[0]) == kSpsNal)
          if (Status s = fits(nal); !s) return s;
        at += 2 + *length;
      }
    }
    // Parameter sets in the data itself replace those of 'hvcC'.
    constexpr std::size_t kMaxNals = 1 << 12, kSpsBytes = 256;
    for (const ItemExtent& e : locations->extents) {
      if (e.item != id || e.offset > source.size()) continue;
      const std::uint64_t end =
          e.length == 0 || e.length > source.size() - e.offset ? source.size() : e.offset + e.length;
      std::size_t nals = 0;
      for (std::uint64_t p = e.offset; end - p > static_cast<std::uint64_t>(lengthSize) + 2;) {
        if (++nals > kMaxNals) return Error{name + " holds too many NAL units"};
        const auto length = readBe(source, p, lengthSize);
        if (!length || *length < 2 || *length > end - p - lengthSize) break;  // the decoder's to refuse
        std::vector<std::uint8_t> nal(std::min<std::uint64_t>(*length, kSpsBytes));
        if (!source.readAt(p + lengthSize, nal)) break;
        if (nalType(nal[0]) == kSpsNal)
          if (Status s = fits(nal); !s) return s;
        p += static_cast<std::uint64_t>(lengthSize) + *length;
      }
    }
  }
  return success();
}

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
  appendBe(grpl, 0, 4);                                        // version and flags
  appendBe(grpl, locations->largestId + std::uint64_t{1}, 4);  // group_id, unlike any item's id
  appendBe(grpl, 2, 4);                                        // num_entities_in_group
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
