#include "stereo/export.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace {

TEST(exportNames, ExtensionsAndCompletion) {
  struct Case {
    const char* chosen;
    bool hasExtension;
    const char* completed;
    const char* saveAllBase;
  };
  const Case cases[] = {
      {"/out/pair", false, "/out/pair.BMP", "/out/pair"},
      {"/out/pair.bmp", true, "/out/pair.bmp", "/out/pair"},
      {"/out/pair.BmP", true, "/out/pair.BmP", "/out/pair"},
      {"/out/pair.txt", true, "/out/pair.txt", "/out/pair.txt"},
      {"/out/pair.jpg", true, "/out/pair.jpg", "/out/pair.jpg"},
      {"/my.pics/pair", false, "/my.pics/pair.BMP", "/my.pics/pair"},
      {"/my.pics/pair.BMP", true, "/my.pics/pair.BMP", "/my.pics/pair"},
      {"pair.tar.bmp", true, "pair.tar.bmp", "pair.tar"},
      {"pair.", true, "pair.", "pair."},
      {"a\\b.c\\pair", true, "a\\b.c\\pair", "a\\b.c\\pair"},  // only '/' separates
      {"", false, ".BMP", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hasExtension(c.chosen), c.hasExtension) << c.chosen;
    EXPECT_EQ(completeExportName(c.chosen), c.completed) << c.chosen;
    const std::string base = c.saveAllBase;
    const std::array<std::string, 5> expected = {base + "_A.BMP", base + "_P.BMP", base + "_C.BMP",
                                                 base + "_L.BMP", base + "_R.BMP"};
    EXPECT_EQ(saveAllNames(c.chosen), expected) << c.chosen;
  }
}

TEST(exportChecks, FirstFailingCheckInTheCommandsOrder) {
  const tbitmap pic(100, 80);
  const tbitmap* none = nullptr;
  using K = ExportKind;
  struct Case {
    K kind;
    const tbitmap *left, *right;
    int dx;
    const char* message;  // nullptr: passes
  };
  const Case cases[] = {
      {K::Parallel, none, none, 0, kLeftImageNotAssigned},
      {K::Parallel, &pic, none, 0, kRightImageNotAssigned},
      {K::Crossed, none, &pic, 0, kLeftImageNotAssigned},
      {K::Anaglyph, &pic, &pic, 101, kPositionDoesNotFit},
      {K::Anaglyph, &pic, &pic, 100, nullptr},
      {K::Left, none, &pic, 0, kLeftPhotoNotDefined},
      {K::Left, &pic, none, 5000, nullptr},  // no position check without the other picture
      {K::Left, &pic, &pic, -101, kPositionDoesNotFit},
      {K::Right, &pic, none, 0, kRightPhotoNotDefined},
      {K::Right, none, &pic, 5000, nullptr},
      {K::All, none, none, 0, kLeftPhotoNotDefined},
      {K::All, &pic, none, 0, kRightPhotoNotDefined},
      {K::All, &pic, &pic, 101, kPositionDoesNotFit},
      {K::All, &pic, &pic, -100, nullptr},
  };
  for (const Case& c : cases) {
    const Status s = checkExport(c.kind, c.left, c.right, c.dx, 0);
    if (c.message) {
      ASSERT_FALSE(s.ok()) << static_cast<int>(c.kind) << " " << c.dx;
      EXPECT_EQ(s.error().message, c.message);
    } else {
      EXPECT_TRUE(s.ok()) << static_cast<int>(c.kind) << " " << c.dx;
    }
  }
}

TEST(exportPictures, AlignedCutOuts) {
  tbitmap left(100, 80), right(100, 80);
  for (int x = 0; x < 100; ++x) {
    left.setPixel(x, 0, x, 0, 0);
    right.setPixel(x, 0, x, 1, 0);
  }
  auto l = alignedLeft(left, &right, -10, 0);
  auto r = alignedRight(&left, right, -10, 0);
  ASSERT_EQ(l->width, 90);
  ASSERT_EQ(l->height, 80);
  ASSERT_EQ(r->width, 90);
  EXPECT_EQ(l->pixel(0, 0), tpixel(10, 0, 0));
  EXPECT_EQ(l->pixel(89, 0), tpixel(99, 0, 0));
  EXPECT_EQ(r->pixel(0, 0), tpixel(0, 1, 0));
  EXPECT_EQ(r->pixel(89, 0), tpixel(89, 1, 0));
  EXPECT_EQ(alignedLeft(left, nullptr, 50, 50)->width, 100);
  EXPECT_EQ(alignedRight(nullptr, right, 50, 50)->height, 80);

  const ExportSettings settings{{255, 0, 0}, {0, 192, 128}, 100, 10};
  struct Case {
    ExportKind kind;
    int w, h;
  };
  for (const Case c : {Case{ExportKind::Anaglyph, 90, 80},
                       {ExportKind::Parallel, 210, 100},
                       {ExportKind::Crossed, 210, 100},
                       {ExportKind::Left, 90, 80},
                       {ExportKind::Right, 90, 80}}) {
    auto picture = buildExport(c.kind, &left, &right, -10, 0, settings);
    ASSERT_TRUE(picture.ok()) << static_cast<int>(c.kind);
    EXPECT_EQ(picture.value()->width, c.w) << static_cast<int>(c.kind);
    EXPECT_EQ(picture.value()->height, c.h) << static_cast<int>(c.kind);
  }
  EXPECT_FALSE(buildExport(ExportKind::Parallel, &left, nullptr, 0, 0, settings).ok());
}

}  // namespace
