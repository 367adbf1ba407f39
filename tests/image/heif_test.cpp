// The spatial photo beside the clone, and copies of it broken at run time:
// its stereo group moved, removed or made hostile. Agreement with libheif's
// own decodes, and our files read by its tools, are checked in
// tests/cli/spatial.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "image/boxes.h"
#include "image/heif.h"
#include "image/picture.h"
#include "platform/files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sample() {
  const std::string path = std::string(BINOXA_SHARED) + "/cameras/spatial.heic";
  if (!std::filesystem::exists(path)) return {};
  return readFile(path, 1 << 24).value();
}

// Where the type of the first box of that type is.
std::size_t typeAt(const Bytes& b, const char* type) {
  return static_cast<std::size_t>(std::search(b.begin(), b.end(), type, type + 4) - b.begin());
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

Result<StereoViews> views(const Bytes& b) { return readPictureViews(SpanSource(b, "copy.heic")); }

bool same(const tbitmap& a, const tbitmap& b) {
  return a.width == b.width && a.height == b.height &&
         std::equal(a.row(0), a.row(0) + std::size_t{1} * a.width * a.height, b.row(0));
}

TEST(SpatialPhoto, ItsGroupGivesTheViewsInItsOrder) {
  Bytes file = sample();
  if (file.empty()) GTEST_SKIP() << "no spatial.heic beside the clone";
  auto pair = views(file);
  ASSERT_TRUE(pair.ok()) << pair.error().message;
  ASSERT_TRUE(pair->right);
  EXPECT_EQ(pair->left->width, 2560);
  EXPECT_EQ(pair->right->height, 2560);

  // The ids swapped in the group: 52 on the left.
  const std::size_t ids = typeAt(file, "ster") + 16;
  put32(file, ids, 52);
  put32(file, ids + 4, 26);
  auto swapped = views(file);
  ASSERT_TRUE(swapped.ok()) << swapped.error().message;
  EXPECT_TRUE(same(*swapped->left, *pair->right));
  EXPECT_TRUE(same(*swapped->right, *pair->left));

  // Without the group, one picture: the primary item.
  file = sample();
  file[typeAt(file, "grpl")] = 'f';  // 'frpl': a box no reader knows
  auto single = views(file);
  ASSERT_TRUE(single.ok()) << single.error().message;
  EXPECT_FALSE(single->right);
  EXPECT_TRUE(same(*single->left, *pair->left));
}

TEST(SpatialPhoto, TheLeftItemsExifIsTheCameraData) {
  const Bytes file = sample();
  if (file.empty()) GTEST_SKIP() << "no spatial.heic beside the clone";
  const Bytes exif = heifExif(SpanSource(file));
  const std::string text(exif.begin(), exif.end());
  EXPECT_TRUE(text.starts_with("MM") || text.starts_with("II"));
  EXPECT_NE(text.find("Left Main Camera"), std::string::npos);
}

struct Hostile {
  const char* name;
  std::function<void(Bytes&)> breakIt;
  const char* reason;  // part of the message
};

const Hostile kHostile[] = {
    {"item not there", [](Bytes& b) { put32(b, typeAt(b, "ster") + 20, 99); }, "item 99, which is not an image"},
    {"the same item twice", [](Bytes& b) { put32(b, typeAt(b, "ster") + 20, 26); }, "names item 26 twice"},
    {"a group of one", [](Bytes& b) { put32(b, typeAt(b, "ster") + 12, 1); }, "names 1 items, not two"},
    {"a group of three", [](Bytes& b) { put32(b, typeAt(b, "ster") + 12, 3); }, "more entities than its box"},
    {"count past the box", [](Bytes& b) { put32(b, typeAt(b, "ster") + 12, 0xFFFFFFFF); }, "more entities"},
    {"unknown version", [](Bytes& b) { b[typeAt(b, "ster") + 4] = 1; }, "unknown version"},
    {"group past its parent", [](Bytes& b) { put32(b, typeAt(b, "ster") - 4, 29); }, "box 'ster' runs past"},
    {"group smaller than a header", [](Bytes& b) { put32(b, typeAt(b, "ster") - 4, 7); }, "smaller than its header"},
    {"group box cut short", [](Bytes& b) { put32(b, typeAt(b, "ster") - 4, 16); }, "smaller than its header"},
    {"grpl past its parent", [](Bytes& b) { put32(b, typeAt(b, "grpl") - 4, 0x7FFFFFFF); }, "box 'grpl' runs past"},
    {"meta past the file", [](Bytes& b) { put32(b, typeAt(b, "meta") - 4, 0x7FFFFFFF); }, "box 'meta' runs past"},
    {"64-bit size past the file", [](Bytes& b) {
       const std::size_t meta = typeAt(b, "meta") - 4;
       put32(b, meta, 1);
       put32(b, meta + 8, 0x10);
       put32(b, meta + 12, 0);
     }, "runs past"},
    {"grid larger than declared", [](Bytes& b) { b[typeAt(b, "idat") + 8] = 0x7F; }, "is not the size it declares"},
    {"cut inside the meta box", [](Bytes& b) { b.resize(typeAt(b, "grpl") + 10); }, "runs past"},
    {"cut inside the pictures", [](Bytes& b) { b.resize(b.size() / 2); }, "box 'mdat' runs past"},
    {"cut to the ftyp box", [](Bytes& b) { b.resize(typeAt(b, "meta") - 4); }, "Cannot read copy.heic: "},
    {"HEVC set-up broken", [](Bytes& b) {
       for (std::size_t at = typeAt(b, "hvcC") + 4, i = 0; i < 40; ++i) b[at + i] = 0xFF;
     }, "Cannot read copy.heic: "},
};

class HostileCopies : public testing::TestWithParam<Hostile> {};

TEST_P(HostileCopies, AreRefusedInOneLine) {
  Bytes file = sample();
  if (file.empty()) GTEST_SKIP() << "no spatial.heic beside the clone";
  GetParam().breakIt(file);
  auto pair = views(file);
  ASSERT_FALSE(pair.ok());
  const std::string& m = pair.error().message;
  EXPECT_TRUE(m.starts_with("Cannot read copy.heic: ")) << m;
  EXPECT_NE(m.find(GetParam().reason), std::string::npos) << m;
  EXPECT_EQ(m.find('\n'), std::string::npos) << m;
}

INSTANTIATE_TEST_SUITE_P(Sample, HostileCopies, testing::ValuesIn(kHostile), [](const testing::TestParamInfo<Hostile>& p) {
  std::string name = p.param.name;
  std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
});

TEST(SpatialPhotoWritten, KeepsItsGroupAndOffsets) {
  tbitmap left(47, 33), right(47, 33);
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 47; ++x) {
      left.row(y)[x] = tpixel(static_cast<std::uint8_t>(x * 5), static_cast<std::uint8_t>(y * 7), 90);
      right.row(y)[x] = tpixel(200, static_cast<std::uint8_t>(x * 5), static_cast<std::uint8_t>(y * 7));
    }
  auto bytes = encodeHeic(left, right, 90);
  ASSERT_TRUE(bytes.ok()) << bytes.error().message;
  auto group = readStereoGroup(SpanSource(*bytes));
  ASSERT_TRUE(group.ok() && *group) << (group.ok() ? "no group" : group.error().message);
  auto pair = views(*bytes);
  ASSERT_TRUE(pair.ok()) << pair.error().message;
  ASSERT_TRUE(pair->right);
  EXPECT_EQ(pair->left->width, 47);
  EXPECT_EQ(pair->left->height, 33);
  // Lossy, but each view is its own: the red of the right view, not the left's.
  EXPECT_GT(pair->right->pixel(20, 20).red, 150);
  EXPECT_LT(pair->left->pixel(20, 20).red, 150);
}

}  // namespace
