// The anaglyph export written the obvious way, as a yardstick for
// binoxa-cli: each picture read with ifstream into its own vector, every
// pixel through brightness and setPixel, the output written with ofstream.
// Only 24-bit bottom-up inputs; the output file equals binoxa-cli's.
//   export-plain LEFT RIGHT OUT DX DY
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  void setPixel(int x, int y, int r, int g, int b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    p[0] = static_cast<std::uint8_t>(r);
    p[1] = static_cast<std::uint8_t>(g);
    p[2] = static_cast<std::uint8_t>(b);
  }
  int brightness(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return p[0] + p[1] + p[2];
  }
};

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}

bool read(const char* path, Picture& pic) {
  std::ifstream in(path, std::ios::binary);
  std::uint8_t h[54];
  if (!in.read(reinterpret_cast<char*>(h), sizeof h)) return false;
  pic.width = static_cast<int>(le32(h + 18));
  pic.height = static_cast<int>(le32(h + 22));
  pic.rgb.assign(static_cast<std::size_t>(pic.width) * pic.height * 3, 0);
  in.seekg(le32(h + 10));
  std::vector<std::uint8_t> row((pic.width * 3 + 3) & ~3);
  for (int k = 0; k < pic.height; ++k) {
    if (!in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()))) return false;
    for (int x = 0; x < pic.width; ++x)
      pic.setPixel(x, pic.height - 1 - k, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
  return true;
}

void put32(std::ofstream& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.put(static_cast<char>(v >> (8 * i)));
}
void put16(std::ofstream& out, std::uint32_t v) {
  out.put(static_cast<char>(v));
  out.put(static_cast<char>(v >> 8));
}

bool write(const char* path, const Picture& pic) {
  std::ofstream out(path, std::ios::binary);
  const std::uint32_t stride = (pic.width * 3 + 3) & ~3u, size = stride * pic.height;
  out.put('B');
  out.put('M');
  put32(out, 54 + size);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, pic.width);
  put32(out, pic.height);
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, size);
  put32(out, 11810);
  put32(out, 11810);
  put32(out, 0x10000);
  put32(out, 256);
  std::vector<std::uint8_t> row(stride);
  for (int y = pic.height - 1; y >= 0; --y) {
    for (int x = 0; x < pic.width; ++x)
      for (int c = 0; c < 3; ++c)
        row[3 * x + c] = pic.rgb[(static_cast<std::size_t>(y) * pic.width + x) * 3 + 2 - c];
    out.write(reinterpret_cast<const char*>(row.data()), stride);
  }
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: export-plain LEFT RIGHT OUT DX DY\n");
    return 2;
  }
  Picture l, r;
  if (!read(argv[1], l) || !read(argv[2], r)) return 1;
  const int dx = std::atoi(argv[4]), dy = std::atoi(argv[5]);
  const int lx = std::max(0, -dx), ly = std::max(0, -dy), rx = std::max(0, dx), ry = std::max(0, dy);
  Picture out;
  out.width = std::min(l.width - lx, r.width - rx);
  out.height = std::min(l.height - ly, r.height - ry);
  out.rgb.assign(static_cast<std::size_t>(out.width) * out.height * 3, 0);
  // The default weights 255,0,0 and 0,192,128, as single-precision factors.
  const double fl = static_cast<float>(255 / 768.0), fg = static_cast<float>(192 / 768.0),
               fb = static_cast<float>(128 / 768.0);
  auto channel = [](double v) { return static_cast<int>(std::min(v, 255.0)); };
  for (int y = out.height - 1; y >= 0; --y)
    for (int x = 0; x < out.width; ++x) {
      const int L = l.brightness(lx + x, ly + y), R = r.brightness(rx + x, ry + y);
      out.setPixel(x, y, channel(L * fl), channel(R * fg), channel(R * fb));
    }
  return write(argv[3], out) ? 0 : 1;
}
