#include "stereo/rowexport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "image/bmp.h"
#include "image/jpeg.h"
#include "image/readahead.h"
#include "stereo/compose.h"
#include "stereo/export.h"
#include "stereo/methods.h"
#include "testing/tempdir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

tbitmap noise(int w, int h, std::mt19937& rng) {
  tbitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y, static_cast<int>(rng()), static_cast<int>(rng()), static_cast<int>(rng()));
  return b;
}

Bytes fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A picture's rows that fail from a given row on (never when failAt is the height).
class FailingRows final : public PictureReader {
 public:
  FailingRows(const tbitmap& p, int failAt, std::string name)
      : PictureReader({p.width, p.height}), inner_(bitmapRows(p)), failAt_(failAt), name_(std::move(name)) {}

 protected:
  Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    if (first + count > failAt_) return Error{"Cannot read " + name_ + ": bad row"};
    return inner_->readRows(out, stride, count);
  }
  Status skip(std::int32_t first, std::int32_t count) override {
    if (first + count > failAt_) return Error{"Cannot read " + name_ + ": bad row"};
    return inner_->skipRows(count);
  }

 private:
  std::unique_ptr<PictureReader> inner_;
  int failAt_;
  std::string name_;
};

// Block by block from the rows, decoded ahead or not, gives the file of the
// whole picture, BMP or JPEG: tall enough for several blocks, random
// positions, every anaglyph method, both aligned pictures.
TEST(rowExports, EqualTheWholePictureFiles) {
  TempDir dir;
  std::mt19937 rng(3);
  const ColourWeights lc{255, 0, 0}, rc{0, 192, 128};
  for (int round = 0; round < static_cast<int>(kAnaglyphMethods.size()); ++round) {
    const AnaglyphMethod method = kAnaglyphMethods[round];
    const tbitmap l = noise(701 + round, 900, rng), r = noise(690, 880 + round, rng);
    const int dx = static_cast<int>(rng() % 61) - 30, dy = static_cast<int>(rng() % 41) - 20;
    const std::string what = "round " + std::to_string(round);
    const bool jpeg = round % 2, ahead = round % 3 == 0;
    const std::string path = dir / (jpeg ? "out.jpg" : "out.bmp");
    auto written = [&](int kind) {
      auto lr = bitmapRows(l), rr = bitmapRows(r);
      if (ahead) lr = readAhead(std::move(lr)), rr = readAhead(std::move(rr));
      const Status s = kind == 0 ? writeAnaglyphRows(path, 80, *lr, *rr, dx, dy, method, lc, rc)
                                 : writeAlignedRows(path, 80, *lr, *rr, dx, dy, kind == 2);
      EXPECT_TRUE(s.ok()) << what;
      return fileBytes(path);
    };
    auto encoded = [&](const tbitmap& picture) { return jpeg ? *encodeJpeg(picture, 80) : encodeBmp(picture); };
    EXPECT_EQ(written(0), encoded(*buildAnaglyph(l, r, dx, dy, method, lc, rc))) << what << " anaglyph";
    EXPECT_EQ(written(1), encoded(*alignedLeft(l, &r, dx, dy))) << what << " left";
    EXPECT_EQ(written(2), encoded(*alignedRight(&l, r, dx, dy))) << what << " right";
  }
}

// A picture that fails anywhere, inside the common region or outside it,
// leaves no file and no temporary file behind, and the error is the one
// reading the left picture whole, then the right, then the position check
// would give first.
TEST(rowExports, AFailingPictureWritesNothing) {
  TempDir dir;
  std::mt19937 rng(4);
  const tbitmap l = noise(300, 400, rng), r = noise(300, 400, rng);
  struct Case {
    int leftFailAt, rightFailAt, dy;
    const char* error;
  } cases[] = {
      {400, 0, -10, "Cannot read right: bad row"},   {400, 200, -10, "Cannot read right: bad row"},
      {400, 399, -10, "Cannot read right: bad row"}, {399, 0, -10, "Cannot read left: bad row"},
      {399, 400, 500, "Cannot read left: bad row"},  {400, 400, 500, kPositionDoesNotFit},
      {400, 0, 500, "Cannot read right: bad row"},
  };
  for (const Case& c : cases) {
    for (int kind = 0; kind < 6; ++kind) {
      std::unique_ptr<PictureReader> lr = std::make_unique<FailingRows>(l, c.leftFailAt, "left");
      std::unique_ptr<PictureReader> rr = std::make_unique<FailingRows>(r, c.rightFailAt, "right");
      if (kind >= 3) lr = readAhead(std::move(lr)), rr = readAhead(std::move(rr));
      const std::string out = dir / (kind == 4 ? "out.jpg" : "out.bmp");
      const Status s = kind % 3 == 0 ? writeAnaglyphRows(out, 92, *lr, *rr, 0, c.dy, AnaglyphMethod::Custom,
                                                         {255, 0, 0}, {0, 0, 255})
                                     : writeAlignedRows(out, 92, *lr, *rr, 0, c.dy, kind % 3 == 2);
      const std::string what = std::string(c.error) + " " + std::to_string(c.dy) + " " + std::to_string(kind);
      ASSERT_FALSE(s.ok()) << what;
      EXPECT_EQ(s.error().message, c.error) << what;
      EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << what;
    }
  }
}

// Two BMP files composed where they lie give the file of the rows route:
// odd widths, random positions and weights, top-down and bottom-up files;
// other depths and positions that do not fit are left to that route.
TEST(rowExports, BmpFilesComposedInPlaceEqualTheRowsRoute) {
  TempDir dir;
  std::mt19937 rng(6);
  auto topDown = [](const tbitmap& p) {
    tbitmap flipped(p.width, p.height);
    for (int y = 0; y < p.height; ++y) std::copy_n(p.row(p.height - 1 - y), p.width, flipped.row(y));
    Bytes b = encodeBmp(flipped);
    const std::int32_t h = -p.height;
    for (int i = 0; i < 4; ++i) b[22 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(h) >> (8 * i));
    return b;
  };
  for (int round = 0; round < 6; ++round) {
    const tbitmap l = noise(301 + round, 250 + round, rng), r = noise(290 + 2 * round, 260, rng);
    const int dx = static_cast<int>(rng() % 41) - 20, dy = static_cast<int>(rng() % 41) - 20;
    const ColourWeights lc{static_cast<std::uint32_t>(rng() % 256), 0, static_cast<std::uint32_t>(rng() % 256)};
    const ColourWeights rc{0, static_cast<std::uint32_t>(rng() % 256), static_cast<std::uint32_t>(rng() % 256)};
    const Bytes lf = round % 2 ? topDown(l) : encodeBmp(l), rf = round % 3 ? encodeBmp(r) : topDown(r);
    const SpanSource ls(lf, "left"), rs(rf, "right");
    const auto s = writeBmpAnaglyphFiles(dir / "fast.bmp", ls, rs, dx, dy, lc, rc);
    ASSERT_TRUE(s && s->ok()) << round;
    const auto lr = bitmapRows(l), rr = bitmapRows(r);
    ASSERT_TRUE(writeAnaglyphRows(dir / "rows.bmp", 92, *lr, *rr, dx, dy, AnaglyphMethod::Custom, lc, rc).ok());
    EXPECT_EQ(fileBytes(dir / "fast.bmp"), fileBytes(dir / "rows.bmp")) << round;
  }
  const Bytes eight = encodeBmp332(noise(20, 10, rng)), full = encodeBmp(noise(20, 10, rng));
  EXPECT_FALSE(writeBmpAnaglyphFiles(dir / "x.bmp", SpanSource(eight, "l"), SpanSource(full, "r"), 0, 0, {}, {}));
  EXPECT_FALSE(writeBmpAnaglyphFiles(dir / "x.bmp", SpanSource(full, "l"), SpanSource(full, "r"), 21, 0, {}, {}));
}

}  // namespace
