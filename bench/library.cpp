// Entering the library view of a folder of 24 MP pairs, and one 24 MP
// thumbnail. Entering reads only the files of the first page, so its time
// hardly grows with the number of pairs; a thumbnail reads only the header
// and the rows it keeps.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "image/bmp.h"
#include "bench/enter_library.h"
#include "image/tbitmap.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "store/library.h"
#include "ui/tmyapp.h"

namespace {

namespace fs = std::filesystem;

// One 6000 x 4000 left picture, linked under every pair's left name so that
// a large library costs one file's disk space.
class Library {
 public:
  Library() {
    root_ = fs::temp_directory_path() / ("binoxa-bench-library-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    tbitmap picture(6000, 4000);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) picture.setPixel(x, y, x, y, x + y);
    }
    big_ = (root_ / "picture.bmp").string();
    if (!saveBmp(picture, big_)) std::abort();
    if (!saveBmp(tbitmap(8, 8), (root_ / "small.bmp").string())) std::abort();
  }
  ~Library() { fs::remove_all(root_); }

  const std::string& bigPicture() const { return big_; }

  // A folder of `pairs` pairs, made once per size.
  std::string folder(int pairs) {
    const fs::path dir = root_ / std::to_string(pairs);
    if (!fs::exists(dir)) {
      fs::create_directories(dir);
      for (int i = 0; i < pairs; ++i) {
        const std::string base = "p" + std::to_string(100000 + i);
        fs::create_hard_link(big_, dir / (base + "L.BMP"));
        fs::create_hard_link(root_ / "small.bmp", dir / (base + "R.BMP"));
      }
    }
    return dir.string();
  }
  std::string profile() const { return (root_ / "binoxa.ini").string(); }

 private:
  fs::path root_;
  std::string big_;
};

Library& library() {
  static Library lib;
  return lib;
}

void BM_EnterLibrary(benchmark::State& state) {
  Library& lib = library();
  enterLibrary(state, lib.folder(static_cast<int>(state.range(0))), lib.profile());
}
BENCHMARK(BM_EnterLibrary)->Arg(63)->Arg(630)->Unit(benchmark::kMillisecond);

void BM_Thumbnail24MP(benchmark::State& state) {
  const std::string path = library().bigPicture();
  for (auto _ : state) {
    tlibraryentry entry;
    buildThumbnail(entry, path);
    benchmark::DoNotOptimize(entry.thumbnail.get());
  }
}
BENCHMARK(BM_Thumbnail24MP)->Unit(benchmark::kMillisecond);

}  // namespace
