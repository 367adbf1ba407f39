#include "image/tbitmap.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/picture.h"
#include "image/draw.h"
#include "image/bmp.h"
#include "platform/dc.h"
#include "platform/framebuffer.h"
#include "testing/tempdir.h"

namespace {

// Pixel (x, y) = (x, y, x + y): every position distinguishable.
tbitmap gradient(int w, int h) {
  tbitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, x, y, x + y);
  return b;
}

int countColour(const tbitmap& b, tpixel p) {
  int n = 0;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) n += b.pixel(x, y) == p;
  return n;
}

TEST(tbitmap, BlankPictureIsBlackAndNegativeSizesAreEmpty) {
  tbitmap b(3, 2);
  EXPECT_EQ(countColour(b, tpixel()), 6);
  tbitmap n(-4, 5);
  EXPECT_EQ(n.width, 0);
  EXPECT_EQ(n.height, 5);
}

TEST(tbitmap, SetPixelClipsAndKeepsLowBits) {
  tbitmap b(4, 3);
  for (auto [x, y] : {std::pair{4, 0}, {0, 3}, {-1, 0}, {0, -1}}) b.setPixel(x, y, 255, 255, 255);
  EXPECT_EQ(countColour(b, tpixel()), 12);
  b.setPixel(1, 1, 256 + 7, -1, 300);
  EXPECT_EQ(b.pixel(1, 1), tpixel(7, 255, 44));
}

TEST(tbitmap, FillRectCoversTheHalfOpenRectangleOfAnyCornerOrder) {
  struct Case {
    int x1, y1, x2, y2;
    int xmin, ymin, xmax, ymax;  // expected filled area within the 10 x 8 picture
  };
  const Case cases[] = {
      {5, 5, 2, 2, 2, 2, 5, 5},      // corners reversed
      {2, 2, 2, 9, 0, 0, 0, 0},      // zero width fills nothing
      {7, 1, 20, 3, 7, 1, 10, 3},    // past the right edge
      {-5, -5, 1, 1, 0, 0, 1, 1},    // past the top-left corner
      {20, 20, 30, 30, 0, 0, 0, 0},  // wholly outside
      {INT32_MIN, 0, INT32_MAX, 1, 0, 0, 10, 1},
  };
  const tpixel red(255, 0, 0);
  for (const Case& c : cases) {
    tbitmap b(10, 8);
    b.fillRect(c.x1, c.y1, c.x2, c.y2, red);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool inside = x >= c.xmin && x < c.xmax && y >= c.ymin && y < c.ymax;
        ASSERT_EQ(b.pixel(x, y) == red, inside)
            << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2 << " at " << x << "," << y;
      }
  }
}

TEST(tbitmap, Brightness) {
  tbitmap b(2, 1);
  b.setPixel(0, 0, 255, 255, 255);
  b.setPixel(1, 0, 10, 20, 30);
  EXPECT_EQ(b.brightness(0, 0), 765);
  EXPECT_EQ(b.brightness(1, 0), 60);
  EXPECT_EQ(b.brightness(2, 0), 0);
  EXPECT_EQ(b.brightness(0, -1), 0);
}

TEST(tbitmap, CropClampsToThePicture) {
  struct Case {
    int x1, y1, x2, y2;
    int w, h, sx, sy;  // expected size and source of the top-left pixel
  };
  const Case cases[] =
      {
          {-10, -10, 5, 5, 5, 5, 0, 0},     {90, 0, 200, 100, 10, 100, 90, 0},
          {20, 30, 10, 10, 10, 20, 10, 10}, {10, 10, 20, 30, 10, 20, 10, 10},
          {150, 10, 200, 20, 0, 10, 0, 0},   // wholly right of the picture: empty
          {-50, -50, -10, -10, 0, 0, 0, 0},  // wholly above and left: empty
      };
  const tbitmap src = gradient(100, 100);
  for (const Case& c : cases) {
    auto out = src.crop(c.x1, c.y1, c.x2, c.y2);
    ASSERT_EQ(out->width, c.w) << c.x1 << "," << c.y1;
    ASSERT_EQ(out->height, c.h) << c.x1 << "," << c.y1;
    for (int y = 0; y < out->height; ++y)
      for (int x = 0; x < out->width; ++x) ASSERT_EQ(out->pixel(x, y), src.pixel(c.sx + x, c.sy + y));
  }
}

// Nothing is written that the reader would refuse.
TEST(tbitmap, SaveBmpRefusesSizesTheReaderRefuses) {
  TempDir dir;
  const struct {
    int w, h;
    bool written;
  } cases[] = {{0, 30, false}, {40, 0, false}, {32769, 1, false}, {32768, 2, true}};
  for (const auto& c : cases) {
    const std::string path = dir / "out.bmp";
    std::filesystem::remove(path);
EXPECT_EQ(saveBmp(tbitmap(c.w, c.h), path).ok(), c.written) << c.w << "x" << c.h;
    EXPECT_EQ(std::filesystem::exists(path), c.written) << c.w << "x" << c.h;
    if (c.written) {
      EXPECT_TRUE(readPictureFile(path).ok());
    }
  }
}

TEST(tbitmap, DrawToPaintsUnscaledAndClipped) {
  Framebuffer fb;
  fb.resize(20, 10);
  TDC dc(fb);
  tbitmap b = gradient(8, 6);
  b.setPixel(0, 0, 255, 0, 0);
  drawPicture(dc, b, 15, 7);   // partly outside to the right and below
  drawPicture(dc, b, -3, -2);  // partly outside to the left and above
  EXPECT_EQ(fb.pixel(15, 7), rgbColor(255, 0, 0));
  EXPECT_EQ(fb.pixel(19, 9), rgbColor(4, 2, 6));
  EXPECT_EQ(fb.pixel(0, 0), rgbColor(3, 2, 5));
  EXPECT_EQ(fb.pixel(4, 3), rgbColor(7, 5, 12));
  EXPECT_EQ(fb.pixel(5, 3), kWhite);
  EXPECT_EQ(fb.pixel(14, 7), kWhite);
}

}  // namespace
