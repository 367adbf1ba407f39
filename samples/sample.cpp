#include "samples/sample.h"

#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "image/bmp.h"
#include "image/tbitmap.h"
#include "platform/files.h"

namespace {

// Integer arithmetic only, so every machine writes the same bytes.
std::uint32_t hash(int x, int y, std::uint32_t seed) {
  std::uint32_t h =
      seed ^ static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  return h ^ (h >> 15);
}

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

tpixel mix(tpixel a, tpixel b, int t) {  // t in 0..255
  return tpixel((a.red * (255 - t) + b.red * t) / 255, (a.green * (255 - t) + b.green * t) / 255,
                (a.blue * (255 - t) + b.blue * t) / 255);
}

struct Texture {
  enum Kind { Noise, Stripes, Checker } kind;
  tpixel a, b;
  int cell;
  std::uint32_t seed;

  tpixel at(int u, int v) const {
    // Fine grain everywhere: a flat area gives the eyes nothing to fuse.
    const int grain = valueNoise(u, v, 3, seed ^ 0xA5A5u) / 4;
    switch (kind) {
      case Noise:
        return mix(a, b, valueNoise(u, v, cell, seed) * 3 / 4 + grain);
      case Stripes:
        return mix(floorDiv(u + v, cell) % 2 ? a : b, tpixel(255, 255, 255), grain / 2);
      case Checker:
        return mix((floorDiv(u, cell) + floorDiv(v, cell)) % 2 ? a : b, tpixel(0, 0, 0), grain);
    }
    return a;
  }
};

struct Shape {
  enum Kind { Disc, Rect, Ring } kind;
  int x1, y1, x2, y2;  // Rect: corners; Disc, Ring: centre (x1, y1), radii x2 (outer), y2 (inner)

  bool contains(int u, int v) const {
    if (kind == Rect) return u >= x1 && u < x2 && v >= y1 && v < y2;
    const int d2 = (u - x1) * (u - x1) + (v - y1) * (v - y1);
    return d2 < x2 * x2 && (kind == Disc || d2 >= y2 * y2);
  }
  // Discs are shaded towards their rim, so they read as balls.
  int shade(int u, int v) const {
    if (kind != Disc) return 0;
    const int d2 = (u - x1) * (u - x1) + (v - y1) * (v - y1);
    return d2 * 150 / (x2 * x2);
  }
};

struct Layer {
  Shape shape;
  Texture texture;
  int disparity;  // pixels; larger is nearer, negative behind the screen
};

struct Scene {
  Texture background;
  int backgroundDisparity;
  std::vector<Layer> layers;  // nearest first
};

// Layer point u is seen at x = u + d / 2 by the left eye and at x = u - (d - d / 2)
// by the right one. The right camera sits dy rows higher, so its picture is
// shifted down by dy: the vertical misalignment a user corrects.
tbitmap render(const Scene& scene, int w, int h, bool rightEye, int dy) {
  tbitmap out(w, h);
  auto layerU = [&](int x, int d) { return rightEye ? x + (d - d / 2) : x - d / 2; };
  for (int y = 0; y < h; ++y) {
    const int v = rightEye ? y - dy : y;
    for (int x = 0; x < w; ++x) {
      tpixel p = scene.background.at(layerU(x, scene.backgroundDisparity), v);
      for (const Layer& layer : scene.layers) {
        const int u = layerU(x, layer.disparity);
        if (layer.shape.contains(u, v)) {
          p = mix(layer.texture.at(u, v), tpixel(0, 0, 0), layer.shape.shade(u, v));
          break;
        }
      }
      out.setPixel(x, y, p);
    }
  }
  return out;
}

Scene garden() {
  return {{Texture::Noise, {40, 110, 30}, {150, 190, 90}, 24, 11},
          -6,
          {{{Shape::Disc, 330, 120, 34, 0}, {Texture::Noise, {40, 60, 220}, {140, 180, 255}, 8, 12}, 20},
           {{Shape::Rect, 60, 170, 190, 300}, {Texture::Stripes, {230, 200, 40}, {200, 90, 20}, 12, 13}, 12},
           {{Shape::Disc, 250, 230, 80, 0}, {Texture::Noise, {200, 30, 30}, {255, 150, 120}, 10, 14}, 5}}};
}

Scene blocks() {
  return {{Texture::Checker, {180, 90, 60}, {220, 200, 170}, 20, 21},
          -4,
          {{{Shape::Rect, 300, 60, 420, 150}, {Texture::Stripes, {20, 20, 120}, {240, 240, 80}, 10, 22}, 18},
           {{Shape::Rect, 80, 80, 220, 200}, {Texture::Checker, {30, 160, 60}, {230, 250, 230}, 14, 23}, 10},
           {{Shape::Rect, 160, 200, 400, 320}, {Texture::Noise, {90, 30, 120}, {250, 170, 250}, 16, 24}, 3}}};
}

Scene rings() {
  return {{Texture::Noise, {20, 40, 90}, {120, 170, 230}, 40, 31},
          -8,
          {{{Shape::Ring, 240, 180, 60, 40}, {Texture::Stripes, {250, 250, 250}, {230, 60, 60}, 6, 32}, 16},
           {{Shape::Ring, 240, 180, 120, 95}, {Texture::Noise, {230, 140, 20}, {255, 230, 120}, 6, 33}, 8},
           {{Shape::Disc, 400, 80, 30, 0}, {Texture::Noise, {200, 200, 200}, {255, 255, 255}, 5, 34}, 2}}};
}

Scene marbles() {
  return {{Texture::Stripes, {60, 60, 60}, {160, 160, 150}, 16, 41},
          -2,
          {{{Shape::Disc, 100, 150, 40, 0}, {Texture::Noise, {220, 40, 180}, {255, 200, 240}, 6, 42}, 18},
           {{Shape::Disc, 220, 120, 50, 0}, {Texture::Noise, {40, 200, 60}, {200, 255, 200}, 7, 43}, 10},
           {{Shape::Disc, 320, 190, 60, 0}, {Texture::Noise, {40, 120, 220}, {200, 230, 255}, 8, 44}, 4}}};
}

}  // namespace

int valueNoise(int u, int v, int cell, std::uint32_t seed) {
  const int iu = floorDiv(u, cell), iv = floorDiv(v, cell);
  const int fu = u - iu * cell, fv = v - iv * cell;
  auto corner = [&](int a, int b) { return static_cast<int>(hash(iu + a, iv + b, seed) & 255); };
  const int top = corner(0, 0) * (cell - fu) + corner(1, 0) * fu;
  const int bottom = corner(0, 1) * (cell - fu) + corner(1, 1) * fu;
  return (top * (cell - fv) + bottom * fv) / (cell * cell);
}

Status writeSampleLibrary(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return Error{"Cannot make folder " + dir + ": " + ec.message()};
  const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
  auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return writeFileAtomically(base + name, bytes);
  };
  constexpr int kW = 480, kH = 360;

  const Scene g = garden();
  if (auto s = write("gardenL.BMP", encodeBmp(render(g, kW, kH, false, 0))); !s) return s;
  if (auto s = write("gardenR.BMP", encodeBmp(render(g, kW, kH, true, 3))); !s) return s;

  const Scene b = blocks();
  if (auto s = write("blocksL.BMP", encodeBmp332(render(b, kW, kH, false, 0))); !s) return s;
  if (auto s = write("blocksR.BMP", encodeBmp332(render(b, kW, kH, true, -2))); !s) return s;

  // The right camera framed less of the scene: a pair of different sizes.
  const Scene r = rings();
  const tbitmap ringsRight = render(r, kW, kH, true, 4);
  if (auto s = write("ringsL.BMP", encodeBmp(render(r, kW, kH, false, 0))); !s) return s;
  if (auto s = write("ringsR.BMP", encodeBmp(*ringsRight.crop(16, 8, kW - 24, kH - 12))); !s) return s;

  // Both views in one file, left view on the left, for the single-image split.
  const Scene m = marbles();
  constexpr int kHalf = 400, kSingleH = 300, kGap = 16;
  tbitmap both(2 * kHalf + kGap, kSingleH);
  both.fillRect(0, 0, both.width, both.height, 255, 255, 255);
  const tbitmap views[2] = {render(m, kHalf, kSingleH, false, 0), render(m, kHalf, kSingleH, true, 3)};
  for (int i = 0; i < 2; ++i)
    for (int y = 0; y < kSingleH; ++y)
      for (int x = 0; x < kHalf; ++x) both.setPixel(x + i * (kHalf + kGap), y, views[i].pixel(x, y));
  return write("marbles.BMP", encodeBmp(both));
}
