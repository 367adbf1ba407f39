#include "platform/source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/files.h"

bool SpanSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > bytes_.size() || bytes_.size() - offset < out.size()) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

FileSource::FileSource(std::string name, int fd, std::uint64_t size)
    : ByteSource(std::move(name)), fd_(fd), size_(size) {}

FileSource::FileSource(FileSource&& other) noexcept
    : ByteSource(other.name()), fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > size_ || size_ - offset < out.size()) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

Result<FileSource> openFile(const std::string& path, NameCase match) {
  if (match == NameCase::Any)
    if (const std::vector<std::string> twins = caseTwins(path); twins.size() > 1) {
      std::string names;
      for (const std::string& twin : twins) names += (names.empty() ? "" : ", ") + printable(twin);
      return Error{"Cannot open " + printable(path) + ": the name is ambiguous between " + names};
    }
  const std::string found = resolvePath(path, match);
  const int fd = ::open(found.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    const std::string reason = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return Error{"Cannot open " + printable(path) + ": " + reason};
  }
  if (!S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return Error{"Cannot open " + printable(path) + ": not a regular file"};
  }
  return FileSource(printable(path), fd, static_cast<std::uint64_t>(st.st_size));
}
