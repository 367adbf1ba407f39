#pragma once
// Synthetic pairs with a known alignment: a textured background and
// rectangles at several depths, each layer shifted in the right picture by its
// own disparity and all by one vertical offset.
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "image/tbitmap.h"
#include "samples/sample.h"

struct SceneLayer {
  int x, y, w, h;  // in left-picture pixels; the first layer is the background
  int disparity;   // right pixel = left pixel + (disparity, dy)
};

// The sample library's value noise, tinted per layer.
inline tpixel sceneTexture(int layer, int u, int v, int cell) {
  const int g = valueNoise(u, v, cell, static_cast<std::uint32_t>(layer + 1) * 83492791u);
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
