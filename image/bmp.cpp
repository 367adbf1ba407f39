#include "image/bmp.h"

#include <algorithm>
#include <mutex>

#include "platform/files.h"
#include "platform/littleendian.h"
#include "platform/parallel.h"

namespace {

constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
constexpr std::uint32_t kInfoSize = 40;
constexpr std::uint64_t kFileHeaderBytes = 14;

std::uint64_t strideOf(std::int64_t width, int bits) {
  return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bits / 8) + 3) & ~std::uint64_t{3};
}

}  // namespace

Result<BmpHeader> readBmpHeader(std::span<const std::uint8_t> bytes) {
  LeReader r(bytes, 0);
  BmpHeader h;
  h.signature = r.u16();
  h.fileSize = r.u32();
  r.u16();  // reserved
  r.u16();  // reserved
  h.dataOffset = r.u32();
  h.infoSize = r.u32();
  h.width = r.i32();
  h.height = r.i32();
  h.planes = r.u16();
  h.bitsPerPixel = r.u16();
  h.compression = r.u32();
  h.imageSize = r.u32();
  h.xPixelsPerMetre = r.i32();
  h.yPixelsPerMetre = r.i32();
  h.coloursUsed = r.u32();
  h.importantColours = r.u32();
  if (r.failed()) return Error{"file is shorter than a bitmap header"};
  return h;
}

Result<BmpLayout> parseBmpLayout(const ByteSource& source) {
  const std::uint64_t fileSize = source.size();
  std::array<std::uint8_t, kBmpHeaderBytes> headerBytes{};
  const std::span<std::uint8_t> head(headerBytes.data(), std::min<std::uint64_t>(fileSize, kBmpHeaderBytes));
  if (!source.readAt(0, head)) return Error{"file cannot be read"};
  auto header = readBmpHeader(head);
  if (!header) return header.error();
  const BmpHeader& h = *header;
  // Older 12-byte core headers have 16-bit fields; newer ones extend the 40 bytes.
  if (h.infoSize < kInfoSize) return Error{"unsupported bitmap header size"};
  const std::uint64_t infoEnd = kFileHeaderBytes + h.infoSize;
  if (infoEnd > fileSize) return Error{"file is shorter than its bitmap header"};

  const std::int64_t width = h.width;
  const std::int64_t height = h.height < 0 ? -std::int64_t{h.height} : std::int64_t{h.height};
  if (Status size = checkPictureSize(width, height); !size) return size.error();

  BmpLayout l;
  l.width = static_cast<std::int32_t>(width);
  l.height = static_cast<std::int32_t>(height);
  l.topDown = h.height < 0;
  l.bits = h.bitsPerPixel == 8 ? 8 : 24;
  l.stride = strideOf(width, l.bits);
  if (h.dataOffset < infoEnd) return Error{"bitmap pixel data offset out of range"};
  l.dataOffset = h.dataOffset;

  if (l.bits == 8) {
    // Colours-used 0 means a full palette; the palette cannot reach into the pixels.
    std::uint64_t count = h.coloursUsed == 0 ? 256 : std::min<std::uint64_t>(h.coloursUsed, 256);
    count = std::min<std::uint64_t>(count, (h.dataOffset - infoEnd) / 4);
    std::array<std::uint8_t, 4 * 256> entries{};
    const std::span<std::uint8_t> stored(entries.data(), 4 * count);
    if (!source.readAt(infoEnd, stored)) return Error{"file is shorter than its palette"};
    LeReader r(stored, 0);
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint8_t blue = r.u8(), green = r.u8(), red = r.u8();
      r.u8();
      l.palette[i] = tpixel(red, green, blue);
    }
  }

  // The last row's padding may be missing; its pixels may not.
  const std::uint64_t end = l.dataOffset + l.stride * static_cast<std::uint64_t>(height - 1) + l.rowBytes();
  if (end > fileSize) return Error{"file is shorter than its pixel rows"};
  return l;
}

void decodeBmpRow(const BmpLayout& layout, const std::uint8_t* fileRow, tpixel* out) {
  if (layout.bits == 8) {
    for (std::int32_t x = 0; x < layout.width; ++x) out[x] = layout.palette[fileRow[x]];
    return;
  }
  swapRedBlue(fileRow, reinterpret_cast<std::uint8_t*>(out), static_cast<std::size_t>(layout.width));
}

namespace {

// Header values of every file we write, whatever a reader would accept: the
// headers and the palette, up to the first pixel row.
std::vector<std::uint8_t> fileStart(std::int32_t width, std::int32_t height, int bits,
                                    std::span<const tpixel> palette) {
  const std::uint64_t stride = strideOf(width, bits);
  const auto imageSize = static_cast<std::uint32_t>(stride * static_cast<std::uint64_t>(height));
  const auto dataOffset = static_cast<std::uint32_t>(kBmpHeaderBytes + 4 * palette.size());
  std::vector<std::uint8_t> out;
  out.reserve(dataOffset + imageSize);
  LeWriter w(out);
  w.u16(kSignature);
  w.u32(dataOffset + imageSize);  // file size
  w.u16(0);                       // reserved
  w.u16(0);                       // reserved
  w.u32(dataOffset);
  w.u32(kInfoSize);
  w.i32(width);
  w.i32(height);
  w.u16(1);  // planes
  w.u16(static_cast<std::uint16_t>(bits));
  w.u32(0);  // compression
  w.u32(imageSize);
  w.i32(11810);  // horizontal pixels per metre
  w.i32(11810);  // vertical pixels per metre
  // Colours used and important colours: the values our 24-bit files have
  // always carried, though they hold no palette.
  w.u32(palette.empty() ? 0x10000 : static_cast<std::uint32_t>(palette.size()));
  w.u32(palette.empty() ? 256 : 0);
  for (const tpixel& p : palette) {
    out.insert(out.end(), {p.blue, p.green, p.red, 0});
  }
  return out;
}

std::vector<std::uint8_t> encodeWith(const tbitmap& picture, int bits, std::span<const tpixel> palette,
                                     void (*putRow)(const tpixel*, std::int32_t, std::uint8_t*)) {
  std::vector<std::uint8_t> out = fileStart(picture.width, picture.height, bits, palette);
  // Bottom row first; padding stays 0.
  std::vector<std::uint8_t> line(strideOf(picture.width, bits), 0);
  for (std::int32_t y = picture.height - 1; y >= 0; --y) {
    putRow(picture.row(y), picture.width, line.data());
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

const std::uint8_t* bytesOf(const tpixel* p) { return reinterpret_cast<const std::uint8_t*>(p); }

std::uint8_t index332(tpixel p) {
  return static_cast<std::uint8_t>((p.red >> 5) << 5 | (p.green >> 5) << 2 | p.blue >> 6);
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const tbitmap& picture) {
  return encodeWith(picture, 24, {}, [](const tpixel* row, std::int32_t width, std::uint8_t* line) {
    swapRedBlue(bytesOf(row), line, static_cast<std::size_t>(width));
  });
}

tpixel palette332(int i) { return tpixel((i >> 5 & 7) * 255 / 7, (i >> 2 & 7) * 255 / 7, (i & 3) * 255 / 3); }

std::vector<std::uint8_t> encodeBmp332(const tbitmap& picture) {
  std::array<tpixel, 256> palette;
  for (int i = 0; i < 256; ++i) palette[i] = palette332(i);
  return encodeWith(picture, 8, palette, [](const tpixel* row, std::int32_t width, std::uint8_t* line) {
    for (std::int32_t x = 0; x < width; ++x) line[x] = index332(row[x]);
  });
}

namespace {

class BmpReader final : public PictureReader {
 public:
  BmpReader(const ByteSource& source, const BmpLayout& layout)
      : PictureReader({layout.width, layout.height}), source_(source), layout_(layout) {}

 protected:
  // File rows are read in runs of up to a mebibyte, in whichever direction
  // the file stores them.
  Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    const std::int32_t perRun =
        static_cast<std::int32_t>(std::max<std::size_t>(1, (1 << 20) / layout_.stride));
    while (count > 0) {
      const std::int32_t n = std::min(count, perRun);
      // File rows of picture rows first .. first + n - 1, lowest offset first.
      const std::int32_t k0 = layout_.topDown ? first : layout_.height - first - n;
      run_.resize(static_cast<std::size_t>(n - 1) * layout_.stride + layout_.rowBytes());
      if (!source_.readAt(layout_.rowOffset(k0), run_))
        return Error{"Cannot read " + source_.name() + ": file is shorter than its pixel rows"};
      for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t y = layout_.pictureRow(k0 + i) - first;
        decodeBmpRow(layout_, run_.data() + static_cast<std::size_t>(i) * layout_.stride, out + y * stride);
      }
      first += n;
      out += n * stride;
      count -= n;
    }
    return success();
  }
  // Rows are found by their offset: nothing to read.
  Status skip(std::int32_t, std::int32_t) override { return success(); }

 private:
  const ByteSource& source_;
  BmpLayout layout_;
  std::vector<std::uint8_t> run_;
};

Status checkHeader(const ByteSource& source) {
  auto bytes = readFilePrefix(source, kBmpHeaderBytes);
  if (!bytes) return bytes.error();
  auto header = readBmpHeader(*bytes);
  if (!header) return Error{"Cannot read " + source.name() + ": " + header.error().message};
  if (header->bitsPerPixel != 8 && header->bitsPerPixel != 24) return Error{"Must be an 8 or 24 bit bitmap"};
  if (header->compression != 0) return Error{"Cannot handle compressed bitmaps"};
  return success();
}

Result<std::unique_ptr<PictureReader>> openBmp(const ByteSource& source, int view) {
  if (view != 0) return Error{"Cannot read " + source.name() + ": a bitmap holds one picture"};
  auto layout = parseBmpLayout(source);
  if (!layout) return Error{"Cannot read " + source.name() + ": " + layout.error().message};
  return std::unique_ptr<PictureReader>(std::make_unique<BmpReader>(source, *layout));
}

}  // namespace

const PictureDecoder bmpDecoder{
    [](std::span<const std::uint8_t> head) { return head.size() >= 2 && head[0] == 'B' && head[1] == 'M'; },
    checkHeader, openBmp};

namespace {

// A 24-bit file being written a block of rows at a time: its headers in
// place, the rows to come bottom first.
struct RowFile {
  AtomicFile file;
  std::uint64_t dataStart;
  std::size_t stride;
  std::int32_t height;

  static Result<RowFile> create(const std::string& path, std::int32_t width, std::int32_t height) {
    if (Status size = checkWritableSize(path, width, height); !size) return size.error();
    auto file = AtomicFile::create(path);
    if (!file) return file.error();
    const std::vector<std::uint8_t> start = fileStart(width, height, 24, {});
    if (Status written = file->writeAt(0, start); !written) return written.error();
    return RowFile{std::move(*file), start.size(), static_cast<std::size_t>(strideOf(width, 24)), height};
  }
  // Picture rows y0 .. y0 + n - 1, as the file stores them: the bottom one first.
  Status write(std::int32_t y0, std::int32_t n, const std::uint8_t* block) {
    const std::uint64_t at = dataStart + static_cast<std::uint64_t>(height - y0 - n) * stride;
    return file.writeAt(at, std::span(block, static_cast<std::size_t>(n) * stride));
  }
};

}  // namespace

Status writeBmpRows(const std::string& path, std::int32_t width, std::int32_t height,
                    const BmpRowSource& rows) {
  auto out = RowFile::create(path, width, height);
  if (!out) return out.error();
  const std::size_t stride = out->stride;
  // Blocks of about a mebibyte: small enough to stay in the cache between
  // the rows' source, the byte swap and the write.
  const std::int32_t perBlock =
      static_cast<std::int32_t>(std::max<std::size_t>(1, (1 << 20) / std::max<std::size_t>(stride, 1)));
  std::vector<tpixel> buffer(static_cast<std::size_t>(perBlock) * static_cast<std::size_t>(width));
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * stride, 0);  // padding stays 0
  for (std::int32_t y0 = 0; y0 < height; y0 += perBlock) {
    const std::int32_t n = std::min(perBlock, height - y0);
    auto given = rows(y0, n, buffer.data());
    if (!given) return given.error();
    // The file holds the bottom row first: the block's rows go in reverse.
    for (std::int32_t i = 0; i < n; ++i)
      swapRedBlue(bytesOf(given->first + i * given->stride),
                  block.data() + static_cast<std::size_t>(n - 1 - i) * stride,
                  static_cast<std::size_t>(width));
    if (Status written = out->write(y0, n, block.data()); !written) return written;
  }
  return out->file.commit();
}

Status writeBmpFileRows(const std::string& path, std::int32_t width, std::int32_t height,
                        const BmpFileRowSource& rows) {
  auto out = RowFile::create(path, width, height);
  if (!out) return out.error();
  const auto stride = static_cast<std::ptrdiff_t>(out->stride);
  const std::int32_t perBlock = static_cast<std::int32_t>(std::max<std::ptrdiff_t>(1, (1 << 20) / stride));
  std::mutex writing;
  Status failed = success();
  inBands(height, [&](int first, int end) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock * stride), 0);  // padding stays 0
    for (std::int32_t y0 = first; y0 < end; y0 += perBlock) {
      const std::int32_t n = std::min(perBlock, end - y0);
      // The file holds the bottom row first: the rows go in from the block's end.
      Status made = rows(y0, n, block.data() + (n - 1) * stride, -stride);
      std::lock_guard lock(writing);
      if (!failed) return;
      if (!made) {
        failed = made;
        return;
      }
      if (Status written = out->write(y0, n, block.data()); !written) {
        failed = written;
        return;
      }
    }
  });
  if (!failed) return failed;
  return out->file.commit();
}

Status saveBmp(const tbitmap& picture, const std::string& path) {
  return writeBmpRows(path, picture.width, picture.height, [&picture](std::int32_t y0, std::int32_t, tpixel*) {
    return Result<BmpRows>(BmpRows{picture.row(y0), picture.width});
  });
}
