#pragma once
// The one little-endian codec of the stored formats (bitmaps, position files).
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Bounds-checked little-endian reads: a read past the end yields 0 and marks
// the reader failed, so a caller checks once after a group of fields.
class LeReader {
 public:
  LeReader(std::span<const std::uint8_t> bytes, std::size_t pos) : bytes_(bytes), pos_(pos) {}
  bool failed() const { return failed_; }
  std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  double f64() { return std::bit_cast<double>(take(8)); }

 private:
  std::uint64_t take(std::size_t n) {
    if (failed_ || bytes_.size() - std::min(pos_, bytes_.size()) < n) {
      failed_ = true;
      return 0;
    }
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v |= std::uint64_t{bytes_[pos_ + i]} << (8 * i);
    pos_ += n;
    return v;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_;
  bool failed_ = false;
};

class LeWriter {
 public:
  explicit LeWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void u16(std::uint16_t v) { put(v, 2); }
  void u32(std::uint32_t v) { put(v, 4); }
  void i32(std::int32_t v) { put(static_cast<std::uint32_t>(v), 4); }
  void f64(double v) { put(std::bit_cast<std::uint64_t>(v), 8); }
  // Over bytes already written: an offset known only later.
  static void patch16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    patch(out, at, v, 2);
  }
  static void patch32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    patch(out, at, v, 4);
  }

 private:
  void put(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  static void patch(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
  }
  std::vector<std::uint8_t>& out_;
};
