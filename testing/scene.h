#pragma once
// Synthetic pairs with a known alignment: a textured background and
// rectangles at several depths, each layer shifted in the right picture by its
// own disparity and all by one vertical offset.
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "image/tbitmap.h"

struct SceneLayer {
  int x, y, w, h;  // in left-picture pixels; the first layer is the background
  int disparity;   // right pixel = left pixel + (disparity, dy)
};

// Smooth value noise: random grey levels on a grid of `cell` pixels, blended
// bilinearly, tinted per layer.
inline tpixel sceneTexture(int layer, int u, int v, int cell) {
  auto at = [&](int i, int j) {
    std::uint32_t h = static_cast<std::uint32_t>(i) * 73856093u ^ static_cast<std::uint32_t>(j) * 19349663u ^
                      static_cast<std::uint32_t>(layer + 1) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<int>(h & 255);
  };
  const int i = u >= 0 ? u / cell : (u - cell + 1) / cell, j = v >= 0 ? v / cell : (v - cell + 1) / cell;
  const int fu = u - i * cell, fv = v - j * cell;
  const int top = at(i, j) * (cell - fu) + at(i + 1, j) * fu;
  const int bottom = at(i, j + 1) * (cell - fu) + at(i + 1, j + 1) * fu;
  const int g = (top * (cell - fv) + bottom * fv) / (cell * cell);
  return tpixel(g, (g + 40 * layer) & 255, 255 - g);
}

// noise: the amplitude of independent uniform noise added to each picture.
inline std::pair<tbitmap, tbitmap> makeScene(int w, int h, const std::vector<SceneLayer>& layers, int dy,
                                             int noise, int cell, unsigned seed) {
  tbitmap left(w, h), right(w, h);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> jitter(-noise, noise);
  auto noisy = [&](tpixel p) {
    auto c = [&](int v) { return std::clamp(v + (noise ? jitter(rng) : 0), 0, 255); };
    return tpixel(c(p.red), c(p.green), c(p.blue));
  };
  // The nearest layer covering the point: later layers are nearer. The right
  // picture's pixel (x, y) shows the left point (x - disparity, y - dy).
  auto layerAt = [&](int x, int y, bool rightEye) {
    for (int k = static_cast<int>(layers.size()) - 1; k > 0; --k) {
      const SceneLayer& s = layers[k];
      const int lx = rightEye ? x - s.disparity : x, ly = rightEye ? y - dy : y;
      if (lx >= s.x && lx < s.x + s.w && ly >= s.y && ly < s.y + s.h) return k;
    }
    return 0;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      left.row(y)[x] = noisy(sceneTexture(layerAt(x, y, false), x, y, cell));
      const int k = layerAt(x, y, true);
      right.row(y)[x] = noisy(sceneTexture(k, x - layers[k].disparity, y - dy, cell));
    }
  return {std::move(left), std::move(right)};
}
