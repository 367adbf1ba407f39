#pragma once
// The input as a file for the readers that take a path: one memory file,
// rewritten for every input and named through /proc/self/fd.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

class MemFile {
 public:
  MemFile() : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC)), path_("/proc/self/fd/" + std::to_string(fd_)) {}
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;

  const std::string& hold(const std::uint8_t* data, std::size_t size) {
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size))
      __builtin_trap();
    return path_;
  }

 private:
  int fd_;
  std::string path_;
};
