#pragma once
// Bytes read by position: a file opened read-only, or a span in memory. The
// readers of image/ take these, never paths, so a header is read apart from
// the rows and nothing reads more than it needs.
#include <cstdint>
#include <span>
#include <string>

#include "platform/result.h"

// Whether a file name also finds a file whose name differs only in letter case.
enum class NameCase { Any, Exact };

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Fills out with the bytes at offset; false when they are not all there or
  // cannot be read.
  virtual bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
  // Named in messages: the path a file was opened as, control characters escaped.
  const std::string& name() const { return name_; }

 protected:
  explicit ByteSource(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
};

// Bytes the caller keeps alive for as long as the source is used.
class SpanSource final : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes, std::string name = "memory")
      : ByteSource(std::move(name)), bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// A regular file, read with positioned reads; its size is taken once at open.
class FileSource final : public ByteSource {
 public:
  FileSource(FileSource&& other) noexcept;
  FileSource& operator=(FileSource&&) = delete;
  ~FileSource() override;
  std::uint64_t size() const override { return size_; }
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  friend Result<FileSource> openFile(const std::string& path, NameCase match);
  FileSource(std::string name, int fd, std::uint64_t size);
  int fd_;
  std::uint64_t size_;
};

// Found as resolvePath finds it (several files differing only in letter case
// are an error naming them), opened without blocking, so a FIFO or a device
// under the name cannot hang the program; anything but a regular file is
// refused. Error: "Cannot open <path>: <reason>".
Result<FileSource> openFile(const std::string& path, NameCase match = NameCase::Any);
