#include "image/png.h"

#include <algorithm>
#include <csetjmp>
#include <string>
#include <utility>

#include <png.h>

#include "image/bmp.h"
#include "image/exif.h"
#include "image/limits.h"

bool isPng(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

namespace {

struct Messages {
  std::string text;
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
  static_cast<Messages*>(png_get_error_ptr(png))->text = message;
  png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

// Runs step; a libpng error comes back as false. Neither this frame nor the
// steps own anything with a destructor, so the jump skips no clean-up.
template <class Step>
bool guarded(png_structp png, Step step) {
  if (setjmp(png_jmpbuf(png))) return false;
  step();
  return true;
}

// Total length of the IDAT chunks, read from the chunk list without libpng.
std::uint64_t compressedBytes(const ByteSource& source) {
  std::uint64_t total = 0;
  std::uint8_t b[8];
  for (std::uint64_t pos = 8; source.size() - pos >= 12 && source.readAt(pos, b);) {
    const std::uint64_t length =
        std::uint64_t{b[0]} << 24 | std::uint64_t{b[1]} << 16 | std::uint64_t{b[2]} << 8 | b[3];
    // A chunk's length is only what it claims: the bytes that are there count.
    const std::uint64_t present = std::min(length, source.size() - pos - 12);
    if (std::equal(b + 4, b + 8, "IDAT")) total += present;
    if (present < length) break;
    pos += 12 + length;
  }
  return total;
}

struct Feed {
  const ByteSource* source;
  std::uint64_t pos = 0;
};

void readBytes(png_structp png, png_bytep out, png_size_t n) {
  auto* f = static_cast<Feed*>(png_get_io_ptr(png));
  if (!f->source->readAt(f->pos, std::span(out, n))) png_error(png, "file is cut short");
  f->pos += n;
}

}  // namespace

struct PngDecoder::State {
  Messages messages;
  Feed feed;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::int32_t width = 0, height = 0;
  bool alpha = false;
  bool wide = false;  // 16-bit samples with alpha: composited before they are reduced
  bool interlaced = false;
  std::int32_t next = 0;
  std::vector<std::uint8_t> rows;  // one row, or the whole picture when interlaced
  ~State() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
  Error error() const { return unreadable(*feed.source, "PNG data: " + messages.text); }
  std::size_t rowBytes() const { return std::size_t(width) * (alpha ? 4 : 3) * (wide ? 2 : 1); }
};

PngDecoder::PngDecoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
PngDecoder::~PngDecoder() = default;
std::int32_t PngDecoder::width() const { return state_->width; }
std::int32_t PngDecoder::height() const { return state_->height; }

Result<std::unique_ptr<PngDecoder>> PngDecoder::open(const ByteSource& source) {
  auto state = std::make_unique<State>();
  State& s = *state;
  s.feed.source = &source;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.messages, onError, onWarning);
  if (!s.png) return unreadable(source, "PNG reader cannot start");
  s.info = png_create_info_struct(s.png);
  if (!s.info) return unreadable(source, "PNG reader cannot start");
  png_structp png = s.png;
  png_infop info = s.info;
  Feed* feed = &s.feed;
  png_uint_32 w = 0, h = 0;
  int depth = 0, colour = 0, interlace = 0;
  if (!guarded(png, [&] {
        png_set_read_fn(png, feed, readBytes);
        png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
        png_read_info(png, info);
        png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
      }))
    return s.error();
  if (std::int64_t{w} * h > kMaxPicturePixels) return unreadable(source, "PNG dimensions too large");
  // Deflate expands at most about 1032 times; a file claiming more rows than
  // its data can hold is refused before the rows are allocated.
  const int channels = png_get_channels(png, info);
  const std::uint64_t raw = std::uint64_t{h} * (1 + (std::uint64_t{w} * channels * depth + 7) / 8);
  if (raw / 1032 > compressedBytes(source) + 1)
    return unreadable(source, "PNG file is too short for its dimensions");

  s.width = static_cast<std::int32_t>(w);
  s.height = static_cast<std::int32_t>(h);
  s.interlaced = interlace != PNG_INTERLACE_NONE;
  s.alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  s.wide = s.alpha && depth == 16;
  if (!guarded(png, [&] {
        png_set_expand(png);
        if (!s.wide) png_set_scale_16(png);
        png_set_gray_to_rgb(png);
        if (s.interlaced) png_set_interlace_handling(png);
        png_read_update_info(png, info);
      }))
    return s.error();
  const std::size_t rowBytes = s.rowBytes();
  s.rows.resize(s.interlaced ? rowBytes * h : rowBytes);
  return std::unique_ptr<PngDecoder>(new PngDecoder(std::move(state)));
}

Status PngDecoder::readRow(tpixel* out) {
  State& s = *state_;
  if (s.next >= s.height) return unreadable(*s.feed.source, "PNG has no more rows");
  const std::size_t rowBytes = s.rowBytes();
  png_structp png = s.png;
  std::uint8_t* base = s.rows.data();
  if (!s.interlaced) {
    if (!guarded(png, [png, base] { png_read_row(png, base, nullptr); })) return s.error();
  } else if (s.next == 0) {
    const std::int32_t height = s.height;
    std::vector<png_bytep> table(static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) table[static_cast<std::size_t>(y)] = base + rowBytes * y;
    png_bytepp rows = table.data();
    if (!guarded(png, [png, rows] { png_read_image(png, rows); })) return s.error();
  }
  const std::uint8_t* p = s.interlaced ? base + rowBytes * s.next : base;
  ++s.next;
  if (!s.alpha) {
    std::copy_n(p, rowBytes, reinterpret_cast<std::uint8_t*>(out));
    return success();
  }
  if (!s.wide) {
    for (std::int32_t x = 0; x < s.width; ++x, p += 4) {
      const int a = p[3], white = 255 * (255 - a);
      out[x] = tpixel((p[0] * a + white + 127) / 255, (p[1] * a + white + 127) / 255,
                      (p[2] * a + white + 127) / 255);
    }
    return success();
  }
  for (std::int32_t x = 0; x < s.width; ++x, p += 8) {
    auto sample = [p](int i) { return std::uint64_t{p[2 * i]} << 8 | p[2 * i + 1]; };
    const std::uint64_t a = sample(3), white = 65535 * (65535 - a);
    auto mix = [&](int i) {
      const std::uint64_t v = (sample(i) * a + white + 32767) / 65535;
      return static_cast<int>((v * 255 + 32767) / 65535);
    };
    out[x] = tpixel(mix(0), mix(1), mix(2));
  }
  return success();
}

namespace {

class PngReader final : public PictureReader {
 public:
  explicit PngReader(std::unique_ptr<PngDecoder> decoder)
      : PictureReader({decoder->width(), decoder->height()}), decoder_(std::move(decoder)) {}

 protected:
  Status decodeRows(std::int32_t, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    for (std::int32_t i = 0; i < count; ++i)
      if (Status s = decoder_->readRow(out + i * stride); !s) return s;
    return success();
  }

 private:
  std::unique_ptr<PngDecoder> decoder_;
};

bool recognises(std::span<const std::uint8_t> head) { return isPng(head); }
Result<std::unique_ptr<PictureReader>> open(const ByteSource& source, int) {
  auto decoder = PngDecoder::open(source);
  if (!decoder) return decoder.error();
  return std::unique_ptr<PictureReader>(new PngReader(std::move(decoder.value())));
}

}  // namespace

const PictureDecoder pngDecoder{recognises, noCheck, open};

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void flushNothing(png_structp) {}

struct Writer {
  Messages messages;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> out;
  ~Writer() { png_destroy_write_struct(&png, info ? &info : nullptr); }
  // Ready for a picture of that size, its bytes to out.
  Status start(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return Error{"cannot write an empty picture as PNG"};
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &messages, onError, onWarning);
    if (!png) return Error{"PNG writer cannot start"};
    info = png_create_info_struct(png);
    if (!info) return Error{"PNG writer cannot start"};
    return success();
  }
};

}  // namespace

Result<std::vector<std::uint8_t>> encodePng(const tbitmap& picture, std::span<const std::uint8_t> exif) {
  Writer w;
  if (Status s = w.start(picture.width, picture.height); !s) return s.error();
  png_structp png = w.png;
  png_infop info = w.info;
  std::vector<std::uint8_t>* sink = &w.out;
  const tbitmap* p = &picture;
  std::vector<std::uint8_t> block =
      exif.empty() ? std::vector<std::uint8_t>{} : exifForPicture(exif, picture.width, picture.height);
  std::vector<std::uint8_t>* eXIf = &block;
  if (!guarded(png, [png, info, sink, p, eXIf] {
        png_set_write_fn(png, sink, appendBytes, flushNothing);
        png_set_IHDR(png, info, static_cast<png_uint_32>(p->width), static_cast<png_uint_32>(p->height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (!eXIf->empty()) png_set_eXIf_1(png, info, static_cast<png_uint_32>(eXIf->size()), eXIf->data());
        png_write_info(png, info);
        for (int y = 0; y < p->height; ++y) png_write_row(png, reinterpret_cast<png_const_bytep>(p->row(y)));
        png_write_end(png, nullptr);  // eXIf went before the picture data; nothing follows it
      }))
    return Error{"PNG writer: " + w.messages.text};
  return std::move(w.out);
}

Result<std::vector<std::uint8_t>> encodeGrey16Png(std::int32_t width, std::int32_t height,
                                                   std::span<const std::uint16_t> values) {
  Writer w;
  if (Status s = w.start(width, height); !s) return s.error();
  png_structp png = w.png;
  png_infop info = w.info;
  std::vector<std::uint8_t>* sink = &w.out;
  if (!guarded(png, [png, info, sink, width, height, values] {
        png_set_write_fn(png, sink, appendBytes, flushNothing);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 16,
                     PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
        png_write_info(png, info);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 2);
        for (std::int32_t y = 0; y < height; ++y) {
          const std::uint16_t* v = values.data() + static_cast<std::size_t>(y) * width;
          for (std::int32_t x = 0; x < width; ++x) {  // big-endian samples
            row[2 * x] = static_cast<std::uint8_t>(v[x] >> 8);
            row[2 * x + 1] = static_cast<std::uint8_t>(v[x]);
          }
          png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
      }))
    return Error{"PNG writer: " + w.messages.text};
  return std::move(w.out);
}
