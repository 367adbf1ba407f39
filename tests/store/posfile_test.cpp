#include "store/posfile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "testing/tempdir.h"

namespace {

TEST(PosFileName, ExtensionOfTheFileNameOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"/photos/gardenR.BMP", "/photos/gardenR.POS"},
      {"/photos/garden", "/photos/garden.POS"},
      {"/my.photos/gardenR.BMP", "/my.photos/gardenR.POS"},
      {"my.photos/gardenR.BMP", "my.photos/gardenR.POS"},
      {"/pics.old/tree", "/pics.old/tree.POS"},
      {"/a/tree.tar.bmp", "/a/tree.tar.POS"},
      {"/a/gardenR.", "/a/gardenR.POS"},
      {"gardenR", "gardenR.POS"},
  };
  for (const auto& [right, pos] : cases) EXPECT_EQ(posFileName(right), pos) << right;
}

class PosFileTest : public ::testing::Test {
 protected:
  std::string path(const char* name) const { return dir_ / name; }
  std::vector<unsigned char> bytes(const char* name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void writeBytes(const char* name, std::vector<unsigned char> b) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  TempDir dir_;
};

TEST_F(PosFileTest, VerticalOffsetComesFirstLittleEndian) {
  const std::pair<tposition, std::vector<unsigned char>> cases[] = {
      {{-12, 7}, {0x07, 0, 0, 0, 0xF4, 0xFF, 0xFF, 0xFF}},
      {{250, 0}, {0, 0, 0, 0, 0xFA, 0, 0, 0}},
      {{INT32_MIN, INT32_MAX}, {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0x80}},
  };
  for (const auto& [p, expected] : cases) {
    ASSERT_TRUE(writePosition(path("p.POS"), p));
    EXPECT_EQ(bytes("p.POS"), expected);
    EXPECT_EQ(readPosition(path("p.POS")), p);
  }
}

TEST_F(PosFileTest, ShortOrMissingFilesCountAsMissing) {
  EXPECT_EQ(readPosition(path("none.POS")), std::nullopt);
  writeBytes("short.POS", {1, 0, 0, 0, 2, 0, 0});
  EXPECT_EQ(readPosition(path("short.POS")), std::nullopt);
  // Extra bytes beyond the eight are ignored.
  writeBytes("long.POS", {1, 0, 0, 0, 2, 0, 0, 0, 9});
  EXPECT_EQ(readPosition(path("long.POS")), (tposition{2, 1}));
}

TEST_F(PosFileTest, WriteIntoAFolderThatCannotExistFailsQuietly) {
  writeBytes("file", {0});
  EXPECT_FALSE(writePosition(path("file/p.POS"), {5, 6}));
}

// A position file under another letter case is the picture's own, unless
// another picture of the folder is spelled like it.
TEST_F(PosFileTest, ATwinsPositionFileIsNeverTaken) {
  for (const char* name : {"cR.BMP", "CR.BMP", "solo.BMP"}) writeBytes(name, {0});
  ASSERT_TRUE(writePosition(path("cR.POS"), {4, 0}));
  ASSERT_TRUE(writePosition(path("SOLO.POS"), {9, 1}));
  const struct {
    std::string right;
    std::optional<tposition> read;
    std::string written;
  } cases[] = {
      {"CR.BMP", std::nullopt, "CR.POS"},
      {"cR.BMP", tposition{4, 0}, "cR.POS"},
      {"cr.bmp", std::nullopt, "cr.POS"},  // the picture itself is ambiguous
      {"solo.BMP", tposition{9, 1}, "SOLO.POS"},
  };
  for (const auto& c : cases) {
    const PosFileName file = positionFileOf(path(c.right.c_str()));
    EXPECT_EQ(readPosition(file), c.read) << c.right;
    EXPECT_EQ(file.path, path(c.written.c_str())) << c.right;
  }
  ASSERT_TRUE(writePosition(positionFileOf(path("CR.BMP")), {1, 2}));
  EXPECT_EQ(readPosition(path("cR.POS")), (tposition{4, 0}));
}

}  // namespace
