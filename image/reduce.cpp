#include "image/reduce.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/parallel.h"

namespace {

// In units of 1 / (source size * output size) every source pixel spans
// `out` units and every output pixel `in`, so the weights are exact integers.
struct tspan {
  std::int64_t in, out;
};

// sums[i] += weight * bytes[i]: the loop the vectoriser takes whole.
__attribute__((target_clones("avx2", "default"))) void addWeighted(std::uint32_t* __restrict sums,
                                                                   const std::uint8_t* __restrict bytes,
                                                                   std::uint32_t weight, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) sums[i] += weight * bytes[i];
}

// Height in proportion to width, rounded, at least 1 and at most the part's.
int heightFor(const tregion& part, int width) {
  const std::int64_t height =
      std::max<std::int64_t>(1, (std::int64_t{part.height} * width + part.width / 2) / part.width);
  return static_cast<int>(std::min<std::int64_t>(height, part.height));
}

std::unique_ptr<tbitmap> reduceRegion(const tbitmap& src, const tregion& part, int width, int height) {
  auto out = std::make_unique<tbitmap>(width, height);
  const tspan across{part.width, width}, down{part.height, height};
  const std::uint64_t total = static_cast<std::uint64_t>(part.width) * part.height;
  // The source columns each output column covers: the first and the last in
  // part, the ones between whole (weight `out`), found once for every row.
  struct tcolumn {
    int first, last;
    std::uint32_t firstWeight, lastWeight;
  };
  std::vector<tcolumn> columns(static_cast<std::size_t>(width));
  for (int u = 0; u < width; ++u) {
    const std::int64_t left = u * across.in, right = (u + 1) * across.in;
    tcolumn& c = columns[static_cast<std::size_t>(u)];
    c.first = static_cast<int>(left / across.out);
    c.last = static_cast<int>((right - 1) / across.out);
    c.firstWeight = static_cast<std::uint32_t>(std::min((c.first + 1) * across.out, right) - left);
    c.lastWeight = static_cast<std::uint32_t>(right - std::max(c.last * across.out, left));
  }
  const auto whole = static_cast<std::uint64_t>(across.out);
  // (sum + total / 2) / total, rounded half up: a floating-point estimate
  // made exact, as a division per channel would cost more than the rest.
  const double inverse = 1.0 / static_cast<double>(total);
  auto mean = [total, inverse](std::uint64_t sum) {
    const std::uint64_t n = sum + total / 2;
    auto q = static_cast<std::uint64_t>(static_cast<double>(n) * inverse);
    if (q * total > n) --q;
    if ((q + 1) * total <= n) ++q;
    return static_cast<int>(q);
  };
  static_assert(sizeof(tpixel) == 3);
  const std::size_t rowBytes = std::size_t{3} * static_cast<std::size_t>(part.width);
  // Each output row from the source rows it covers, so bands of output rows
  // are independent: the rows summed by their weights first (a row's weights
  // sum to part.height units, times 255: 32 bits), then the columns (64 bits).
  inBands(height, [&](int first, int end) {
    std::vector<std::uint32_t> rows(rowBytes);
    for (int v = first; v < end; ++v) {
      std::fill(rows.begin(), rows.end(), 0);
      const std::int64_t top = v * down.in, bottom = (v + 1) * down.in;
      for (std::int64_t y = top / down.out; y * down.out < bottom; ++y) {
        const auto weight =
            static_cast<std::uint32_t>(std::min((y + 1) * down.out, bottom) - std::max(y * down.out, top));
        addWeighted(rows.data(),
                    reinterpret_cast<const std::uint8_t*>(src.row(part.y + static_cast<int>(y)) + part.x),
                    weight, rowBytes);
      }
      tpixel* dst = out->row(v);
      for (const tcolumn& c : columns) {
        const std::uint32_t* a = rows.data() + std::size_t{3} * static_cast<std::size_t>(c.first);
        std::uint64_t sum[3] = {std::uint64_t{c.firstWeight} * a[0], std::uint64_t{c.firstWeight} * a[1],
                                std::uint64_t{c.firstWeight} * a[2]};
        if (c.last > c.first) {
          std::uint64_t inner[3] = {0, 0, 0};
          for (int x = c.first + 1; x < c.last; ++x) {
            a += 3;
            inner[0] += a[0], inner[1] += a[1], inner[2] += a[2];
          }
          a += 3;
          for (int k = 0; k < 3; ++k) sum[k] += whole * inner[k] + std::uint64_t{c.lastWeight} * a[k];
        }
        *dst++ = tpixel(mean(sum[0]), mean(sum[1]), mean(sum[2]));
      }
    }
  });
  return out;
}

}  // namespace

std::unique_ptr<tbitmap> reduceByArea(const tbitmap& src, int width, int height) {
  return reduceRegion(src, {0, 0, src.width, src.height}, width, height);
}

std::unique_ptr<tbitmap> reduceRegionToWidth(const tbitmap& src, tregion part, int width) {
  if (width <= 0 || width >= part.width)
    return src.crop(part.x, part.y, part.x + part.width, part.y + part.height);
  return reduceRegion(src, part, width, heightFor(part, width));
}

std::unique_ptr<tbitmap> reduceToWidth(std::unique_ptr<tbitmap> picture, int width) {
  if (width <= 0 || width >= picture->width) return picture;
  const tregion whole{0, 0, picture->width, picture->height};
  return reduceRegion(*picture, whole, width, heightFor(whole, width));
}
