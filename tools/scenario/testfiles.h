#pragma once
// The files scripts make and inspect: test pictures, raw bytes, BMP sizes.
// Written independently of the program's own BMP code, so that a fault there
// cannot hide itself in both the input and the check.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/framebuffer.h"
#include "platform/result.h"

using Bytes = std::vector<std::uint8_t>;

// A picture in memory: rows from the top, r, g, b.
struct TestPicture {
  int width = 0;
  int height = 0;
  Bytes rgb;
};

enum class Pattern { Gradient, Solid, Noise, Checker, Texture };
struct PatternArgs {
  Pattern kind = Pattern::Gradient;
  std::uint32_t a = 0, b = 0, c = 0;  // Solid: r g b; Noise, Texture: seed; Checker: cell size
};

TestPicture makePicture(int width, int height, const PatternArgs& pattern);
TestPicture pictureOf(const Framebuffer& fb);

// Bottom-up BMP, 24-bit or 8-bit with the 3-3-2 palette.
Bytes encodeBmp(const TestPicture& picture, int bitsPerPixel);

// JPEG (cjpeg, quality 100, no chroma subsampling) and PNG (pnmtopng) made by
// other programs from the picture.
Result<Bytes> encodeByTool(const TestPicture& picture, const std::string& format);
// An MPO of two JPEG files: their bytes one after the other with padding
// bytes between, the first with an APP2 index (little-endian) of two views.
Result<Bytes> assembleMpo(const Bytes& left, const Bytes& right, std::size_t padding);
// What other programs see in a picture file: "JPEG 40x30", "PNG 40x30", and
// for a file with several images " 2 images" after it.
std::string describeByTool(const std::string& path);

// Parent folders are made as needed.
Status writeBytes(const std::string& path, const Bytes& bytes);
std::optional<Bytes> readBytes(const std::string& path);

// Words of pairs of hex digits, e.g. "07" "0700F4FF", run together.
Result<Bytes> parseHex(const std::vector<std::string>& words);
std::string toHex(const Bytes& bytes);

struct BmpSize {
  std::int32_t width = 0, height = 0;
};
// Width and height (top-down files give their height as positive) of a file
// starting with "BM" and a header long enough to hold them.
std::optional<BmpSize> bmpSize(const Bytes& bytes);
