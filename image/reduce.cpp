#include "image/reduce.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// In units of 1 / (source size * output size) every source pixel spans
// `out` units and every output pixel `in`, so the weights are exact integers
// and a source pixel falls into at most two output pixels.
struct tspan {
  std::int64_t in, out;
  // The output index of source pixel i and its weight there; the rest of
  // `out` goes to the next output pixel.
  std::pair<std::int64_t, std::int64_t> split(std::int64_t i) const {
    const std::int64_t start = i * out, first = start / in;
    return {first, std::min(out, (first + 1) * in - start)};
  }
};

}  // namespace

std::unique_ptr<tbitmap> reduceByArea(const tbitmap& src, int width, int height) {
  auto out = std::make_unique<tbitmap>(width, height);
  const tspan across{src.width, width}, down{src.height, height};
  const std::uint64_t total = static_cast<std::uint64_t>(src.width) * src.height;
  std::vector<std::uint64_t> rowSums(std::size_t{3} * width);
  std::vector<std::uint64_t> current(rowSums.size()), next(rowSums.size());
  std::int64_t row = 0;  // the output row `current` gathers
  auto finish = [&] {
    tpixel* dst = out->row(static_cast<int>(row));
    for (int u = 0; u < width; ++u) {
      const std::uint64_t* a = &current[std::size_t{3} * u];
      dst[u] =
          tpixel(static_cast<int>((a[0] + total / 2) / total), static_cast<int>((a[1] + total / 2) / total),
                 static_cast<int>((a[2] + total / 2) / total));
    }
    std::swap(current, next);
    std::fill(next.begin(), next.end(), 0);
    ++row;
  };
  for (int y = 0; y < src.height; ++y) {
    std::fill(rowSums.begin(), rowSums.end(), 0);
    const tpixel* p = src.row(y);
    for (int x = 0; x < src.width; ++x) {
      const auto [u, w] = across.split(x);
      std::uint64_t* s = &rowSums[static_cast<std::size_t>(3 * u)];
      s[0] += w * p[x].red;
      s[1] += w * p[x].green;
      s[2] += w * p[x].blue;
      if (w < across.out) {
        const std::uint64_t rest = across.out - w;
        s[3] += rest * p[x].red;
        s[4] += rest * p[x].green;
        s[5] += rest * p[x].blue;
      }
    }
    const auto [v, w] = down.split(y);
    while (row < v) finish();
    for (std::size_t i = 0; i < rowSums.size(); ++i) current[i] += static_cast<std::uint64_t>(w) * rowSums[i];
    if (w < down.out)
      for (std::size_t i = 0; i < rowSums.size(); ++i)
        next[i] += static_cast<std::uint64_t>(down.out - w) * rowSums[i];
  }
  while (row < height) finish();
  return out;
}
