#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <sstream>

#include "testing/tempdir.h"

namespace {

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ProfileGetInt, ReadsAsTheProfileFunctionsDo) {
  const struct {
    const char* file;
    int want;
  } cases[] = {
      {"", 99},                          // key missing
      {"[Binoxa]\nVIEWSIZE=\n", 99},     // empty value
      {"[Binoxa]\nVIEWSIZE=   \n", 99},  // blank value
      {"[Binoxa]\nVIEWSIZE=12\n", 12},
      {"[Binoxa]\nVIEWSIZE= -7\n", -7},
      {"[Binoxa]\nVIEWSIZE=+8\n", 8},
      {"[Binoxa]\nVIEWSIZE=12abc\n", 12},
      {"[Binoxa]\nVIEWSIZE=abc\n", 0},  // no digits
      {"[Binoxa]\nVIEWSIZE=-\n", 0},
      {"[Binoxa]\nVIEWSIZE=0x1F\n", 0},  // base 10 only
      {"[Binoxa]\nVIEWSIZE=2147483647\n", INT_MAX},
      {"[Binoxa]\nVIEWSIZE=2147483648\n", INT_MAX},  // limited to 32 bits
      {"[Binoxa]\nVIEWSIZE=99999999999999999999999\n", INT_MAX},
      {"[Binoxa]\nVIEWSIZE=-2147483648\n", INT_MIN},
      {"[Binoxa]\nVIEWSIZE=-99999999999999999999\n", INT_MIN},
      {"[binoxa]\nviewsize=5\n", 5},  // names ignore case
      {"[Binoxa]\r\nVIEWSIZE=6\r\n", 6},
      {"\xEF\xBB\xBF[Binoxa]\nVIEWSIZE=7\n", 7},
      {"[Binoxa]\nVIEWSIZE=1\nVIEWSIZE=2\n", 1},  // the first of two wins
      {"garbage\n[[x\n=3\n[Binoxa]\nnoise line\n  VIEWSIZE  =  4 \n", 4},
      {"[Other]\nVIEWSIZE=3\n", 99},  // another section's key
      {"[Other]\nVIEWSIZE=3\n[Binoxa]\nSPACE=2\n", 99},
      {"[Binoxa]\nSPACE=2\n[Other]\nVIEWSIZE=3\n", 99},
      {"[ Binoxa ]\nVIEWSIZE=8\n", 8},
      {"[Binoxa]\nVIEWSIZE=9", 9},  // no final line break
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir dir;
    writeText(dir / "p.ini", c.file);
    EXPECT_EQ(Profile(dir / "p.ini").getInt("Binoxa", "VIEWSIZE", 99), c.want);
  }
  TempDir dir;
  EXPECT_EQ(Profile(dir / "missing.ini").getInt("Binoxa", "VIEWSIZE", 99), 99);
}

TEST(ProfileWriteString, KeepsEverythingElse) {
  const struct {
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  } cases[] = {
      {"", "Binoxa", "MLR", "255", "[Binoxa]\nMLR=255\n"},
      {"; note\n[Binoxa]\nMLR=1\nMLG=2\n\n[Other]\nX=y\n", "Binoxa", "mlg", "7",
       "; note\n[Binoxa]\nMLR=1\nMLG=7\n\n[Other]\nX=y\n"},
      {"[Binoxa]\nMLR=1\n\n[Other]\nX=y\n", "Binoxa", "SPACE", "4",
       "[Binoxa]\nMLR=1\nSPACE=4\n\n[Other]\nX=y\n"},
      {"[Other]\nX=y", "Binoxa", "LOCKY", "0", "[Other]\nX=y\n\n[Binoxa]\nLOCKY=0\n"},
      {"[Binoxa]\r\nA=1\r\njunk\r\n", "binoxa", "B", "2", "[Binoxa]\r\nA=1\r\njunk\r\nB=2\r\n"},
      {"\xEF\xBB\xBF[Binoxa]\nA=1\n", "Binoxa", "A", "", "\xEF\xBB\xBF[Binoxa]\nA=\n"},
      {"[Binoxa]\nA=1\nA=2\n", "Binoxa", "A", "3", "[Binoxa]\nA=3\nA=2\n"},
      {"", "Binoxa", "A", "1\n[Evil]\nB=2", "[Binoxa]\nA=1\n"},  // no forged lines
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    TempDir dir;
    if (*c.before) writeText(dir / "p.ini", c.before);
    EXPECT_TRUE(Profile(dir / "p.ini").writeString(c.section, c.key, c.value));
    EXPECT_EQ(readText(dir / "p.ini"), c.after);
  }
}

TEST(ProfileWriteString, ReadsBackAndCreatesTheFolder) {
  TempDir dir;
  Profile p(dir / "a/b/binoxa.ini");
  ASSERT_TRUE(p.writeString("Binoxa", "VIEWSIZE", "321"));
  ASSERT_TRUE(p.writeString("Binoxa", "SPACE", "-4"));
  EXPECT_EQ(p.getInt("Binoxa", "VIEWSIZE", 0), 321);
  EXPECT_EQ(p.getInt("Binoxa", "SPACE", 0), -4);
}

TEST(ProfileWriteString, UnwritableLeavesTheOldFileWhole) {
  TempDir dir;
  // something that cannot be read as a profile is not replaced by a new one
  ::mkdir((dir / "taken.ini").c_str(), 0755);
  writeText(dir / "taken.ini/keep", "k");
  EXPECT_FALSE(Profile(dir / "taken.ini").writeString("Binoxa", "MLR", "2"));
  EXPECT_EQ(readText(dir / "taken.ini/keep"), "k");

  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string path = dir / "ro/p.ini";
  ::mkdir((dir / "ro").c_str(), 0755);
  writeText(path, "[Binoxa]\nMLR=1\n");
  ::chmod((dir / "ro").c_str(), 0555);
  EXPECT_FALSE(Profile(path).writeString("Binoxa", "MLR", "2"));
  ::chmod((dir / "ro").c_str(), 0755);
  EXPECT_EQ(readText(path), "[Binoxa]\nMLR=1\n");
}

TEST(Profile, AFileOverAMebibyteIsUnreadableAndNeverReplaced) {
  TempDir dir;
  for (const off_t size : {off_t{1} << 20, (off_t{1} << 20) + 1}) {
    const std::string path = dir / "p.ini";
    writeText(path, "[Binoxa]\nVIEWSIZE=321\n;");  // the rest: one comment line of zeros
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    const bool readable = size <= off_t{1} << 20;
    EXPECT_EQ(Profile(path).getInt("Binoxa", "VIEWSIZE", 99), readable ? 321 : 99) << size;
    EXPECT_EQ(Profile(path).writeString("Binoxa", "MLR", "2"), readable) << size;
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    if (!readable) {
      EXPECT_EQ(st.st_size, size);
    }
  }
}

}  // namespace
