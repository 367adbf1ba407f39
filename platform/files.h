#pragma once
// File services: case-insensitive search and open, whole-file reads, atomic
// writes, the current directory. The path separator is '/'.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"

class ByteSource;

// Names (not paths) of the regular files in dir matching pattern, ignoring
// letter case ('*' and '?' wildcards). No directories, no names starting with
// '.', nothing that is not a regular file. Sorted ignoring case.
std::vector<std::string> findFiles(const std::string& dir, const std::string& pattern);

// The path itself when it exists, else the case-insensitive match of its file
// name in the same directory, else the path unchanged.
std::string resolvePath(const std::string& path);

// The whole file (opened as openFile opens it) when it holds at most maxBytes:
// a larger one is refused before anything is read. Error: one line naming it.
Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes);

// At most maxBytes from the start of the file.
Result<std::vector<std::uint8_t>> readFilePrefix(const std::string& path, std::size_t maxBytes);
Result<std::vector<std::uint8_t>> readFilePrefix(const ByteSource& source, std::size_t maxBytes);

// A file written as a temporary file beside path and renamed over path once
// complete, so a failure never leaves a damaged or half-written file. Dropped
// without commit, the temporary file goes. Errors: "Cannot write <path>".
class AtomicFile {
 public:
  static Result<AtomicFile> create(const std::string& path);
  AtomicFile(AtomicFile&& other) noexcept;
  AtomicFile& operator=(AtomicFile&&) = delete;
  ~AtomicFile();
  bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // Flushed to the disk, then renamed over the path.
  Status commit();

 private:
  AtomicFile(std::string path, std::string target, std::string temp, int fd);
  std::string path_, target_, temp_;
  int fd_;
};

// The whole file at once, as an AtomicFile.
Status writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

std::string currentDirectory();  // absolute, without a trailing '/' (except "/")
bool setCurrentDirectory(const std::string& dir);
bool isDirectory(const std::string& path);         // an existing folder, links followed
std::string directoryOf(const std::string& path);  // part before the last '/'
// True when the file name (after the last '/') holds a '.'. Dots in
// directory names do not count.
bool hasExtension(const std::string& name);
std::string absolutePath(const std::string& path);  // against the current directory
