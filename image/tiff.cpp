#include "image/tiff.h"

std::optional<TiffBlock> TiffBlock::open(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8) return std::nullopt;
  bool big;
  if (bytes[0] == 'I' && bytes[1] == 'I')
    big = false;
  else if (bytes[0] == 'M' && bytes[1] == 'M')
    big = true;
  else
    return std::nullopt;
  TiffBlock block(bytes, big);
  if (block.u16(2) != 42) return std::nullopt;
  return block;
}

std::optional<std::uint16_t> TiffBlock::u16(std::size_t at) const {
  if (at > bytes_.size() || bytes_.size() - at < 2) return std::nullopt;
  const std::uint8_t a = bytes_[at], b = bytes_[at + 1];
  return static_cast<std::uint16_t>(big_ ? a << 8 | b : b << 8 | a);
}

std::optional<std::uint32_t> TiffBlock::u32(std::size_t at) const {
  const auto hi = u16(at + (big_ ? 0 : 2)), lo = u16(at + (big_ ? 2 : 0));
  if (!hi || !lo) return std::nullopt;
  return std::uint32_t{*hi} << 16 | *lo;
}

std::optional<std::vector<TiffEntry>> TiffBlock::ifd(std::uint32_t offset, std::uint32_t* next) const {
  const auto count = u16(offset);
  if (!count) return std::nullopt;
  const std::size_t start = std::size_t{offset} + 2;
  if ((bytes_.size() - start) / 12 < *count) return std::nullopt;
  std::vector<TiffEntry> entries(*count);
  for (std::size_t i = 0; i < *count; ++i) {
    const std::size_t at = start + 12 * i;
    TiffEntry& e = entries[i];
    e.tag = *u16(at);
    e.type = *u16(at + 2);
    e.count = *u32(at + 4);
    e.value = e.type == 3 && e.count == 1 ? *u16(at + 8) : *u32(at + 8);
    e.at = at;
  }
  if (next) *next = u32(start + 12 * std::size_t{*count}).value_or(0);
  return entries;
}

const TiffEntry* findTag(const std::vector<TiffEntry>& entries, std::uint16_t tag) {
  for (const TiffEntry& e : entries)
    if (e.tag == tag) return &e;
  return nullptr;
}
