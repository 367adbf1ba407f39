#pragma once
// The TIFF-style block that EXIF and the multi-picture index share: a byte
// order mark ("II" or "MM"), then IFDs whose offsets count from that mark.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct TiffEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t value = 0;  // the value field read as one 32-bit number, or as a short for SHORT
  std::size_t at = 0;       // of the entry in the block
};

class TiffBlock {
 public:
  // nullopt unless bytes start with a valid byte order and the number 42.
  static std::optional<TiffBlock> open(std::span<const std::uint8_t> bytes);
  // IFDs with no header, as maker notes hold them.
  static TiffBlock littleEndian(std::span<const std::uint8_t> bytes) { return TiffBlock(bytes, false); }
  bool bigEndian() const { return big_; }
  std::size_t size() const { return bytes_.size(); }
  std::uint32_t firstIfd() const { return u32(4).value_or(0); }
  std::optional<std::uint16_t> u16(std::size_t at) const;
  std::optional<std::uint32_t> u32(std::size_t at) const;
  // The entries of the IFD at offset, with the next IFD's offset; nullopt
  // when the IFD does not lie wholly inside the block.
  std::optional<std::vector<TiffEntry>> ifd(std::uint32_t offset, std::uint32_t* next = nullptr) const;

 private:
  explicit TiffBlock(std::span<const std::uint8_t> bytes, bool big) : bytes_(bytes), big_(big) {}
  std::span<const std::uint8_t> bytes_;
  bool big_;
};

const TiffEntry* findTag(const std::vector<TiffEntry>& entries, std::uint16_t tag);
