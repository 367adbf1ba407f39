#include "image/palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "platform/parallel.h"

namespace {

constexpr int kColours = 256;
constexpr int kRefinements = 4;  // k-means rounds: the gain is small after a few
constexpr int kCells = 1 << 18;  // 6 bits of each channel

int cellOf(tpixel p) { return (p.red >> 2) << 12 | (p.green >> 2) << 6 | (p.blue >> 2); }

// An occupied cell: how many pixels fell in it and their mean colour.
struct Cell {
  std::array<float, 3> mean;
  double weight;
  int id;  // cellOf its pixels
};

// Weighted sums of a set of cells, from which its squared error follows.
struct Moments {
  double weight = 0;
  std::array<double, 3> sum{}, squares{};
  void add(const Cell& c) {
    weight += c.weight;
    for (int k = 0; k < 3; ++k) {
      sum[k] += c.weight * c.mean[k];
      squares[k] += c.weight * c.mean[k] * c.mean[k];
    }
  }
  Moments minus(const Moments& part) const {
    Moments rest = *this;
    rest.weight -= part.weight;
    for (int k = 0; k < 3; ++k) {
      rest.sum[k] -= part.sum[k];
      rest.squares[k] -= part.squares[k];
    }
    return rest;
  }
  double spread(int k) const { return weight > 0 ? squares[k] - sum[k] * sum[k] / weight : 0; }
  double error() const { return spread(0) + spread(1) + spread(2); }
};

struct Box {
  std::size_t begin, end;  // cells
  double error;            // 0 when it cannot be split
};

Moments momentsOf(const std::vector<Cell>& cells, std::size_t begin, std::size_t end) {
  Moments m;
  for (std::size_t i = begin; i < end; ++i) m.add(cells[i]);
  return m;
}

Box boxOf(std::size_t begin, std::size_t end, double error) {
  return {begin, end, end - begin > 1 ? error : 0};
}

// Splits the box along its widest channel where the two halves' squared
// error is least; the cells are reordered within the box.
std::pair<Box, Box> split(std::vector<Cell>& cells, const Box& box) {
  const Moments all = momentsOf(cells, box.begin, box.end);
  int axis = 0;
  for (int k = 1; k < 3; ++k)
    if (all.spread(k) > all.spread(axis)) axis = k;
  std::sort(cells.begin() + box.begin, cells.begin() + box.end,
            [axis](const Cell& a, const Cell& b) { return a.mean[axis] < b.mean[axis]; });
  Moments first;
  std::size_t at = box.begin + 1;
  double best = std::numeric_limits<double>::infinity(), firstError = 0, secondError = 0;
  for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
    first.add(cells[i]);
    const double a = first.error(), b = all.minus(first).error();
    if (a + b < best) {
      best = a + b;
      at = i + 1;
      firstError = a;
      secondError = b;
    }
  }
  return {boxOf(box.begin, at, firstError), boxOf(at, box.end, secondError)};
}

using Palette = std::vector<std::array<float, 3>>;

std::uint8_t nearest(const Palette& palette, const std::array<float, 3>& c) {
  std::size_t best = 0;
  float bestDistance = std::numeric_limits<float>::infinity();
  for (std::size_t j = 0; j < palette.size(); ++j) {
    const float dr = palette[j][0] - c[0], dg = palette[j][1] - c[1], db = palette[j][2] - c[2];
    const float d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = j;
    }
  }
  return static_cast<std::uint8_t>(best);
}

void assign(const Palette& palette, const std::vector<Cell>& cells, std::vector<std::uint8_t>& to) {
  inBands(static_cast<int>(cells.size()), [&](int first, int end) {
    for (int i = first; i < end; ++i)
      to[static_cast<std::size_t>(i)] = nearest(palette, cells[static_cast<std::size_t>(i)].mean);
  });
}

}  // namespace

IndexedPictures reduceColours(std::span<const tbitmap* const> pictures) {
  struct Bin {
    std::uint64_t count = 0;
    std::array<std::uint64_t, 3> sum{};
  };
  std::vector<Bin> bins(kCells);
  for (const tbitmap* picture : pictures)
    for (int y = 0; y < picture->height; ++y)
      for (const tpixel* p = picture->row(y); p != picture->row(y) + picture->width; ++p) {
        Bin& b = bins[static_cast<std::size_t>(cellOf(*p))];
        ++b.count;
        b.sum[0] += p->red;
        b.sum[1] += p->green;
        b.sum[2] += p->blue;
      }
  std::vector<Cell> cells;
  for (int id = 0; id < kCells; ++id)
    if (const Bin& b = bins[static_cast<std::size_t>(id)]; b.count) {
      const auto n = static_cast<double>(b.count);
      auto mean = [&](int k) { return static_cast<float>(static_cast<double>(b.sum[k]) / n); };
      cells.push_back({{mean(0), mean(1), mean(2)}, n, id});
    }

  std::vector<Box> boxes{boxOf(0, cells.size(), momentsOf(cells, 0, cells.size()).error())};
  while (boxes.size() < kColours) {
    const auto widest = std::max_element(boxes.begin(), boxes.end(),
                                         [](const Box& a, const Box& b) { return a.error < b.error; });
    if (widest->error <= 0) break;
    const auto [first, second] = split(cells, *widest);
    *widest = first;
    boxes.push_back(second);
  }
  Palette palette;
  for (const Box& box : boxes) {
    const Moments m = momentsOf(cells, box.begin, box.end);
    palette.push_back({static_cast<float>(m.sum[0] / m.weight), static_cast<float>(m.sum[1] / m.weight),
                       static_cast<float>(m.sum[2] / m.weight)});
  }

  std::vector<std::uint8_t> chosen(cells.size());
  for (int round = 0; round < kRefinements; ++round) {
    assign(palette, cells, chosen);
    std::vector<Moments> members(palette.size());
    for (std::size_t i = 0; i < cells.size(); ++i) members[chosen[i]].add(cells[i]);
    for (std::size_t j = 0; j < palette.size(); ++j)
      if (members[j].weight > 0)
        for (int k = 0; k < 3; ++k) palette[j][k] = static_cast<float>(members[j].sum[k] / members[j].weight);
  }

  IndexedPictures out;
  for (auto& c : palette) {
    for (float& v : c) v = std::round(v);
    out.colours.emplace_back(static_cast<int>(c[0]), static_cast<int>(c[1]), static_cast<int>(c[2]));
  }
  // Each cell's colour is the one nearest its mean, among those the file holds.
  assign(palette, cells, chosen);
  std::vector<std::uint8_t> table(kCells);
  for (std::size_t i = 0; i < cells.size(); ++i) table[static_cast<std::size_t>(cells[i].id)] = chosen[i];
  std::size_t total = 0;
  for (const tbitmap* picture : pictures) total += static_cast<std::size_t>(picture->width) * picture->height;
  out.indexes.reserve(total);
  for (const tbitmap* picture : pictures)
    for (int y = 0; y < picture->height; ++y)
      for (const tpixel* p = picture->row(y); p != picture->row(y) + picture->width; ++p)
        out.indexes.push_back(table[static_cast<std::size_t>(cellOf(*p))]);
  return out;
}
