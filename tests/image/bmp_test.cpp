#include "image/bmp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <unistd.h>

// The hand-made files below name only the fields they are about.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Bytes = std::vector<std::uint8_t>;

Result<std::unique_ptr<tbitmap>> decodeBmp(std::span<const std::uint8_t> bytes) {
  return readPicture(SpanSource(bytes));
}

void put16(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 2; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A hand-made file: headers as given, then palette entries, then the rows
// exactly as listed (padding included by the caller).
struct HandMade {
  std::int32_t width = 1, height = 1;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t infoSize = 40;
  std::uint32_t coloursUsed = 0;
  std::int64_t dataOffset = -1;                      // -1: right after the palette
  std::vector<std::array<std::uint8_t, 4>> palette;  // blue, green, red, 0
  std::size_t gap = 0;                               // bytes between palette and rows
  Bytes rows;

  Bytes bytes() const {
    Bytes b;
    const std::uint32_t start = 14 + infoSize + static_cast<std::uint32_t>(4 * palette.size() + gap);
    put16(b, 0x4D42);
    put32(b, start + static_cast<std::uint32_t>(rows.size()));
    put32(b, 0);
    put32(b, dataOffset < 0 ? start : static_cast<std::uint32_t>(dataOffset));
    put32(b, infoSize);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, bits);
    put32(b, compression);
    put32(b, static_cast<std::uint32_t>(rows.size()));
    put32(b, 0);
    put32(b, 0);
    put32(b, coloursUsed);
    put32(b, 0);
    b.resize(14 + infoSize, 0);
    for (auto& e : palette) b.insert(b.end(), e.begin(), e.end());
    b.resize(b.size() + gap, 0xEE);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
  }
};

tbitmap gradient(int w, int h) {
  tbitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, x * 5, y * 7, x + y);
  return b;
}

void expectSame(const tbitmap& a, const tbitmap& b) {
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << x << "," << y;
}

std::uint32_t field32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(bmpWriter, OnePixelFileIsExact) {
  tbitmap b(1, 1);
  b.setPixel(0, 0, 30, 20, 10);
  const Bytes expected = {'B',  'M',  58, 0, 0,    0,    0, 0, 0, 0, 54, 0, 0, 0,  // file header
                          40,   0,    0,  0, 1,    0,    0, 0, 1, 0, 0,  0, 1, 0,
                          24,   0,                              // size, width, height, planes, bits
                          0,    0,    0,  0, 4,    0,    0, 0,  // compression, image size
                          0x22, 0x2E, 0,  0, 0x22, 0x2E, 0, 0,  // 11810 pixels per metre twice
                          0,    0,    1,  0, 0,    1,    0, 0,  // colours used 65536, important 256
                          10,   20,   30, 0};                   // blue, green, red, padding
  EXPECT_EQ(encodeBmp(b), expected);
}

TEST(bmpWriter, StrideAndSizeFields) {
  struct Case {
    int w, h;
    std::uint32_t stride;
  };
  for (const Case c : {Case{1, 1, 4}, {2, 2, 8}, {4, 3, 12}, {5, 1, 16}, {47, 33, 144}}) {
    const Bytes f = encodeBmp(gradient(c.w, c.h));
    const std::uint32_t image = c.stride * static_cast<std::uint32_t>(c.h);
    EXPECT_EQ(f.size(), 54 + image) << c.w << "x" << c.h;
    EXPECT_EQ(field32(f, 2), 54 + image);
    EXPECT_EQ(field32(f, 34), image);
  }
}

TEST(bmpWriter, RoundTripOnOddSizesWithTopRowLast) {
  for (auto [w, h] : {std::pair{47, 33}, {1, 1}, {5, 3}, {3, 5}, {4, 4}}) {
    const tbitmap src = gradient(w, h);
    const Bytes f = encodeBmp(src);
    const std::size_t stride = (3 * static_cast<std::size_t>(w) + 3) / 4 * 4;
    EXPECT_EQ(f[54 + stride * (h - 1)], src.pixel(0, 0).blue);  // the top row is the file's last
    auto back = decodeBmp(f);
    ASSERT_TRUE(back.ok()) << back.error().message;
    expectSame(*back.value(), src);
  }
}

TEST(bmpWriter, PalettedFilesHoldThe332Colours) {
  tbitmap src(7, 3);
  for (int x = 0; x < 7; ++x) src.setPixel(x, 1, x * 40, 255 - x * 40, x * 37);
  auto back = decodeBmp(encodeBmp332(src));
  ASSERT_TRUE(back.ok());
  for (int x = 0; x < 7; ++x) {
    const tpixel p = src.pixel(x, 1);
    EXPECT_EQ(back.value()->pixel(x, 1), palette332((p.red >> 5) << 5 | (p.green >> 5) << 2 | p.blue >> 6));
  }
  EXPECT_EQ(palette332(0xFF), tpixel(255, 255, 255));
  EXPECT_EQ(palette332(0b01010110), tpixel(72, 182, 170));
}

// Hand-made files, each exercising one field of the reader.
TEST(bmpReader, SingleFields) {
  struct Case {
    const char* what;
    HandMade file;
    int x, y;
    tpixel expected;
  };
  const std::array<std::uint8_t, 4> entry7 = {10, 20, 30, 0};
  std::vector<std::array<std::uint8_t, 4>> full(256, {0, 0, 0, 0});
  full[7] = entry7;
  const Case cases[] = {
      {"palette entry 7",
       {.width = 1, .height = 1, .bits = 8, .palette = full, .rows = {7, 0, 0, 0}},
       0,
       0,
       {30, 20, 10}},
      {"8-bit stride of width 5 is 8",
       {.width = 5,
        .height = 2,
        .bits = 8,
        .palette = full,
        .rows = {0, 0, 0, 0, 0, 9, 9, 9, 7, 0, 0, 0, 0, 7, 0, 0}},
       3,
       0,
       {0, 0, 0}},
      {"8-bit second row is the top",
       {.width = 5,
        .height = 2,
        .bits = 8,
        .palette = full,
        .rows = {0, 0, 0, 0, 0, 9, 9, 9, 7, 0, 0, 0, 0, 7, 0, 0}},
       0,
       0,
       {30, 20, 10}},
      {"colours used 2",
       {.width = 1,
        .height = 1,
        .bits = 8,
        .coloursUsed = 2,
        .palette = {{1, 2, 3, 0}, {4, 5, 6, 0}},
        .rows = {1, 0, 0, 0}},
       0,
       0,
       {6, 5, 4}},
      {"index past a short palette is black",
       {.width = 1,
        .height = 1,
        .bits = 8,
        .coloursUsed = 2,
        .palette = {{1, 2, 3, 0}, {4, 5, 6, 0}},
        .rows = {200, 0, 0, 0}},
       0,
       0,
       {0, 0, 0}},
      {"24-bit channel order", {.rows = {1, 2, 3, 0}}, 0, 0, {3, 2, 1}},
      {"bottom-up rows", {.width = 1, .height = 2, .rows = {1, 1, 1, 0, 9, 8, 7, 0}}, 0, 0, {7, 8, 9}},
      {"top-down rows", {.width = 1, .height = -2, .rows = {1, 1, 1, 0, 9, 8, 7, 0}}, 0, 0, {1, 1, 1}},
      {"data offset honoured", {.gap = 6, .rows = {1, 2, 3, 0}}, 0, 0, {3, 2, 1}},
      {"108-byte info header", {.infoSize = 108, .rows = {1, 2, 3, 0}}, 0, 0, {3, 2, 1}},
      {"124-byte info header", {.infoSize = 124, .rows = {1, 2, 3, 0}}, 0, 0, {3, 2, 1}},
      {"last row without padding", {.width = 1, .height = 2, .rows = {4, 5, 6, 0, 1, 2, 3}}, 0, 0, {3, 2, 1}},
      {"other depths read as 24-bit", {.bits = 32, .rows = {1, 2, 3, 0}}, 0, 0, {3, 2, 1}},
  };
  for (const Case& c : cases) {
    auto picture = decodeBmp(c.file.bytes());
    ASSERT_TRUE(picture.ok()) << c.what << ": " << picture.error().message;
    EXPECT_EQ(picture.value()->pixel(c.x, c.y), c.expected) << c.what;
  }
}

TEST(bmpReader, LayoutForRowByRowReading) {
  HandMade f{.width = 3,
             .height = -2,
             .bits = 8,
             .palette = {{0, 0, 0, 0}, {9, 9, 9, 0}},
             .gap = 2,
             .rows = {1, 0, 1, 0, 0, 1, 0, 0}};
  f.coloursUsed = 2;
  const Bytes bytes = f.bytes();
  auto layout = parseBmpLayout(SpanSource(bytes));
  ASSERT_TRUE(layout.ok()) << layout.error().message;
  const BmpLayout& l = *layout;
  EXPECT_EQ(l.stride, 4u);
  EXPECT_EQ(l.dataOffset, 14u + 40 + 8 + 2);
  EXPECT_TRUE(l.topDown);
  EXPECT_EQ(l.pictureRow(1), 1);
  tpixel row[3];
  decodeBmpRow(l, bytes.data() + l.rowOffset(1), row);
  EXPECT_EQ(row[1], tpixel(9, 9, 9));
  EXPECT_EQ(row[0], tpixel());
}

TEST(bmpReader, RefusesEveryTruncation) {
  HandMade f{.width = 3,
             .height = 3,
             .bits = 8,
             .palette = std::vector<std::array<std::uint8_t, 4>>(256),
             .rows = Bytes(4 * 2 + 3, 1)};
  const Bytes whole = f.bytes();
  ASSERT_TRUE(decodeBmp(whole).ok());
  for (std::size_t n = 0; n < whole.size(); ++n)
    EXPECT_FALSE(decodeBmp(std::span(whole).first(n)).ok()) << n << " bytes";
}

// Each file of the corpus is broken in one way and must only be refused.
TEST(bmpReader, MalformedCorpusIsRefused) {
  const std::filesystem::path dir = std::filesystem::path(BINOXA_TEST_DATA) / "image" / "malformed";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto picture = decodeBmp(bytes);
    EXPECT_FALSE(picture.ok()) << entry.path().filename();
    if (!picture.ok()) {
      EXPECT_FALSE(picture.error().message.empty());
      EXPECT_EQ(picture.error().message.find('\n'), std::string::npos);
    }
    ++files;
  }
  EXPECT_GE(files, 10);
}

TEST(bmpHeaderCheck, DepthFirstThenCompression) {
  const auto dir = std::filesystem::temp_directory_path() / ("binoxa-bmpcheck-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  struct Case {
    const char* name;
    Bytes bytes;
    const char* message;  // nullptr: accepted; "" : refused with some other one-line message
  };
  auto file = [](std::uint16_t bits, std::uint32_t compression) {
    return HandMade{.bits = bits, .compression = compression, .rows = {0, 0, 0, 0}}.bytes();
  };
  const Case cases[] = {
      {"d24.bmp", file(24, 0), nullptr},
      {"d8.bmp", file(8, 0), nullptr},
      {"d4.bmp", file(4, 0), "Must be an 8 or 24 bit bitmap"},
      {"d32.bmp", file(32, 0), "Must be an 8 or 24 bit bitmap"},
      {"rle8.bmp", file(8, 1), "Cannot handle compressed bitmaps"},
      {"d16c.bmp", file(16, 3), "Must be an 8 or 24 bit bitmap"},
      {"picture.txt", file(24, 0), nullptr},
      {"short.bmp", Bytes(53, 0), ""},
  };
  for (const Case& c : cases) {
    std::ofstream(dir / c.name, std::ios::binary)
        .write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
    const auto s = loadPicture((dir / c.name).string());
    if (!c.message) {
      EXPECT_TRUE(s.ok()) << c.name;
    } else if (*c.message) {
      ASSERT_FALSE(s.ok()) << c.name;
      EXPECT_EQ(s.error().message, c.message) << c.name;
    } else {
      ASSERT_FALSE(s.ok()) << c.name;
      EXPECT_EQ(s.error().message.find('\n'), std::string::npos);
    }
  }
  EXPECT_FALSE(loadPicture((dir / "missing.bmp").string()).ok());
  std::filesystem::remove_all(dir);
}

}  // namespace

// The file bytes of a 24-bit picture, one pixel at a time.
Bytes plainEncode(const tbitmap& p) {
  Bytes f = encodeBmp(tbitmap(p.width, p.height));
  const std::size_t stride = (3 * static_cast<std::size_t>(p.width) + 3) / 4 * 4;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const std::size_t at = 54 + stride * static_cast<std::size_t>(p.height - 1 - y) + 3 * x;
      f[at] = p.pixel(x, y).blue;
      f[at + 1] = p.pixel(x, y).green;
      f[at + 2] = p.pixel(x, y).red;
    }
  return f;
}

// Random pictures through the vectorised rows and the block writer: rows
// longer than a vector, odd widths, several blocks, rows stored top-down.
TEST(bmpRows, MatchThePlainLoops) {
  const auto dir = std::filesystem::temp_directory_path() / ("binoxa-bmprows-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::mt19937 rng(5);
  for (auto [w, h] : {std::pair{1, 1}, {33, 7}, {250, 3}, {1001, 700}}) {
    tbitmap src(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        src.setPixel(x, y, static_cast<int>(rng()), static_cast<int>(rng()), static_cast<int>(rng()));
    const std::string what = std::to_string(w) + "x" + std::to_string(h);
    const Bytes plain = plainEncode(src);
    EXPECT_EQ(encodeBmp(src), plain) << what;
    const std::string path = (dir / "rows.bmp").string();
ASSERT_TRUE(saveBmp(src, path).ok()) << what;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), plain) << what;
    auto back = decodeBmp(plain);
    ASSERT_TRUE(back.ok()) << what;
    expectSame(*back.value(), src);
    // The same rows stored top first, under a negative height.
    Bytes topDown(plain.begin(), plain.begin() + 54);
    const std::size_t stride = (plain.size() - 54) / h;
    for (int k = h - 1; k >= 0; --k)
      topDown.insert(topDown.end(), plain.begin() + 54 + stride * k, plain.begin() + 54 + stride * (k + 1));
    const std::uint32_t negative = static_cast<std::uint32_t>(-h);
    for (int i = 0; i < 4; ++i) topDown[22 + i] = static_cast<std::uint8_t>(negative >> (8 * i));
    back = decodeBmp(topDown);
    ASSERT_TRUE(back.ok()) << what;
    expectSame(*back.value(), src);
  }
  std::filesystem::remove_all(dir);
}
