#include "tools/scenario/testfiles.h"
#include "testing/scene.h"

#include <unistd.h>

#include <cstdio>
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
        case Pattern::Texture: {  // smooth value noise, as a photo's surfaces
          const tpixel t = sceneTexture(static_cast<int>(pattern.a % 7), x, y, 6);
          out[0] = t.red, out[1] = t.green, out[2] = t.blue;
          break;
        }
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

namespace {

std::string runTool(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

std::string quotedPath(const std::string& path) { return "'" + path + "'"; }

}  // namespace

Result<Bytes> encodeByTool(const TestPicture& picture, const std::string& format) {
  const std::string base =
      std::filesystem::temp_directory_path() / ("binoxa-scenario-" + std::to_string(::getpid()));
  Bytes ppm;
  const std::string head =
      "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
  ppm.insert(ppm.end(), head.begin(), head.end());
  ppm.insert(ppm.end(), picture.rgb.begin(), picture.rgb.end());
  if (Status s = writeBytes(base + ".ppm", ppm); !s) return s.error();
  const std::string tool = format == "jpeg" ? "cjpeg -quality 100 -sample 1x1 " : "pnmtopng ";
  runTool(tool + quotedPath(base + ".ppm") + " > " + quotedPath(base + ".out") + " 2>/dev/null");
  auto bytes = readBytes(base + ".out");
  std::filesystem::remove(base + ".ppm");
  std::filesystem::remove(base + ".out");
  if (!bytes || bytes->empty()) return Error{"cannot make a " + format + " file (cjpeg, pnmtopng)"};
  return *bytes;
}

Result<Bytes> assembleMpo(const Bytes& left, const Bytes& right, std::size_t padding) {
  if (left.size() < 2 || right.size() < 2) return Error{"the views must be JPEG files"};
  // "MPF\0", TIFF header, IFD of two tags (number, entries), two entries.
  Bytes seg = {'M', 'P', 'F', 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0};
  auto put = [&seg](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) seg.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const std::uint32_t entriesAt = 8 + 2 + 2 * 12 + 4;
  put(0xB001, 2), put(4, 2), put(1, 4), put(2, 4);
  put(0xB002, 2), put(7, 2), put(32, 4), put(entriesAt, 4);
  put(0, 4);
  const std::size_t segmentBytes = 4 + seg.size() + 32;  // marker, length, payload
  const auto firstSize = static_cast<std::uint32_t>(left.size() + segmentBytes);
  const std::uint32_t base = 2 + 4 + 4;  // SOI, marker and length, "MPF\0"
  put(0x20020002, 4), put(firstSize, 4), put(0, 4), put(0, 4);
  put(0x020002, 4), put(static_cast<std::uint32_t>(right.size()), 4);
  put(static_cast<std::uint32_t>(firstSize + padding - base), 4), put(0, 4);
  Bytes out = {0xFF,
               0xD8,
               0xFF,
               0xE2,
               static_cast<std::uint8_t>((seg.size() + 2) >> 8),
               static_cast<std::uint8_t>(seg.size() + 2)};
  out.insert(out.end(), seg.begin(), seg.end());
  out.insert(out.end(), left.begin() + 2, left.end());
  out.insert(out.end(), padding, 0);
  out.insert(out.end(), right.begin(), right.end());
  return out;
}

std::string describeByTool(const std::string& path) {
  std::string d = runTool("identify -format '%m %wx%h\\n' " + quotedPath(path + "[0]") + " 2>/dev/null");
  const std::string images = runTool("exiftool -s3 -NumberOfImages " + quotedPath(path) + " 2>/dev/null");
  if (!images.empty()) d += " " + images + " images";
  return d;
}
