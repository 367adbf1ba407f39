#include "tools/scenario/testfiles.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

class LittleEndianWriter {
 public:
  explicit LittleEndianWriter(Bytes& out) : out_(out) {}
  void u8(unsigned v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  void u16(unsigned v) {
    u8(v & 0xFF);
    u8(v >> 8 & 0xFF);
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }

 private:
  Bytes& out_;
};

std::uint32_t readU32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void paletteEntry(unsigned i, unsigned& r, unsigned& g, unsigned& b) {
  r = ((i >> 5) & 7) * 255 / 7;
  g = ((i >> 2) & 7) * 255 / 7;
  b = (i & 3) * 255 / 3;
}

unsigned paletteIndex(unsigned r, unsigned g, unsigned b) { return (r >> 5) << 5 | (g >> 5) << 2 | (b >> 6); }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TestPicture makePicture(int width, int height, const PatternArgs& pattern) {
  TestPicture p{width, height, Bytes(static_cast<std::size_t>(width) * height * 3)};
  std::uint32_t state = pattern.a == 0 ? 1 : pattern.a;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<std::uint8_t>(state);
  };
  std::uint8_t* out = p.rgb.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, out += 3) {
      switch (pattern.kind) {
        case Pattern::Gradient:
          out[0] = static_cast<std::uint8_t>(x);
          out[1] = static_cast<std::uint8_t>(y);
          out[2] = static_cast<std::uint8_t>(x + y);
          break;
        case Pattern::Solid:
          out[0] = static_cast<std::uint8_t>(pattern.a);
          out[1] = static_cast<std::uint8_t>(pattern.b);
          out[2] = static_cast<std::uint8_t>(pattern.c);
          break;
        case Pattern::Noise:
          out[0] = next();
          out[1] = next();
          out[2] = next();
          break;
        case Pattern::Checker: {
          const int n = static_cast<int>(pattern.a);
          const std::uint8_t v = (x / n + y / n) % 2 == 0 ? 0 : 255;
          out[0] = out[1] = out[2] = v;
          break;
        }
      }
    }
  }
  return p;
}

TestPicture pictureOf(const Framebuffer& fb) { return {fb.width, fb.height, fb.rgb}; }

Bytes encodeBmp(const TestPicture& picture, int bitsPerPixel) {
  const std::uint32_t w = static_cast<std::uint32_t>(picture.width);
  const std::uint32_t h = static_cast<std::uint32_t>(picture.height);
  const std::uint32_t stride = (w * static_cast<std::uint32_t>(bitsPerPixel) + 31) / 32 * 4;
  const std::uint32_t paletteSize = bitsPerPixel == 8 ? 256 * 4 : 0;
  const std::uint32_t dataOffset = 14 + 40 + paletteSize;
  Bytes out;
  out.reserve(dataOffset + stride * h);
  LittleEndianWriter le(out);
  le.u8('B');
  le.u8('M');
  le.u32(dataOffset + stride * h);  // file size
  le.u32(0);                        // reserved
  le.u32(dataOffset);
  le.u32(40);  // information header size
  le.u32(w);
  le.u32(h);  // positive: bottom-up
  le.u16(1);  // planes
  le.u16(static_cast<unsigned>(bitsPerPixel));
  le.u32(0);  // no compression
  le.u32(stride * h);
  le.u32(2835);  // 72 dpi
  le.u32(2835);
  le.u32(bitsPerPixel == 8 ? 256 : 0);  // colours used
  le.u32(0);                            // colours important
  for (unsigned i = 0; paletteSize != 0 && i < 256; ++i) {
    unsigned r, g, b;
    paletteEntry(i, r, g, b);
    le.u8(b);
    le.u8(g);
    le.u8(r);
    le.u8(0);
  }
  for (std::uint32_t row = h; row-- > 0;) {
    const std::uint8_t* px = picture.rgb.data() + static_cast<std::size_t>(row) * w * 3;
    for (std::uint32_t x = 0; x < w; ++x, px += 3) {
      if (bitsPerPixel == 8) {
        le.u8(paletteIndex(px[0], px[1], px[2]));
      } else {
        le.u8(px[2]);
        le.u8(px[1]);
        le.u8(px[0]);
      }
    }
    for (std::uint32_t pad = w * static_cast<std::uint32_t>(bitsPerPixel) / 8; pad < stride; ++pad) le.u8(0);
  }
  return out;
}

Status writeBytes(const std::string& path, const Bytes& bytes) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) return Error{"cannot write " + path};
  return success();
}

std::optional<Bytes> readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  Bytes bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  if (f.bad()) return std::nullopt;
  return bytes;
}

Result<Bytes> parseHex(const std::vector<std::string>& words) {
  Bytes bytes;
  for (const std::string& word : words) {
    if (word.size() % 2 != 0) return Error{"odd number of hex digits in " + word};
    for (std::size_t i = 0; i < word.size(); i += 2) {
      const int hi = hexDigit(word[i]);
      const int lo = hexDigit(word[i + 1]);
      if (hi < 0 || lo < 0) return Error{"not hex: " + word};
      bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
  }
  return bytes;
}

std::string toHex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (std::uint8_t b : bytes) {
    if (!s.empty()) s += ' ';
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

std::optional<BmpSize> bmpSize(const Bytes& bytes) {
  if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  BmpSize s{static_cast<std::int32_t>(readU32(bytes, 18)), static_cast<std::int32_t>(readU32(bytes, 22))};
  if (s.height < 0 && s.height != INT32_MIN) s.height = -s.height;
  return s;
}
