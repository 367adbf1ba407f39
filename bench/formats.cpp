// JPEG reading against libjpeg-turbo's own djpeg, in the same run: a 24 MP
// decode, and the library's thumbnails of 24 MP JPEGs with and without an
// EXIF thumbnail against djpeg -scale 1/8 of the same file. The first page
// of a library of 100 such pairs shows how the per-file costs add up.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "bench/enter_library.h"
#include "image/jpeg.h"
#include "image/picture.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "store/library.h"
#include "ui/tmyapp.h"
#include "store/settings.h"

namespace {

namespace fs = std::filesystem;

void put(std::vector<std::uint8_t>& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// An EXIF segment holding a 160 x 120 JPEG thumbnail in IFD1.
std::vector<std::uint8_t> exifWithThumbnail(const std::vector<std::uint8_t>& thumbnail) {
  std::vector<std::uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  put(b, 0, 2);   // IFD0: no entries
  put(b, 14, 4);  // next: IFD1 right after IFD0
  put(b, 2, 2);
  put(b, 0x0201, 2), put(b, 4, 2), put(b, 1, 4), put(b, 14 + 2 + 24 + 4, 4);
  put(b, 0x0202, 2), put(b, 4, 2), put(b, 1, 4), put(b, static_cast<std::uint32_t>(thumbnail.size()), 4);
  put(b, 0, 4);
  b.insert(b.end(), thumbnail.begin(), thumbnail.end());
  return b;
}

class Files {
 public:
  Files() {
    root_ = fs::temp_directory_path() / ("binoxa-bench-formats-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    tbitmap picture(6000, 4000);
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x)
        picture.setPixel(x, y, (x / 7 + y / 5) & 255, (x * y / 97) & 255, (x ^ y) & 255);
    const auto plain = encodeJpeg(picture, kDefaultQuality).value();
    const auto thumbnail = encodeJpeg(*picture.crop(0, 0, 160, 120), 80).value();
    const JpegExtraSegment exif[] = {{0xE1, exifWithThumbnail(thumbnail)}};
    const auto withExif = encodeJpeg(picture, kDefaultQuality, exif).value();
    if (!writeFileAtomically(plain_ = (root_ / "plain.jpg").string(), plain)) std::abort();
    if (!writeFileAtomically(exif_ = (root_ / "exif.jpg").string(), withExif)) std::abort();
  }
  ~Files() { fs::remove_all(root_); }
  const std::string& file(bool exif) const { return exif ? exif_ : plain_; }
  // 100 pairs whose pictures are all that file.
  std::string folder(bool exif) {
    const fs::path dir = root_ / (exif ? "lib-exif" : "lib-plain");
    if (!fs::exists(dir)) {
      fs::create_directories(dir);
      for (int i = 0; i < 100; ++i) {
        const std::string base = "p" + std::to_string(100 + i);
        fs::create_hard_link(file(exif), dir / (base + "L.JPG"));
        fs::create_hard_link(file(exif), dir / (base + "R.JPG"));
      }
    }
    return dir.string();
  }
  std::string profile() const { return (root_ / "binoxa.ini").string(); }

 private:
  fs::path root_;
  std::string plain_, exif_;
};

Files& files() {
  static Files f;
  return f;
}

void shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::abort();
}

void BM_Decode24MP(benchmark::State& state) {
  const std::string& path = files().file(false);
  for (auto _ : state) {
    auto file = openFile(path);
    auto picture = readPicture(*file);
    benchmark::DoNotOptimize(picture.value().get());
  }
}
BENCHMARK(BM_Decode24MP)->Unit(benchmark::kMillisecond);

// The decoder alone, as djpeg runs it: every row into one reused row, no
// 72 MB picture to allocate and fill.
void BM_DecodeRows24MP(benchmark::State& state) {
  const std::string& path = files().file(false);
  for (auto _ : state) {
    auto file = openFile(path);
    auto reader = openPicture(*file);
    PictureReader& r = *reader.value();
    std::vector<tpixel> row(static_cast<std::size_t>(r.header().width));
    if (!r.readRows(row.data(), 0, r.header().height)) std::abort();
    benchmark::DoNotOptimize(row.data());
  }
}
BENCHMARK(BM_DecodeRows24MP)->Unit(benchmark::kMillisecond);

void BM_Djpeg24MP(benchmark::State& state) {
  const std::string command = "djpeg -outfile /dev/null " + files().file(false);
  for (auto _ : state) shell(command);
}
BENCHMARK(BM_Djpeg24MP)->Unit(benchmark::kMillisecond);

void BM_Thumbnail24MPJpeg(benchmark::State& state) {
  const std::string& path = files().file(state.range(0) != 0);
  for (auto _ : state) {
    tlibraryentry entry;
    buildThumbnail(entry, path);
    benchmark::DoNotOptimize(entry.thumbnail.get());
  }
}
BENCHMARK(BM_Thumbnail24MPJpeg)->ArgName("exif")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DjpegScale8(benchmark::State& state) {
  const std::string command = "djpeg -scale 1/8 -outfile /dev/null " + files().file(false);
  for (auto _ : state) shell(command);
}
BENCHMARK(BM_DjpegScale8)->Unit(benchmark::kMillisecond);

void BM_LibraryFirstPageJpeg(benchmark::State& state) {
  Files& f = files();
  enterLibrary(state, f.folder(state.range(0) != 0), f.profile());
}
BENCHMARK(BM_LibraryFirstPageJpeg)
    ->ArgName("exif")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
