#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>

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

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// The named temporary file of a write in progress, kept where a signal
// handler may read it without allocating. One write at a time is kept; one
// running beside it goes unrecorded.
class Unfinished {
 public:
  static bool record(const std::string& path) {
    int idle = 0;
    if (path.size() >= sizeof path_ || !state_.compare_exchange_strong(idle, kFilling)) return false;
    std::memcpy(path_, path.c_str(), path.size() + 1);
    state_ = kNamed;
    return true;
  }
  static void release() { state_ = 0; }
  static void remove() {
    if (state_ == kNamed) ::unlink(path_);
  }

 private:
  static constexpr int kFilling = 1, kNamed = 2;
  static_assert(std::atomic<int>::is_always_lock_free);  // so a signal handler may read it
  static inline std::atomic<int> state_{0};
  static inline char path_[PATH_MAX];
};

// The files this process has written, when it asked to keep them
// (keepOwnWrites): a later name that differs only in letter case is then a
// file of its own, never a replacement.
class OwnWrites {
 public:
  static void keep() {
    std::lock_guard lock(mutex_);
    kept_ = true;
  }
  static void add(const std::string& target) {
    std::lock_guard lock(mutex_);
    if (kept_) written_.insert(target);
  }
  static bool contains(const std::string& target) {
    std::lock_guard lock(mutex_);
    return written_.count(target) != 0;
  }

 private:
  static inline std::mutex mutex_;
  static inline bool kept_ = false;
  static inline std::set<std::string> written_;
};

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

std::vector<std::string> caseTwins(const std::string& path) {
  std::vector<std::string> twins;
  if (path.empty() || exists(path)) return twins;
  const std::string name = fileNameOf(path);
  const std::string dir = path.find('/') == std::string::npos ? "" : directoryOf(path);
  for (const std::string& entry : entryNames(dir)) {
    struct stat st;
    if (equalsIgnoringCase(entry, name) && ::stat(joined(dir, entry).c_str(), &st) == 0 &&
        S_ISREG(st.st_mode))
      twins.push_back(joined(dir, entry));
  }
  std::sort(twins.begin(), twins.end());
  return twins;
}

std::string resolvePath(const std::string& path, NameCase match) {
  if (match == NameCase::Exact) return path;
  const std::vector<std::string> twins = caseTwins(path);
  return twins.size() == 1 ? twins.front() : path;
}

Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes) {
  auto file = openFile(path);
  if (!file) return file.error();
  if (file->size() > maxBytes)
    return Error{"Cannot read " + printable(path) + ": larger than " + std::to_string(maxBytes) + " bytes"};
  return readFilePrefix(*file, maxBytes);
}

Result<std::vector<std::uint8_t>> readFilePrefix(const std::string& path, std::size_t maxBytes,
                                                 NameCase match) {
  auto file = openFile(path, match);
  if (!file) return file.error();
  return readFilePrefix(*file, maxBytes);
}

Result<std::vector<std::uint8_t>> readFilePrefix(const ByteSource& source, std::size_t maxBytes) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), maxBytes)));
  if (!source.readAt(0, bytes)) return Error{"Cannot read " + source.name()};
  return bytes;
}

Result<AtomicFile> AtomicFile::create(const std::string& path, NameCase match) {
  // An existing file under another letter case is replaced, not joined by a
  // twin; with several such files, the exact name is a new one.
  std::string target = resolvePath(path, match);
  if (target != path && OwnWrites::contains(target)) target = path;
  auto failed = [&](const std::string& reason) {
    return Error{"Cannot write " + printable(path) + ": " + reason, ErrorKind::CannotWrite};
  };
  struct stat st;
  const bool replacing = ::stat(target.c_str(), &st) == 0;
  // A FIFO or a device under the name is the user's, not a picture to replace.
  if (replacing && !S_ISREG(st.st_mode)) return failed("not a regular file");
  const mode_t mode = replacing ? st.st_mode & 07777 : 0666 & ~currentUmask();
  const std::string dir = directoryOf(target);

  // Unnamed while it is written, so an interruption leaves nothing behind.
  // Where the file system has no unnamed files, a short name of our own that a
  // signal handler can remove (removeUnfinishedWrite).
  std::string temp;
  int fd = ::open(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) {
    temp = joined(dir, ".binoxa-XXXXXX");
    fd = ::mkstemp(temp.data());
    if (fd < 0) return failed(std::strerror(errno));
  }
  AtomicFile file(path, target, temp, fd);
  file.replacing_ = replacing;
  if (!temp.empty()) file.recorded_ = Unfinished::record(temp);
  if (::fchmod(fd, mode) != 0) return failed(std::strerror(errno));
  return file;
}

AtomicFile::AtomicFile(std::string path, std::string target, std::string temp, int fd)
    : path_(std::move(path)), target_(std::move(target)), temp_(std::move(temp)), fd_(fd) {}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      fd_(std::exchange(other.fd_, -1)),
      replacing_(other.replacing_),
      recorded_(std::exchange(other.recorded_, false)) {}

AtomicFile::~AtomicFile() { abandon(0); }

Error AtomicFile::abandon(int error) {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  if (!temp_.empty()) ::unlink(temp_.c_str());
  if (std::exchange(recorded_, false)) Unfinished::release();
  return Error{"Cannot write " + printable(path_) + ": " + std::strerror(error), ErrorKind::CannotWrite};
}

Status AtomicFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return abandon(errno);
    done += static_cast<std::size_t>(n);
  }
  return success();
}

Status AtomicFile::commit() {
  // The data reaches the disk before it replaces a file, so a crash never
  // costs the old picture; a new file is named without waiting for the disk,
  // as a crash then loses nothing that existed.
  if (replacing_ && ::fsync(fd_) != 0) return abandon(errno);
  // Ours before the name appears: a write of a letter-case twin on another
  // thread that sees the name then makes its own file instead of replacing it.
  OwnWrites::add(target_);
  if (temp_.empty()) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    auto link = [&](const std::string& name) {
      return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    };
    // A new file gets its name in one step; an existing one is replaced by a rename.
    if (!replacing_) {
      if (link(target_)) {
        ::close(std::exchange(fd_, -1));
        return success();
      }
      if (errno != EEXIST) return abandon(errno);
      // A file took the name meanwhile: it is replaced, so it waits for the disk.
      if (::fsync(fd_) != 0) return abandon(errno);
    }
    // A short name of our own, so a name of 255 bytes still has room.
    const std::string dir = directoryOf(target_);
    for (unsigned n = 0; temp_.empty(); ++n) {
      const std::string name = joined(dir, ".binoxa-" + std::to_string(::getpid()) + "-" + std::to_string(n));
      if (link(name)) {
        temp_ = name;
        recorded_ = Unfinished::record(temp_);
      } else if (errno != EEXIST) {
        return abandon(errno);
      }
    }
  }
  if (::close(std::exchange(fd_, -1)) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0)
    return abandon(errno);
  temp_.clear();
  if (std::exchange(recorded_, false)) Unfinished::release();
  return success();
}

Status writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, NameCase match) {
  auto file = AtomicFile::create(path, match);
  if (!file) return file.error();
  if (Status written = file->writeAt(0, bytes); !written) return written;
  return file->commit();
}

void removeUnfinishedWrite() { Unfinished::remove(); }

void keepOwnWrites() { OwnWrites::keep(); }

std::string printable(const std::string& name) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7f) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += {'\\', 'x', hex[u >> 4], hex[u & 15]};
    }
  }
  return out;
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

std::string fileNameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

std::size_t extensionAt(const std::string& name) {
  const auto dot = name.rfind('.');
  const auto slash = name.rfind('/');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : name.size();
}

}  // namespace

bool hasExtension(const std::string& name) { return extensionAt(name) < name.size(); }
std::string extensionOf(const std::string& name) { return name.substr(extensionAt(name)); }
std::string lowerExtension(const std::string& name) { return lowerAscii(extensionOf(name)); }
std::string withoutExtension(const std::string& name) { return name.substr(0, extensionAt(name)); }

std::string absolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  const std::string cwd = currentDirectory();
  return path.empty() ? cwd : joined(cwd, path);
}
