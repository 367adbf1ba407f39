// What a disparity map tells of the pair on a screen, and the map written out.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "depth/depth.h"
#include "image/png.h"
#include "platform/files.h"

namespace {

std::vector<float> known(const DisparityMap& map) {
  std::vector<float> out;
  out.reserve(map.values.size());
  for (float v : map.values)
    if (!std::isinf(v)) out.push_back(v);
  return out;
}

// The q-th quantile (0..1) of the values, interpolated between ranks.
double quantile(std::vector<float>& values, double q) {
  const double rank = q * static_cast<double>(values.size() - 1);
  const auto below = static_cast<std::size_t>(rank);
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(below), values.end());
  const double a = values[below];
  if (below + 1 >= values.size()) return a;
  const double b = *std::min_element(values.begin() + static_cast<std::ptrdiff_t>(below) + 1, values.end());
  return a + (b - a) * (rank - static_cast<double>(below));
}

}  // namespace

Result<ParallaxBudget> parallaxBudget(const DisparityMap& map, std::int32_t dx) {
  std::vector<float> d = known(map);
  if (d.empty()) return Error{"No part of the pictures could be matched"};
  ParallaxBudget b;
  // p = -d - dx: the nearest pixels have the largest disparity.
  b.nearest = -quantile(d, 0.98) - dx;
  b.farthest = -quantile(d, 0.02) - dx;
  b.deviation = (b.farthest - b.nearest) / (map.width * map.step) * 100;
  // A strip counts as touched when more than 1 % of its known pixels stand in
  // front of the window: a few wrong matches do not make a warning.
  const int strip = std::max(1, map.width / 50);
  auto touched = [&](int x0) {
    std::size_t front = 0, all = 0;
    for (int y = 0; y < map.height; ++y)
      for (int x = x0; x < x0 + strip; ++x)
        if (const float v = map.at(x, y); !std::isinf(v)) {
          ++all;
          front += -v - static_cast<float>(dx) < 0;
        }
    return all > 0 && front * 100 > all;
  };
  b.leftEdge = touched(0);
  b.rightEdge = touched(map.width - strip);
  return b;
}

std::vector<std::string> parallaxWarnings(const ParallaxBudget& budget, double maxDeviation) {
  std::vector<std::string> out;
  char text[160];
  if (budget.deviation > maxDeviation) {
    std::snprintf(text, sizeof text, "Warning: deviation %.2f %% is over %g %%: the pair may be hard to fuse",
                  budget.deviation, maxDeviation);
    out.emplace_back(text);
  }
  for (auto [touched, side] : {std::pair{budget.leftEdge, "left"}, std::pair{budget.rightEdge, "right"}})
    if (touched) out.push_back(std::string("Warning: something nearer than the window touches the ") + side + " edge");
  return out;
}

tbitmap depthPicture(const DisparityMap& map) {
  tbitmap out(map.width, map.height);
  std::vector<float> d = known(map);
  if (d.empty()) return out;
  const double far = quantile(d, 0.02), near = quantile(d, 0.98);
  const double scale = near > far ? 255 / (near - far) : 0;
  for (int y = 0; y < map.height; ++y) {
    tpixel* row = out.row(y);
    for (int x = 0; x < map.width; ++x) {
      const float v = map.at(x, y);
      if (std::isinf(v)) continue;
      const int g = static_cast<int>(std::lround(std::clamp((v - far) * scale, 0.0, 255.0)));
      row[x] = tpixel(g, g, g);
    }
  }
  return out;
}

bool isDepthName(const std::string& name) {
  const std::string ext = lowerExtension(name);
  return ext == ".png" || ext == ".pfm";
}

Status saveDisparityMap(const DisparityMap& map, const std::string& path) {
  if (lowerExtension(path) == ".png") {
    std::vector<std::uint16_t> values(map.values.size());
    std::transform(map.values.begin(), map.values.end(), values.begin(), [](float v) {
      return std::isinf(v) || v <= 0 ? std::uint16_t{0}
                                     : static_cast<std::uint16_t>(std::min(65535.0f, std::round(v * 256)));
    });
    auto bytes = encodeGrey16Png(map.width, map.height, values);
    if (!bytes) return Error{"Cannot write " + printable(path) + ": " + bytes.error().message, ErrorKind::CannotWrite};
    return writeFileAtomically(path, *bytes);
  }
  // Middlebury's PFM: a negative scale for little-endian floats, the bottom row first.
  const std::string header = "Pf\n" + std::to_string(map.width) + " " + std::to_string(map.height) + "\n-1\n";
  std::vector<std::uint8_t> bytes(header.begin(), header.end());
  bytes.reserve(header.size() + map.values.size() * 4);
  for (int y = map.height - 1; y >= 0; --y)
    for (int x = 0; x < map.width; ++x) {
      const auto bits = std::bit_cast<std::uint32_t>(map.at(x, y));
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
  return writeFileAtomically(path, bytes);
}
