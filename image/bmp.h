#pragma once
// The BMP file format on a byte source: the headers and palette are read and
// checked against the source's size first, then rows as they are asked for.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/picture.h"
#include "image/tbitmap.h"
#include "image/limits.h"
#include "platform/result.h"
#include "platform/source.h"

inline constexpr std::size_t kBmpHeaderBytes = 54;  // file header + 40-byte info header


// The 54 header bytes, field by field, as stored.
struct BmpHeader {
  std::uint16_t signature = 0;
  std::uint32_t fileSize = 0;
  std::uint32_t dataOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored top-down
  std::uint16_t planes = 0;
  std::uint16_t bitsPerPixel = 0;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::int32_t xPixelsPerMetre = 0;
  std::int32_t yPixelsPerMetre = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t importantColours = 0;
};
// Error when fewer than 54 bytes are given.
Result<BmpHeader> readBmpHeader(std::span<const std::uint8_t> bytes);

// Where the pixels of a file are, once the headers and the palette were
// checked against the file's size. Depths other than 8 are laid out as 24-bit.
struct BmpLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;  // always positive
  bool topDown = false;
  int bits = 24;           // 8 or 24
  std::size_t stride = 0;  // bytes per file row, padding included
  std::size_t dataOffset = 0;
  std::array<tpixel, 256> palette{};  // 8-bit only; entries the file lacks are black

  // Offset in the file of file row k (k = 0 first) and the picture row it holds.
  std::size_t rowOffset(std::int32_t k) const { return dataOffset + static_cast<std::size_t>(k) * stride; }
  std::int32_t pictureRow(std::int32_t k) const { return topDown ? k : height - 1 - k; }
  // Bytes of one row that hold pixels (the padding may be missing from the last row).
  std::size_t rowBytes() const { return static_cast<std::size_t>(width) * (bits == 8 ? 1 : 3); }
};
// Reads the headers and the palette the layout needs, wherever they end, and
// checks the rows against the source's size.
Result<BmpLayout> parseBmpLayout(const ByteSource& source);
// Decodes one file row of at least layout.rowBytes() bytes into width pixels.
void decodeBmpRow(const BmpLayout& layout, const std::uint8_t* fileRow, tpixel* out);

// Pixels to file bytes and back: red and blue change places, pixels * 3 bytes.
void swapRedBlue(const std::uint8_t* in, std::uint8_t* out, std::size_t pixels);

// An uncompressed 24-bit file with the fixed header values of our writer.
std::vector<std::uint8_t> encodeBmp(const tbitmap& picture);
// An 8-bit file with the 3-3-2 palette: entry i = ((i >> 5 & 7) * 255 / 7,
// (i >> 2 & 7) * 255 / 7, (i & 3) * 255 / 3); pixel (r, g, b) is stored as
// index (r >> 5) << 5 | (g >> 5) << 2 | b >> 6.
std::vector<std::uint8_t> encodeBmp332(const tbitmap& picture);
tpixel palette332(int i);

// Rows y0 .. y0 + count - 1 of a picture being written, top first: in the
// buffer given (width pixels apart) or wherever they already are.
struct BmpRows {
  const tpixel* first = nullptr;
  std::ptrdiff_t stride = 0;  // pixels from one row to the next
};
using BmpRowSource = std::function<Result<BmpRows>(std::int32_t y0, std::int32_t count, tpixel* buffer)>;
// The file encodeBmp gives for a width x height picture, written atomically
// in blocks as the rows come: memory does not grow with the picture. An
// error of the rows is returned as it stands, nothing being written.
Status writeBmpRows(const std::string& path, std::int32_t width, std::int32_t height,
                    const BmpRowSource& rows);
// A whole picture so: a 24-bit BMP, written atomically. Error: one line naming the file.
Status saveBmp(const tbitmap& picture, const std::string& path);

// The same file from rows as the file stores them (blue, green, red):
// rows(y0, count, out, stride) fills picture rows y0 .. y0 + count - 1, top
// first, `stride` bytes apart (the padding is left alone). Blocks of rows are
// made on every core at once; rows is called from several threads.
using BmpFileRowSource =
    std::function<Status(std::int32_t y0, std::int32_t count, std::uint8_t* out, std::ptrdiff_t stride)>;
Status writeBmpFileRows(const std::string& path, std::int32_t width, std::int32_t height,
                        const BmpFileRowSource& rows);

// Any source: its reader takes other depths as 24-bit. Its check, for the
// loading commands: "Must be an 8 or 24 bit bitmap", "Cannot handle
// compressed bitmaps" (depth tested first), or a one-line error for a source
// that cannot be read or is shorter than its header.
extern const PictureDecoder bmpDecoder;
