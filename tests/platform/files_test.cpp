#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "testing/tempdir.h"

namespace {

namespace fs = std::filesystem;

void touch(const std::string& path, const std::string& text = "x") {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

TEST(FindFiles, RegularVisibleFilesMatchingIgnoringCaseInOrder) {
  TempDir dir;
  for (const char* name :
       {"b.bmp", "A.BMP", "c.Bmp", "aa.bmp", ".hidden.bmp", "notes.txt", "x.bmp.txt", "Ab.bmp", "ab.BMP"})
    touch(dir / name);
  fs::create_directory(dir / "folder.bmp");
  fs::create_symlink(dir / "b.bmp", dir / "link.bmp");     // to a regular file: counts
  fs::create_symlink(dir / "gone", dir / "dangling.bmp");  // to nothing: skipped
  ::mkfifo((dir / "pipe.bmp").c_str(), 0644);
  const std::vector<std::string> want{"A.BMP", "aa.bmp", "Ab.bmp", "ab.BMP", "b.bmp", "c.Bmp", "link.bmp"};
  EXPECT_EQ(findFiles(dir.path(), "*.BMP"), want);

  const struct {
    const char* pattern;
    std::vector<std::string> want;
  } patterns[] = {
      {"?.bmp", {"A.BMP", "b.bmp", "c.Bmp"}},
      {"A*", {"A.BMP", "aa.bmp", "Ab.bmp", "ab.BMP"}},
      {"*.*.*", {"x.bmp.txt"}},
      {"*.gif", {}},
      {"*txt", {"notes.txt", "x.bmp.txt"}},
      {"NOTES.TXT", {"notes.txt"}},
      {"*b*.bmp", {"Ab.bmp", "ab.BMP", "b.bmp"}},
      {"**?",
       {"A.BMP", "aa.bmp", "Ab.bmp", "ab.BMP", "b.bmp", "c.Bmp", "link.bmp", "notes.txt", "x.bmp.txt"}},
  };
  for (const auto& p : patterns) EXPECT_EQ(findFiles(dir.path(), p.pattern), p.want) << p.pattern;
  EXPECT_TRUE(findFiles(dir / "no-such-dir", "*").empty());
}

TEST(ResolvePath, ExactNameFirstElseTheOneRegularFileUnderAnotherCase) {
  TempDir dir;
  touch(dir / "gardenR.BMP");
  touch(dir / "Twin.bmp");
  touch(dir / "TWIN.BMP");
  fs::create_directory(dir / "Sub");
  touch(dir / "Sub/pic.bmp");
  fs::create_directory(dir / "A.BMP");
  touch(dir / "a.BMP");
  fs::create_directory(dir / "X.BMP");
  const struct {
    std::string in, want;
  } cases[] = {
      {dir / "gardenR.BMP", dir / "gardenR.BMP"}, {dir / "GARDENr.bmp", dir / "gardenR.BMP"},
      {dir / "twin.bmp", dir / "twin.bmp"},  // two candidates: neither
      {dir / "Twin.bmp", dir / "Twin.bmp"},       {dir / "Sub/PIC.BMP", dir / "Sub/pic.bmp"},
      {dir / "sub/pic.bmp", dir / "sub/pic.bmp"},  // only the file name is matched
      {dir / "missing.bmp", dir / "missing.bmp"}, {dir / "a.bmp", dir / "a.BMP"},  // never a folder
      {dir / "x.bmp", dir / "x.bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(resolvePath(c.in), c.want) << c.in;
  auto ambiguous = openFile(dir / "twin.bmp");
  ASSERT_FALSE(ambiguous.ok());
  EXPECT_EQ(ambiguous.error().message, "Cannot open " + (dir / "twin.bmp") +
                                           ": the name is ambiguous between " + (dir / "TWIN.BMP") +
                                           ", " + (dir / "Twin.bmp"));
}

TEST(ReadFile, WholePrefixAndRefusals) {
  TempDir dir;
  touch(dir / "Data.bin", "abcdef");
  auto whole = readFile(dir / "DATA.BIN", 100);
  ASSERT_TRUE(whole.ok());
  EXPECT_EQ(*whole, bytesOf("abcdef"));
  auto prefix = readFilePrefix(dir / "Data.bin", 4);
  ASSERT_TRUE(prefix.ok());
  EXPECT_EQ(*prefix, bytesOf("abcd"));
  EXPECT_EQ(*readFilePrefix(dir / "Data.bin", 100), bytesOf("abcdef"));

  fs::create_directory(dir / "dir");
  ::mkfifo((dir / "fifo").c_str(), 0644);
  for (const std::string& bad : {dir / "missing", dir / "dir", dir / "fifo"}) {
    auto r = readFile(bad, 100);
    ASSERT_FALSE(r.ok()) << bad;
    EXPECT_NE(r.error().message.find(bad), std::string::npos);
    EXPECT_EQ(r.error().message.find('\n'), std::string::npos);
  }
}

TEST(WriteFileAtomically, ReplacesKeepingPermissionsAndLeavesNoTemporary) {
  TempDir dir;
  const std::string path = dir / "out.bin";
  ASSERT_TRUE(writeFileAtomically(path, bytesOf("first")).ok());
  EXPECT_EQ(*readFile(path, 100), bytesOf("first"));
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(writeFileAtomically(path, bytesOf("second")).ok());
  EXPECT_EQ(*readFile(path, 100), bytesOf("second"));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // under another letter case the existing file is the one replaced
  ASSERT_TRUE(writeFileAtomically(dir / "OUT.BIN", bytesOf("third")).ok());
  EXPECT_EQ(*readFile(path, 100), bytesOf("third"));
  ASSERT_TRUE(writeFileAtomically(dir / "empty", {}).ok());
  EXPECT_TRUE(readFile(dir / "empty", 100)->empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(WriteFileAtomically, FailureLeavesTheOldFileAndNoTemporary) {
  TempDir dir;
  // a directory in the way: the rename fails even for root
  fs::create_directory(dir / "taken");
  touch(dir / "taken/inside", "keep");
  EXPECT_FALSE(writeFileAtomically(dir / "taken", bytesOf("new")).ok());
  EXPECT_EQ(*readFile(dir / "taken/inside", 100), bytesOf("keep"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_FALSE(writeFileAtomically(dir / "no/such/dir/f", bytesOf("new")).ok());

  if (::geteuid() == 0) return;  // root writes into read-only folders
  fs::create_directory(dir / "ro");
  touch(dir / "ro/f", "old");
  ::chmod((dir / "ro").c_str(), 0555);
  auto r = writeFileAtomically(dir / "ro/f", bytesOf("new"));
  ::chmod((dir / "ro").c_str(), 0755);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(*readFile(dir / "ro/f", 100), bytesOf("old"));
}

TEST(WriteFileAtomically, OnlyRegularFilesAreReplaced) {
  TempDir dir;
  ::mkfifo((dir / "pipe.bmp").c_str(), 0644);
  fs::create_symlink("/dev/null", dir / "device.POS");
  for (const std::string name : {"pipe.bmp", "device.POS"}) {
    auto r = writeFileAtomically(dir / name, bytesOf("new"));
    ASSERT_FALSE(r.ok()) << name;
    EXPECT_EQ(r.error().message, "Cannot write " + dir / name + ": not a regular file");
  }
  EXPECT_TRUE(fs::is_fifo(dir / "pipe.bmp"));
  EXPECT_TRUE(fs::is_symlink(dir / "device.POS"));
}

// The temporary file does not lengthen the name: the longest legal name works.
TEST(WriteFileAtomically, LongestNamesAndNoNamedTemporary) {
  TempDir dir;
  for (const std::size_t length : {249, 255}) {
    const std::string path = dir / std::string(length, 'n');
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("x")).ok()) << length;
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("y")).ok()) << length;
    EXPECT_EQ(*readFile(path, 100), bytesOf("y"));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  auto tooLong = writeFileAtomically(dir / std::string(256, 'n'), bytesOf("x"));
  ASSERT_FALSE(tooLong.ok());
  EXPECT_NE(tooLong.error().message.find(": File name too long"), std::string::npos);
}

TEST(Paths, DirectoryAndAbsoluteForms) {
  const struct {
    const char* path;
    const char* dir;
  } dirs[] = {{"/a/b/c.bmp", "/a/b"}, {"/c.bmp", "/"}, {"c.bmp", "."}, {"x/c", "x"}, {"/a/", "/a"}};
  for (const auto& d : dirs) EXPECT_EQ(directoryOf(d.path), d.dir) << d.path;

  const std::string old = currentDirectory();
  ASSERT_TRUE(setCurrentDirectory("/"));
  EXPECT_EQ(currentDirectory(), "/");
  EXPECT_EQ(absolutePath("a.bmp"), "/a.bmp");
  EXPECT_EQ(absolutePath("/x/a.bmp"), "/x/a.bmp");
  EXPECT_FALSE(setCurrentDirectory("/no/such/folder"));
  EXPECT_EQ(currentDirectory(), "/");
  setCurrentDirectory(old);
}

}  // namespace
