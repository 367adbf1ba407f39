#include "store/library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include <sys/stat.h>

#include "image/tbitmap.h"
#include "testing/tempdir.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// ---- pair names ----

TEST(LibraryPairNames, PairsAreFoundByTheLetterBeforeTheExtension) {
  struct Case {
    const char* what;
    std::vector<std::string> files;
    std::vector<std::string> bases;
  };
  const Case cases[] = {
      {"partner in other case, lone left skipped", {"AL.BMP", "Ar.bmp", "B_L.BMP"}, {"A"}},
      {"save-all names", {"x_A.BMP", "x_C.BMP", "x_L.BMP", "x_P.BMP", "x_R.BMP"}, {"x_"}},
      {"empty base name", {"L.BMP", "R.BMP"}, {""}},
      {"lower-case left letter", {"pairl.bmp", "PAIRR.BMP"}, {"pair"}},
      {"right alone", {"xR.BMP"}, {}},
      {"search order kept", {"bL.BMP", "aL.BMP", "aR.BMP", "bR.BMP"}, {"b", "a"}},
      {"too short to have the letter", {"L.BM", "R.BM"}, {}},
      {"letter elsewhere in the name", {"Lx.BMP", "Rx.BMP"}, {}},
      {"JPEG and PNG pairs", {"aL.JPG", "aR.jpg", "bL.jpeg", "bR.JPEG", "cl.PNG", "cR.png"}, {"a", "b", "c"}},
      {"a partner in another format is none", {"aL.JPG", "aR.PNG", "bL.BMP", "bR.JPEG"}, {}},
      {"stereo files, BMP pairs in their order",
       {"bL.BMP", "trip.MPO", "bR.BMP", "xL.jps", "aL.BMP", "aR.BMP"},
       {"b", "trip", "xL", "a"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> bases;
    for (const tlibrarypair& p : libraryPairs(c.files)) bases.push_back(p.baseName);
    EXPECT_EQ(bases, c.bases) << c.what;
  }
}

// ---- the list ----

TEST(LibraryList, AVeryLongListIsReleasedWithoutDeepRecursion) {
  auto head = makeLibraryList(std::vector<tlibrarypair>(2'000'000, {"p", "", ""}));
  const tlibraryentry* last = stepForward(head.get(), 2'000'000);
  EXPECT_EQ(stepBack(last, 1'999'999), head.get());
  EXPECT_EQ(last->next, nullptr);
  head.reset();  // a recursive release would overflow the stack here
}

// ---- thumbnails ----

std::string writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

tpixel gradient(int x, int y) { return tpixel(x % 256, y % 256, (x + y) % 256); }

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct BmpShape {
  int w = 1, h = 1, bits = 24;
  bool topDown = false;
  std::uint32_t coloursUsed = 0;  // 8-bit: palette entries written (0: 256)
  std::size_t gap = 0;            // bytes between the palette and the pixels
  std::size_t infoSize = 40;
};

// 8-bit pixels use index (x + y) % entries with palette entry i = (i, 2i, 3i).
tpixel expectedPixel(const BmpShape& s, int x, int y) {
  if (s.bits != 8) return gradient(x, y);
  const int entries = s.coloursUsed ? static_cast<int>(s.coloursUsed) : 256;
  const int i = (x + y) % entries;
  return tpixel(i, 2 * i, 3 * i);
}

Bytes makeBmp(const BmpShape& s) {
  const int entries = s.bits == 8 ? (s.coloursUsed ? static_cast<int>(s.coloursUsed) : 256) : 0;
  const std::size_t stride = (static_cast<std::size_t>(s.w) * (s.bits == 8 ? 1 : 3) + 3) / 4 * 4;
  const std::size_t paletteAt = 14 + s.infoSize;
  const std::size_t offset = paletteAt + 4 * static_cast<std::size_t>(entries) + s.gap;
  Bytes b(offset + stride * static_cast<std::size_t>(s.h), 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<std::uint32_t>(b.size()));
  put32(b, 10, static_cast<std::uint32_t>(offset));
  put32(b, 14, static_cast<std::uint32_t>(s.infoSize));
  put32(b, 18, static_cast<std::uint32_t>(s.w));
  put32(b, 22, static_cast<std::uint32_t>(s.topDown ? -s.h : s.h));
  b[26] = 1;
  b[28] = static_cast<std::uint8_t>(s.bits);
  put32(b, 46, s.coloursUsed);
  for (int i = 0; i < entries; ++i) {
    const tpixel p(i, 2 * i, 3 * i);
    b[paletteAt + 4 * i] = p.blue;
    b[paletteAt + 1 + 4 * i] = p.green;
    b[paletteAt + 2 + 4 * i] = p.red;
  }
  for (int k = 0; k < s.h; ++k) {
    const int y = s.topDown ? k : s.h - 1 - k;
    std::uint8_t* row = b.data() + offset + stride * static_cast<std::size_t>(k);
    for (int x = 0; x < s.w; ++x) {
      if (s.bits == 8) {
        row[x] = static_cast<std::uint8_t>((x + y) % entries);
      } else {
        const tpixel p = gradient(x, y);
        row[3 * x] = p.blue;
        row[3 * x + 1] = p.green;
        row[3 * x + 2] = p.red;
      }
    }
  }
  return b;
}

tpixel thumbAt(const tlibraryentry& e, int p, int q) {
  const std::size_t i = static_cast<std::size_t>(p) * 64 + q;
  const std::uint8_t* t = e.thumbnail.get();
  return tpixel(t[i], t[kThumbnailPlane + i], t[2 * kThumbnailPlane + i]);
}

// Every thumbnail pixel against (column, row) -> source point, or white.
void expectThumbnail(const tlibraryentry& e, int cols, int rows, int step,
                     const std::function<tpixel(int, int)>& source, const std::string& what) {
  ASSERT_TRUE(e.thumbnailReady) << what;
  int wrong = 0;
  for (int p = 0; p < 64; ++p) {
    for (int q = 0; q < 64; ++q) {
      const bool covered = p < cols && q >= 64 - rows;
      const tpixel want = covered ? source(p * step, (q - (64 - rows)) * step) : tpixel(255, 255, 255);
      if (!(thumbAt(e, p, q) == want) && ++wrong <= 3) {
        ADD_FAILURE() << what << ": thumbnail pixel " << p << "," << q;
      }
    }
  }
}

TEST(Thumbnail, KeepsEveryStepthRowAndColumnAtTheBottomLeft) {
  struct Case {
    BmpShape shape;
    int cols, rows, step;
  };
  const Case cases[] = {
      {{640, 480}, 59, 44, 11},
      {{64, 64}, 32, 32, 2},
      {{63, 63}, 63, 63, 1},
      {{1, 1}, 1, 1, 1},
      {{1000, 10}, 63, 1, 16},
      {{37, 129}, 13, 43, 3},
      {{640, 480, 24, true}, 59, 44, 11},
      {{50, 70, 8}, 25, 35, 2},
      {{50, 70, 8, true, 0, 0}, 25, 35, 2},
      {{30, 20, 8, false, 5, 0}, 30, 20, 1},    // short palette: the pixels follow it
      {{30, 20, 24, false, 0, 13}, 30, 20, 1},  // pixels placed by the data offset
      {{30, 20, 8, false, 9, 7}, 30, 20, 1},
      {{30, 20, 8, false, 0, 0, 2000}, 30, 20, 1},  // the palette after a long information header
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = writeFile(dir / "pL.BMP", makeBmp(c.shape));
    tlibraryentry e;
    buildThumbnail(e, path);
    const std::string what = std::to_string(c.shape.w) + "x" + std::to_string(c.shape.h) + " " +
                             std::to_string(c.shape.bits) + (c.shape.topDown ? " top-down" : "");
    expectThumbnail(
        e, c.cols, c.rows, c.step, [&](int x, int y) { return expectedPixel(c.shape, x, y); }, what);
  }
}

TEST(Thumbnail, TheFileNameIsMatchedIgnoringCase) {
  TempDir dir;
  writeFile(dir / "xl.bmp", makeBmp({8, 8}));
  tlibraryentry e;
  buildThumbnail(e, dir / "xL.BMP");
  expectThumbnail(e, 8, 8, 1, gradient, "xl.bmp");
}

TEST(Thumbnail, BadFilesGiveAWhiteThumbnail) {
  auto withField = [](Bytes b, std::size_t at, std::uint32_t v) {
    put32(b, at, v);
    return b;
  };
  const Bytes good = makeBmp({20, 10});
  const Bytes paletted = makeBmp({4, 4, 8});
  struct Case {
    const char* what;
    std::optional<Bytes> bytes;  // nullopt: no file
  };
  const Case cases[] = {
      {"missing", std::nullopt},
      {"empty", Bytes{}},
      {"header only", Bytes(good.begin(), good.begin() + 54)},
      {"rows cut short", Bytes(good.begin(), good.end() - 40)},
      {"height 0", withField(good, 22, 0)},
      {"width 0", withField(good, 18, 0)},
      {"negative width", withField(good, 18, static_cast<std::uint32_t>(-20))},
      {"huge width", withField(good, 18, 0x7FFFFFFF)},
      {"smallest height", withField(good, 22, 0x80000000u)},
      {"data offset past the end", withField(good, 10, 0xFFFFFFF0u)},
      {"data offset inside the header", withField(good, 10, 20)},
      {"header size past the end", withField(good, 14, 0x7FFFFFFF)},
      {"8-bit palette cut short", Bytes(paletted.begin(), paletted.begin() + 300)},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir / "bL.BMP";
    if (c.bytes) writeFile(path, *c.bytes);
    tlibraryentry e;
    buildThumbnail(e, path);
    expectThumbnail(e, 0, 0, 1, gradient, c.what);
  }
}

TEST(Thumbnail, AFifoOrAFolderUnderTheNameIsNotOpenedForReading) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fL.BMP").c_str(), 0600), 0);
  fs::create_directory(dir / "dL.BMP");
  for (const char* name : {"fL.BMP", "dL.BMP"}) {
    tlibraryentry e;
    buildThumbnail(e, dir / name);
    expectThumbnail(e, 0, 0, 1, gradient, name);
  }
}

}  // namespace
