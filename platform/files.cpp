#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/casefold.h"
#include "platform/source.h"

namespace {

// Byte order breaks ties, so names differing only in case still sort the same way every time.
bool lessIgnoringCase(const std::string& a, const std::string& b) {
  const auto r = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(lowerAscii(x)) < static_cast<unsigned char>(lowerAscii(y));
  });
  if (r || !equalsIgnoringCase(a, b)) return r;
  return a < b;
}

bool matches(const std::string& name, const std::string& pattern) {
  std::size_t n = 0, p = 0;
  std::size_t starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string fileNameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

// Every entry name of dir except "." and ".."; empty when it cannot be read.
std::vector<std::string> entryNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  return names;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::vector<std::string> findFiles(const std::string& dir, const std::string& pattern) {
  std::vector<std::string> found;
  for (const std::string& name : entryNames(dir)) {
    if (name[0] == '.' || !matches(name, pattern)) continue;
    struct stat st;
    if (::stat(joined(dir, name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) found.push_back(name);
  }
  std::sort(found.begin(), found.end(), lessIgnoringCase);
  return found;
}

std::string resolvePath(const std::string& path) {
  if (path.empty() || exists(path)) return path;
  const std::string name = fileNameOf(path);
  const std::string dir = path.find('/') == std::string::npos ? "" : directoryOf(path);
  std::vector<std::string> candidates;
  for (const std::string& entry : entryNames(dir))
    if (equalsIgnoringCase(entry, name)) candidates.push_back(entry);
  if (candidates.empty()) return path;
  return joined(dir, *std::min_element(candidates.begin(), candidates.end()));
}

Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes) {
  auto file = openFile(path);
  if (!file) return file.error();
  if (file->size() > maxBytes)
    return Error{"Cannot read " + path + ": larger than " + std::to_string(maxBytes) + " bytes"};
  return readFilePrefix(*file, maxBytes);
}

Result<std::vector<std::uint8_t>> readFilePrefix(const std::string& path, std::size_t maxBytes) {
  auto file = openFile(path);
  if (!file) return file.error();
  return readFilePrefix(*file, maxBytes);
}

Result<std::vector<std::uint8_t>> readFilePrefix(const ByteSource& source, std::size_t maxBytes) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), maxBytes)));
  if (!source.readAt(0, bytes)) return Error{"Cannot read " + source.name()};
  return bytes;
}

Result<AtomicFile> AtomicFile::create(const std::string& path) {
  // An existing file under another letter case is replaced, not joined by a twin.
  const std::string target = resolvePath(path);
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Error{"Cannot write " + path};
  AtomicFile file(path, target, temp, fd);
  struct stat st;
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) return Error{"Cannot write " + path};
  return file;
}

AtomicFile::AtomicFile(std::string path, std::string target, std::string temp, int fd)
    : path_(std::move(path)), target_(std::move(target)), temp_(std::move(temp)), fd_(fd) {}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      fd_(std::exchange(other.fd_, -1)) {}

AtomicFile::~AtomicFile() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(temp_.c_str());
}

bool AtomicFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

Status AtomicFile::commit() {
  const bool written = ::fsync(fd_) == 0 && ::close(std::exchange(fd_, -1)) == 0 &&
                       ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!written) {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    ::unlink(temp_.c_str());
    return Error{"Cannot write " + path_};
  }
  return success();
}

Status writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  auto file = AtomicFile::create(path);
  if (!file) return file.error();
  if (!file->writeAt(0, bytes)) return Error{"Cannot write " + path};
  return file->commit();
}

std::string currentDirectory() {
  std::error_code ec;
  const std::string dir = std::filesystem::current_path(ec).string();
  return ec ? std::string("/") : dir;
}

bool setCurrentDirectory(const std::string& dir) { return !dir.empty() && ::chdir(dir.c_str()) == 0; }

bool isDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string directoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool hasExtension(const std::string& name) {
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const auto slash = name.rfind('/');
  return slash == std::string::npos || dot > slash;
}

std::string absolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  const std::string cwd = currentDirectory();
  return path.empty() ? cwd : joined(cwd, path);
}
