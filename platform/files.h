#pragma once
// File services: case-insensitive search and open, whole-file reads, atomic
// writes, the current directory. The path separator is '/'.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"
#include "platform/source.h"

// Names (not paths) of the regular files in dir matching pattern, ignoring
// letter case ('*' and '?' wildcards). No directories, no names starting with
// '.', nothing that is not a regular file. Sorted ignoring case.
std::vector<std::string> findFiles(const std::string& dir, const std::string& pattern);

// Names are matched as on a case-insensitive disk: the exact name wins
// whatever it is; else the one regular file of the same folder whose name
// differs only in letter case; else (none, or several) the path unchanged.
std::string resolvePath(const std::string& path, NameCase match = NameCase::Any);
// The regular files that differ from a missing path's file name only in
// letter case, sorted; empty when the path exists.
std::vector<std::string> caseTwins(const std::string& path);

// The whole file (opened as openFile opens it) when it holds at most maxBytes:
// a larger one is refused before anything is read. Error: one line naming it.
Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes);

// At most maxBytes from the start of the file.
Result<std::vector<std::uint8_t>> readFilePrefix(const std::string& path, std::size_t maxBytes,
                                                 NameCase match = NameCase::Any);
Result<std::vector<std::uint8_t>> readFilePrefix(const ByteSource& source, std::size_t maxBytes);

// A file written unnamed beside path and given the name once complete
// (renamed over an existing regular file), so a failure or an interruption
// never leaves a damaged, half-written or temporary file. Anything but a
// regular file under the name is refused. Dropped without commit, nothing is
// left. Errors: "Cannot write <path>: <reason>".
class AtomicFile {
 public:
  static Result<AtomicFile> create(const std::string& path, NameCase match = NameCase::Any);
  AtomicFile(AtomicFile&& other) noexcept;
  AtomicFile& operator=(AtomicFile&&) = delete;
  ~AtomicFile();
  Status writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // Renamed over the path; flushed to the disk first when it replaces a file.
  Status commit();

 private:
  AtomicFile(std::string path, std::string target, std::string temp, int fd);
  // Closes and removes what was written; the error names the system's reason.
  Error abandon(int error);
  std::string path_, target_;
  std::string temp_;  // empty while the file is unnamed
  int fd_;
  bool replacing_ = false;
  bool recorded_ = false;  // temp_ is the one a signal handler removes
};

// The whole file at once, as an AtomicFile.
Status writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                           NameCase match = NameCase::Any);
// For a signal handler (async-signal-safe): removes the temporary file of a
// write in progress where the file system could not keep it unnamed.
void removeUnfinishedWrite();

// From now on, a name that differs only in letter case from a file this
// process has written is written as a new file of its own: one command's
// outputs never replace each other (binoxa-cli; the window keeps the rule of a
// case-insensitive disk).
void keepOwnWrites();

// The name with control characters escaped (\n, \t, \r, \xHH), for one-line messages.
std::string printable(const std::string& name);

std::string currentDirectory();  // absolute, without a trailing '/' (except "/")
bool setCurrentDirectory(const std::string& dir);
bool isDirectory(const std::string& path);         // an existing folder, links followed
std::string directoryOf(const std::string& path);  // part before the last '/'
std::string fileNameOf(const std::string& path);   // part after the last '/'
// The extension of a file name: from the last '.' after the last '/'; dots
// in directory names do not count.
bool hasExtension(const std::string& name);
std::string extensionOf(const std::string& name);       // with its '.'; "" when none
std::string lowerExtension(const std::string& name);    // the same in lower case
std::string withoutExtension(const std::string& name);  // the name up to its extension
std::string absolutePath(const std::string& path);      // against the current directory
