// The spatial photo beside the clone opened for an export (both views, as an
// export of a stereo file reads them) against libheif decoding its two items
// to RGB one after the other with its own defaults, in the same run.
#include <benchmark/benchmark.h>
#include <libheif/heif.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "image/picture.h"

namespace {

const std::string& samplePath() {
  static const std::string path = [] {
    std::string p = std::string(BINOXA_SHARED) + "/cameras/spatial.heic";
    if (!std::filesystem::exists(p)) std::abort();
    return p;
  }();
  return path;
}

void LibheifItemsInTurn(benchmark::State& state) {
  for (auto _ : state) {
    heif_context* context = heif_context_alloc();
    if (heif_context_read_from_file(context, samplePath().c_str(), nullptr).code) std::abort();
    for (heif_item_id id : {26u, 52u}) {
      heif_image_handle* handle = nullptr;
      heif_image* image = nullptr;
      if (heif_context_get_image_handle(context, id, &handle).code ||
          heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code)
        std::abort();
      heif_image_release(image);
      heif_image_handle_release(handle);
    }
    heif_context_free(context);
  }
}

void OpenForExport(benchmark::State& state) {
  for (auto _ : state) {
    auto views = loadPictureViews(samplePath());
    if (!views || !views->right) std::abort();
    benchmark::DoNotOptimize(views->right->row(0));
  }
}

}  // namespace

// Interleaved, so both see the same load from the machine's other work.
BENCHMARK(LibheifItemsInTurn)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(OpenForExport)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(LibheifItemsInTurn)->UseRealTime()->Unit(benchmark::kMillisecond)->Name("LibheifItemsInTurn/again");
BENCHMARK(OpenForExport)->UseRealTime()->Unit(benchmark::kMillisecond)->Name("OpenForExport/again");
