#pragma once
// ISO base media boxes, as HEIF files hold them: big-endian, each a size and
// a four-letter type. Read by position from a byte source, every size proved
// against its parent's before use. libheif reads the pictures; these read
// what it has no interface for, the stereo entity group.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "platform/source.h"

constexpr std::uint32_t boxType(std::string_view name) {  // four letters
  return std::uint32_t{static_cast<std::uint8_t>(name[0])} << 24 |
         std::uint32_t{static_cast<std::uint8_t>(name[1])} << 16 |
         std::uint32_t{static_cast<std::uint8_t>(name[2])} << 8 | static_cast<std::uint8_t>(name[3]);
}

struct Box {
  std::uint32_t type = 0;
  std::uint64_t start = 0;    // of its size field, in the file
  std::uint64_t payload = 0;  // first byte after its header
  std::uint64_t end = 0;      // one past its last byte
  int sizeBytes = 4;          // 8 when the size is the 64-bit one after the type
};

// The boxes one after the other in [begin, end): the whole file, or a box's
// payload. Error: a box that runs past its parent, or too many.
Result<std::vector<Box>> readBoxes(const ByteSource& source, std::uint64_t begin, std::uint64_t end);

// Whether the first bytes of a file are an 'ftyp' box with a HEIF brand
// (major or compatible, as far as head reaches).
bool isHeifHead(std::span<const std::uint8_t> head);

// The entity ids of the file's first 'ster' group, in the 'grpl' box of its
// top-level 'meta' (left view first); nullopt when it has none. Error: a
// broken box on the way or a group of other than two entities.
Result<std::optional<std::vector<std::uint32_t>>> readStereoGroup(const ByteSource& source);

// Every HEVC item's sequence parameter sets (in its 'hvcC' box and in its
// data) declare a picture no larger than its 'ispe' box, give or take a
// coding tree block: libheif limits the declared sizes only, and the decoder
// allocates whatever the stream declares.
Status checkCodedSizes(const ByteSource& source);

// Whether an item has an 'nclx' colour box, whose colours libheif takes
// over those its HEVC stream declares.
Result<bool> hasNclxColour(const ByteSource& source);

// A HEIF file as libheif wrote it, with a 'grpl' box holding a 'ster' group
// of the two ids appended to its 'meta' box; every file offset in 'iloc'
// that pointed past the meta box moved by the box's size.
Result<std::vector<std::uint8_t>> withStereoGroup(std::vector<std::uint8_t> file, std::uint32_t left,
                                                  std::uint32_t right);
