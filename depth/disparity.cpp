// Dense matching of an aligned pair. Disparities here are in pixels of the
// level worked on, d = x_left - x_right of the two common regions; the map
// given back is in pixels of the files.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "depth/depth.h"
#include "platform/parallel.h"
#include "stereo/compose.h"

namespace {

constexpr float kNone = kUnknownDisparity;
// Semi-global matching runs at the largest level at most this wide; the
// levels above it are refined in a narrow range.
constexpr int kMatchWidth = 1024;
// The wide search that finds the range runs at most this wide, over a
// quarter of the width each way.
constexpr int kRangeWidth = 400;
// Pixels times disparities of one semi-global matching at most: 5 bytes each.
constexpr int kCells = 40'000'000;

using Disparities = cv::Mat_<float>;

// The common region of one picture as 8-bit luminance.
cv::Mat_<std::uint8_t> grey(const tbitmap& picture, int x0, int y0, int w, int h) {
  cv::Mat_<std::uint8_t> out(h, w);
  inBands(h, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      const tpixel* in = picture.row(y0 + y) + x0;
      std::uint8_t* o = out[y];
      for (int x = 0; x < w; ++x) o[x] = static_cast<std::uint8_t>((77 * in[x].red + 150 * in[x].green + 29 * in[x].blue + 128) >> 8);
    }
  });
  return out;
}

// Census transform of rows [first, end): one bit per neighbour of a
// (2 rx + 1) x (2 ry + 1) window, set where the neighbour is darker than the
// centre; the border repeats the edge. Padded: g bordered by rx and ry.
template <typename Bits>
void censusRows(const cv::Mat_<std::uint8_t>& padded, int rx, int ry, int first, int end, Bits* out) {
  const int w = padded.cols - 2 * rx;
  for (int y = first; y < end; ++y) {
    const std::uint8_t* c = padded[y + ry] + rx;
    Bits* o = out + static_cast<std::size_t>(y - first) * w;
    std::fill(o, o + w, Bits{0});
    for (int j = -ry; j <= ry; ++j) {
      const std::uint8_t* n = padded[y + ry + j] + rx;
      for (int i = -rx; i <= rx; ++i) {
        if (i == 0 && j == 0) continue;
        for (int x = 0; x < w; ++x) o[x] = static_cast<Bits>((o[x] << 1) | (n[x + i] < c[x] ? 1u : 0u));
      }
    }
  }
}

cv::Mat_<std::uint8_t> bordered(const cv::Mat_<std::uint8_t>& g, int rx, int ry) {
  cv::Mat_<std::uint8_t> padded;
  cv::copyMakeBorder(g, padded, ry, ry, rx, rx, cv::BORDER_REPLICATE);
  return padded;
}

// The whole picture's census.
template <typename Bits>
std::vector<Bits> census(const cv::Mat_<std::uint8_t>& g, int rx, int ry) {
  const cv::Mat_<std::uint8_t> padded = bordered(g, rx, ry);
  std::vector<Bits> out(static_cast<std::size_t>(g.cols) * g.rows);
  inBands(g.rows, [&](int first, int end) {
    censusRows(padded, rx, ry, first, end, out.data() + static_cast<std::size_t>(first) * g.cols);
  });
  return out;
}

// Semi-global matching (8 paths) of census costs over [dmin, dmax]: the
// left map, subpixel, with the pixels that fail the check against the right
// map, or match outside the right picture, unknown.
class Matcher {
 public:
  Matcher(const cv::Mat_<std::uint8_t>& left, const cv::Mat_<std::uint8_t>& right, int dmin, int dmax)
      : l_(left), w_(left.cols), h_(left.rows), dmin_(dmin), n_(dmax - dmin + 1) {
    cost_.resize(static_cast<std::size_t>(w_) * h_ * n_);
    const auto cl = census<std::uint64_t>(left, 4, 3), cr = census<std::uint64_t>(right, 4, 3);
    inBands(h_, [&](int first, int end) {
      for (int y = first; y < end; ++y)
        for (int x = 0; x < w_; ++x) {
          const std::uint64_t c = cl[static_cast<std::size_t>(y) * w_ + x];
          std::uint8_t* out = cost(x, y);
          for (int k = 0; k < n_; ++k) {
            const int xr = x - (dmin_ + k);
            out[k] = xr < 0 || xr >= w_ ? kOutside
                                        : static_cast<std::uint8_t>(std::popcount(c ^ cr[static_cast<std::size_t>(y) * w_ + xr]));
          }
        }
    });
  }

  Disparities run() {
    // The two scan orders each on a core, then summed.
    std::vector<std::uint16_t> down(cost_.size()), up;
    bothAtOnce([&] { return scan(down, false), 0; }, [&] { return up.resize(cost_.size()), scan(up, true), 0; });
    for (std::size_t i = 0; i < down.size(); ++i) down[i] = static_cast<std::uint16_t>(down[i] + up[i]);
    up = {};
    return checked(down);
  }

 private:
  static constexpr std::uint8_t kOutside = 24;  // about what a wrong match costs
  static constexpr int kP1 = 10, kP2 = 110;
  static constexpr std::uint16_t kHigh = 0x3fff;

  const cv::Mat_<std::uint8_t>& l_;
  int w_, h_, dmin_, n_;
  std::vector<std::uint8_t> cost_;

  std::uint8_t* cost(int x, int y) { return cost_.data() + (static_cast<std::size_t>(y) * w_ + x) * n_; }

  // A strong change of brightness lets the depth jump more easily.
  int penalty(int a, int b) const {
    const int step = std::abs(a - b);
    return std::max(kP1 + 1, kP2 * 12 / (12 + step));
  }

  // One path's cost at a pixel from the previous pixel on the path; the
  // arrays have one guard entry each side.
  void step(const std::uint16_t* prev, const std::uint8_t* c, std::uint16_t* out, int p2) const {
    std::uint16_t best = kHigh;
    for (int k = 0; k < n_; ++k) best = std::min(best, prev[k + 1]);
    const int jump = best + p2;
    for (int k = 0; k < n_; ++k) {
      int v = std::min<int>(prev[k + 1], std::min(prev[k], prev[k + 2]) + kP1);
      v = std::min(v, jump);
      out[k + 1] = static_cast<std::uint16_t>(c[k] + v - best);
    }
  }

  // Four paths in one pass over the rows, top down (the paths from the
  // left, above left, above and above right) or bottom up (their mirrors).
  void scan(std::vector<std::uint16_t>& sum, bool upward) {
    const int stride = n_ + 2;
    auto fresh = [&] { return std::vector<std::uint16_t>(static_cast<std::size_t>(w_ + 2) * stride, kHigh); };
    // Per path the previous row's costs (pixel x at x + 1), and this row's.
    std::array<std::vector<std::uint16_t>, 3> prev = {fresh(), fresh(), fresh()}, cur = prev;
    std::vector<std::uint16_t> along(stride, kHigh), next(stride, kHigh);
    std::vector<std::uint16_t> zero(stride, kHigh);
    std::fill(zero.begin() + 1, zero.end() - 1, 0);
    const int dirX = upward ? -1 : 1;
    for (int i = 0; i < h_; ++i) {
      const int y = upward ? h_ - 1 - i : i, py = y - (upward ? -1 : 1);
      const bool first = i == 0;
      for (int j = 0; j < w_; ++j) {
        const int x = upward ? w_ - 1 - j : j;
        const std::uint8_t* c = cost(x, y);
        const int v = l_(y, x);
        std::uint16_t* s = sum.data() + (static_cast<std::size_t>(y) * w_ + x) * n_;
        // Along the row.
        const bool start = j == 0;
        step(start ? zero.data() : along.data(), c, next.data(), start ? kP2 : penalty(v, l_(y, x - dirX)));
        std::swap(along, next);
        for (int k = 0; k < n_; ++k) s[k] = along[k + 1];
        // From the previous row: diagonal from behind, straight, diagonal from ahead.
        for (int p = 0; p < 3; ++p) {
          const int px = x + (p - 1) * dirX;
          std::uint16_t* out = cur[p].data() + static_cast<std::size_t>(x + 1) * stride;
          if (first || px < 0 || px >= w_)
            step(zero.data(), c, out, kP2);
          else
            step(prev[p].data() + static_cast<std::size_t>(px + 1) * stride, c, out, penalty(v, l_(py, px)));
          for (int k = 0; k < n_; ++k) s[k] = static_cast<std::uint16_t>(s[k] + out[k + 1]);
        }
      }
      std::swap(prev, cur);
    }
  }

  // The best disparity of each left pixel, refined by a parabola through its
  // neighbours' costs, kept where the right picture's best match agrees.
  Disparities checked(const std::vector<std::uint16_t>& sum) const {
    Disparities out(h_, w_, kNone);
    inBands(h_, [&](int first, int end) {
      std::vector<int> bestLeft(w_), bestRight(w_);
      std::vector<std::uint16_t> rightCost(w_);
      for (int y = first; y < end; ++y) {
        std::fill(rightCost.begin(), rightCost.end(), std::uint16_t{0xffff});
        std::fill(bestRight.begin(), bestRight.end(), -1);
        for (int x = 0; x < w_; ++x) {
          const std::uint16_t* s = sum.data() + (static_cast<std::size_t>(y) * w_ + x) * n_;
          int best = 0;
          for (int k = 1; k < n_; ++k)
            if (s[k] < s[best]) best = k;
          bestLeft[x] = best;
          for (int k = 0; k < n_; ++k) {
            const int xr = x - (dmin_ + k);
            if (xr >= 0 && xr < w_ && s[k] < rightCost[xr]) rightCost[xr] = s[k], bestRight[xr] = k;
          }
        }
        for (int x = 0; x < w_; ++x) {
          const int k = bestLeft[x], xr = x - (dmin_ + k);
          if (xr < 0 || xr >= w_ || bestRight[xr] < 0 || std::abs(bestRight[xr] - k) > 1) continue;
          const std::uint16_t* s = sum.data() + (static_cast<std::size_t>(y) * w_ + x) * n_;
          float sub = 0;
          if (k > 0 && k + 1 < n_) {
            const float a = s[k - 1], b = s[k], c = s[k + 1], curve = a - 2 * b + c;
            if (curve > 0) sub = std::clamp((a - c) / (2 * curve), -0.5f, 0.5f);
          }
          out(y, x) = static_cast<float>(dmin_ + k) + sub;
        }
      }
    });
    return out;
  }
};

// Small islands of disparity unlike their surroundings are wrong matches.
void dropSpeckles(Disparities& d) {
  cv::Mat_<std::int16_t> fixed(d.size());
  for (int y = 0; y < d.rows; ++y)
    for (int x = 0; x < d.cols; ++x)
      fixed(y, x) = std::isinf(d(y, x)) ? std::int16_t{-32768} : static_cast<std::int16_t>(std::lround(d(y, x) * 16));
  cv::filterSpeckles(fixed, -32768, std::max(20, d.rows * d.cols / 2000), 16);
  for (int y = 0; y < d.rows; ++y)
    for (int x = 0; x < d.cols; ++x)
      if (fixed(y, x) == -32768) d(y, x) = kNone;
}

// Each hole takes the farther of the surfaces beside it on its row (what is
// hidden in one view lies behind what hides it), then a median weighted by
// likeness of colour to the left picture smooths the filled pixels' streaks.
void fillHoles(Disparities& d, const cv::Mat_<std::uint8_t>& g) {
  const int w = d.cols, h = d.rows;
  cv::Mat_<std::uint8_t> filled(h, w, std::uint8_t{0});
  for (int y = 0; y < h; ++y) {
    float* row = d[y];
    int x = 0;
    while (x < w) {
      if (!std::isinf(row[x])) {
        ++x;
        continue;
      }
      int end = x;
      while (end < w && std::isinf(row[end])) ++end;
      const float a = x > 0 ? row[x - 1] : kNone, b = end < w ? row[end] : kNone;
      const float v = std::min(a, b);
      for (int i = x; i < end; ++i) row[i] = v, filled(y, i) = 1;
      x = end;
    }
  }
  // Rows with nothing known take the rows nearest them.
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 1; i < h; ++i) {
      const int y = pass ? h - 1 - i : i, from = pass ? y + 1 : y - 1;
      for (int x = 0; x < w; ++x)
        if (std::isinf(d(y, x)) && !std::isinf(d(from, x))) d(y, x) = d(from, x);
    }
  constexpr int r = 7;
  const Disparities source = d.clone();
  std::array<float, 256> likeness;
  for (int i = 0; i < 256; ++i) likeness[i] = std::exp(static_cast<float>(-i) / 12);
  inBands(h, [&](int first, int end) {
    std::vector<std::pair<float, float>> votes;
    for (int y = first; y < end; ++y)
      for (int x = 0; x < w; ++x) {
        if (!filled(y, x) || std::isinf(source(y, x))) continue;
        votes.clear();
        float total = 0;
        // Every other row and column of the window: as good a vote, a quarter of the work.
        for (int j = std::max(0, y - r); j <= std::min(h - 1, y + r); j += 2)
          for (int i = std::max(0, x - r); i <= std::min(w - 1, x + r); i += 2) {
            if (std::isinf(source(j, i))) continue;
            const float weight = likeness[std::abs(g(j, i) - g(y, x))] * (filled(j, i) ? 0.5f : 1.0f);
            votes.emplace_back(source(j, i), weight);
            total += weight;
          }
        std::sort(votes.begin(), votes.end());
        float sum = 0;
        for (auto [v, weight] : votes)
          if ((sum += weight) >= total / 2) {
            d(y, x) = v;
            break;
          }
      }
  });
}

// The disparity values [low, high] of the pixels known, between percentiles.
std::pair<float, float> spread(const Disparities& d, double low, double high) {
  std::vector<float> known;
  for (int y = 0; y < d.rows; ++y)
    for (int x = 0; x < d.cols; ++x)
      if (!std::isinf(d(y, x))) known.push_back(d(y, x));
  if (known.empty()) return {0, -1};
  auto at = [&](double q) {
    auto it = known.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(known.size() - 1));
    std::nth_element(known.begin(), it, known.end());
    return *it;
  };
  return {at(low), at(high)};
}

cv::Mat_<std::uint8_t> halved(const cv::Mat_<std::uint8_t>& g) {
  cv::Mat_<std::uint8_t> out;
  cv::resize(g, out, cv::Size((g.cols + 1) / 2, (g.rows + 1) / 2), 0, 0, cv::INTER_AREA);
  return out;
}

// A level's map from the next coarser one: each pixel searched within two
// pixels of twice the coarser value, the costs of census over 5 x 5
// summed over 5 x 5 neighbours, refined by a parabola. Chunks of rows
// reuse their buffers, so the memory stays that of a few rows.
// Into: a map of the level's size.
void refine(const Disparities& coarse, const cv::Mat_<std::uint8_t>& left, const cv::Mat_<std::uint8_t>& right,
            Disparities& into) {
  constexpr int r = 2, n = 2 * r + 1, box = 2, chunk = 64;
  const int w = left.cols, h = left.rows;
  const cv::Mat_<std::uint8_t> pl = bordered(left, 2, 2), pr = bordered(right, 2, 2);
  Disparities out(h, w);
  inBands(h, [&](int first, int end) {
    cv::Mat_<int> centre;
    std::array<cv::Mat_<std::uint16_t>, n> costs, sums;
    std::vector<std::uint32_t> cl, cr;
    for (int c0 = first; c0 < end; c0 += chunk) {
      // The chunk's rows and the box's margin.
      const int c1 = std::min(end, c0 + chunk), y0 = std::max(0, c0 - box), y1 = std::min(h, c1 + box);
      cl.resize(static_cast<std::size_t>(y1 - y0) * w);
      cr.resize(cl.size());
      censusRows(pl, 2, 2, y0, y1, cl.data());
      censusRows(pr, 2, 2, y0, y1, cr.data());
      centre.create(y1 - y0, w);
      for (int y = y0; y < y1; ++y) {
        const float* from = coarse[std::min(y / 2, coarse.rows - 1)];
        int* to = centre[y - y0];
        for (int x = 0; x < w; ++x) to[x] = static_cast<int>(std::lround(2 * from[std::min(x / 2, coarse.cols - 1)]));
      }
      for (int k = 0; k < n; ++k) {
        costs[k].create(y1 - y0, w);
        for (int y = y0; y < y1; ++y) {
          const std::uint32_t* a = cl.data() + static_cast<std::size_t>(y - y0) * w;
          const std::uint32_t* b = cr.data() + static_cast<std::size_t>(y - y0) * w;
          const int* c = centre[y - y0];
          std::uint16_t* o = costs[k][y - y0];
          for (int x = 0; x < w; ++x) {
            const int xr = x - c[x] - (k - r);
            o[x] = xr < 0 || xr >= w ? std::uint16_t{12} : static_cast<std::uint16_t>(std::popcount(a[x] ^ b[xr]));
          }
        }
        cv::boxFilter(costs[k], sums[k], CV_16U, cv::Size(2 * box + 1, 2 * box + 1), cv::Point(-1, -1), false,
                      cv::BORDER_REPLICATE);
      }
      for (int y = c0; y < c1; ++y) {
        const int* c = centre[y - y0];
        std::array<const std::uint16_t*, n> s;
        for (int k = 0; k < n; ++k) s[k] = sums[k][y - y0];
        float* o = out[y];
        for (int x = 0; x < w; ++x) {
          int best = 0;
          for (int k = 1; k < n; ++k)
            if (s[k][x] < s[best][x]) best = k;
          float sub = 0;
          if (best > 0 && best + 1 < n) {
            const float a = s[best - 1][x], b = s[best][x], cc = s[best + 1][x], curve = a - 2 * b + cc;
            if (curve > 0) sub = std::clamp((a - cc) / (2 * curve), -0.5f, 0.5f);
          }
          o[x] = static_cast<float>(c[x] + best - r) + sub;
        }
      }
    }
  });
  cv::medianBlur(out, into, 3);
}

// The matched and filled map of a level, over [dmin, dmax].
Disparities matched(const cv::Mat_<std::uint8_t>& left, const cv::Mat_<std::uint8_t>& right, int dmin,
                    int dmax) {
  Disparities d = Matcher(left, right, dmin, dmax).run();
  dropSpeckles(d);
  fillHoles(d, left);
  return d;
}

}  // namespace

Result<DisparityMap> disparityMap(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                                  MapDetail detail) {
  if (!positionFits(dx, dy, left, right)) return Error{kPositionDoesNotFit};
  const Overlap o = pairOverlap(dx, dy, left, right);
  if (o.w <= 0 || o.h <= 0) return Error{"The pictures have no region in common at this position"};
  auto [gl, gr] = bothAtOnce([&] { return grey(left, o.leftX, o.leftY, o.w, o.h); },
                             [&] { return grey(right, o.rightX, o.rightY, o.w, o.h); });
  // The pyramid, halved down to the matching level.
  using Level = std::pair<cv::Mat_<std::uint8_t>, cv::Mat_<std::uint8_t>>;
  std::vector<Level> levels{{gl, gr}};
  while (levels.back().first.cols > kMatchWidth && levels.back().first.rows > 16)
    levels.emplace_back(halved(levels.back().first), halved(levels.back().second));
  // The range: a wide search at a reduced size, widened for what it missed.
  Level small = levels.back();
  int scale = 1;
  while (small.first.cols > kRangeWidth && small.first.rows > 16) {
    small = {halved(small.first), halved(small.second)};
    scale *= 2;
  }
  const int reach = std::clamp(small.first.cols / 4, 4, std::max(4, kCells / (2 * small.first.cols * small.first.rows)));
  int dmin = -reach, dmax = reach;
  if (scale > 1) {
    Disparities wide = Matcher(small.first, small.second, -reach, reach).run();
    dropSpeckles(wide);
    auto [low, high] = spread(wide, 0.005, 0.995);
    if (high < low) low = high = 0;
    auto range = [&, low = low, high = high](int by) {
      const auto f = static_cast<float>(by);
      const int margin = std::max(3, static_cast<int>((high - low) * f / 8));
      return std::pair{static_cast<int>(std::floor(low * f)) - margin, static_cast<int>(std::ceil(high * f)) + margin};
    };
    // A range too deep for the memory is matched at a coarser level.
    auto cells = [&](int by) {
      const auto [a, b] = range(by);
      return std::int64_t{levels.back().first.cols} * levels.back().first.rows * (b - a + 1);
    };
    while (scale > 1 && cells(scale) > kCells) {
      levels.emplace_back(halved(levels.back().first), halved(levels.back().second));
      scale /= 2;
    }
    std::tie(dmin, dmax) = range(scale);
  }
  Disparities d = matched(levels.back().first, levels.back().second, dmin, dmax);
  const bool known = std::any_of(d.begin(), d.end(), [](float v) { return !std::isinf(v); });
  if (!known) d = Disparities(o.h, o.w, kNone);
  if (detail == MapDetail::Coarse && known) {
    const double step = static_cast<double>(o.w) / d.cols;
    DisparityMap coarse{d.cols, d.rows, std::vector<float>(d.total()), step};
    Disparities values(d.rows, d.cols, coarse.values.data());
    d.convertTo(values, CV_32F, step, o.leftX - o.rightX);  // unknown stays inf
    return coarse;
  }
  // The finest level's map is made in the one given back.
  DisparityMap map{o.w, o.h, std::vector<float>(static_cast<std::size_t>(o.w) * o.h)};
  Disparities finest(o.h, o.w, map.values.data());
  for (std::size_t i = levels.size() - 1; known && i-- > 0;) {
    Disparities next = i == 0 ? finest : Disparities(levels[i].first.size());
    refine(d, levels[i].first, levels[i].second, next);
    d = next;
  }
  if (d.data != finest.data) d.copyTo(finest);
  finest += static_cast<float>(o.leftX - o.rightX);  // unknown stays inf
  return map;
}
