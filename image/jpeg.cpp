#include "image/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

#include "image/bmp.h"
#include "image/tiff.h"

bool isJpeg(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

Result<std::vector<JpegSegment>> jpegSegments(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return Error{"not a JPEG file"};
  std::vector<JpegSegment> segments;
  std::size_t pos = 2;
  for (;;) {
    if (pos >= bytes.size() || bytes[pos] != 0xFF)
      return Error{"JPEG file is cut short before its picture data"};
    while (pos < bytes.size() && bytes[pos] == 0xFF) ++pos;  // fill bytes
    if (pos >= bytes.size()) return Error{"JPEG file is cut short before its picture data"};
    const std::uint8_t marker = bytes[pos++];
    if (marker == 0xDA) return segments;
    if (marker == 0xD9) return Error{"JPEG file has no picture data"};
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length field
    if (bytes.size() - pos < 2) return Error{"JPEG file is cut short before its picture data"};
    const std::size_t length = std::size_t{bytes[pos]} << 8 | bytes[pos + 1];
    if (length < 2 || bytes.size() - pos < length) return Error{"JPEG segment runs past the end of the file"};
    segments.push_back({marker, pos + 2, bytes.subspan(pos + 2, length - 2)});
    pos += length;
  }
}

std::optional<JpegSegment> findSegment(const std::vector<JpegSegment>& segments, std::uint8_t marker,
                                       std::span<const std::uint8_t> identifier) {
  for (const JpegSegment& s : segments) {
    if (s.marker != marker || s.payload.size() < identifier.size()) continue;
    if (!std::equal(identifier.begin(), identifier.end(), s.payload.begin())) continue;
    return JpegSegment{marker, s.offset + identifier.size(), s.payload.subspan(identifier.size())};
  }
  return std::nullopt;
}

namespace {

constexpr std::uint8_t kExifId[] = {'E', 'x', 'i', 'f', 0, 0};

std::optional<TiffBlock> exifBlock(const std::vector<JpegSegment>& segments) {
  const auto app1 = findSegment(segments, 0xE1, kExifId);
  if (!app1) return std::nullopt;
  return TiffBlock::open(app1->payload);
}

}  // namespace

int exifOrientation(const std::vector<JpegSegment>& segments) {
  const auto exif = exifBlock(segments);
  if (!exif) return 1;
  const auto ifd0 = exif->ifd(exif->firstIfd());
  if (!ifd0) return 1;
  const TiffEntry* e = findTag(*ifd0, 0x0112);
  return e && e->type == 3 && e->value >= 1 && e->value <= 8 ? static_cast<int>(e->value) : 1;
}

std::optional<std::span<const std::uint8_t>> exifThumbnail(const std::vector<JpegSegment>& segments) {
  const auto exif = exifBlock(segments);
  if (!exif) return std::nullopt;
  std::uint32_t next = 0;
  if (!exif->ifd(exif->firstIfd(), &next) || next == 0) return std::nullopt;
  const auto ifd1 = exif->ifd(next);
  if (!ifd1) return std::nullopt;
  const TiffEntry* offset = findTag(*ifd1, 0x0201);
  const TiffEntry* length = findTag(*ifd1, 0x0202);
  if (!offset || !length || offset->value > exif->size() || exif->size() - offset->value < length->value)
    return std::nullopt;
  const auto app1 = findSegment(segments, 0xE1, kExifId);
  const auto thumbnail = app1->payload.subspan(offset->value, length->value);
  if (!isJpeg(thumbnail)) return std::nullopt;
  return thumbnail;
}

std::unique_ptr<tbitmap> applyOrientation(std::unique_ptr<tbitmap> stored, int orientation) {
  if (orientation <= 1 || orientation > 8) return stored;
  const tbitmap& s = *stored;
  const int w = s.width, h = s.height;
  const bool swapped = orientation >= 5;
  auto out = std::make_unique<tbitmap>(swapped ? h : w, swapped ? w : h);
  for (int y = 0; y < out->height; ++y) {
    tpixel* row = out->row(y);
    for (int x = 0; x < out->width; ++x) {
      switch (orientation) {
        case 2:
          row[x] = s.pixel(w - 1 - x, y);
          break;
        case 3:
          row[x] = s.pixel(w - 1 - x, h - 1 - y);
          break;
        case 4:
          row[x] = s.pixel(x, h - 1 - y);
          break;
        case 5:
          row[x] = s.pixel(y, x);
          break;
        case 6:
          row[x] = s.pixel(y, h - 1 - x);
          break;
        case 7:
          row[x] = s.pixel(w - 1 - y, h - 1 - x);
          break;
        default:
          row[x] = s.pixel(w - 1 - y, x);
          break;  // 8
      }
    }
  }
  return out;
}

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back to the guarded call. Warnings about damaged data count as errors,
// so a cut-short file is refused instead of shown half grey.
struct JpegErrors {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onError(j_common_ptr c) {
  auto* e = reinterpret_cast<JpegErrors*>(c->err);
  c->err->format_message(c, e->message);
  std::longjmp(e->jump, 1);
}

void onMessage(j_common_ptr c, int level) {
  if (level < 0 && c->err->msg_code != JWRN_EXTRANEOUS_DATA) onError(c);
}

void initErrors(JpegErrors& e) {
  jpeg_std_error(&e.mgr);
  e.mgr.error_exit = onError;
  e.mgr.emit_message = onMessage;
  e.message[0] = '\0';
}

// Runs step; a libjpeg error comes back as false. Neither this frame nor the
// steps own anything with a destructor, so the jump skips no clean-up.
template <class Step>
bool guarded(JpegErrors& e, Step step) {
  if (setjmp(e.jump)) return false;
  step();
  return true;
}

Error jpegError(const JpegErrors& e) { return Error{std::string("JPEG data: ") + e.message}; }

}  // namespace

struct JpegDecoder::State {
  JpegErrors errors;
  jpeg_decompress_struct info;
  bool created = false;
  bool cmyk = false;
  std::vector<std::uint8_t> cmykRow;
  ~State() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

JpegDecoder::JpegDecoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
JpegDecoder::~JpegDecoder() = default;
std::int32_t JpegDecoder::width() const { return static_cast<std::int32_t>(state_->info.output_width); }
std::int32_t JpegDecoder::height() const { return static_cast<std::int32_t>(state_->info.output_height); }

Result<std::unique_ptr<JpegDecoder>> JpegDecoder::open(std::span<const std::uint8_t> bytes, int scaleDenom) {
  auto state = std::make_unique<State>();
  State& s = *state;
  initErrors(s.errors);
  s.info.err = &s.errors.mgr;
  jpeg_create_decompress(&s.info);
  s.created = true;
  jpeg_decompress_struct* info = &s.info;
  if (!guarded(s.errors, [info, bytes] {
        jpeg_mem_src(info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(info, TRUE);
      }))
    return jpegError(s.errors);

  const std::int64_t w = info->image_width, h = info->image_height;
  if (w <= 0 || h <= 0) return Error{"JPEG width or height is 0"};
  if (w > kBmpMaxSide || h > kBmpMaxSide || w * h > kBmpMaxPixels) return Error{"JPEG dimensions too large"};
  // Huffman coding spends at least a bit on every 8 x 8 block; arithmetic
  // coding far less, but not nothing. Checked before the decoder allocates
  // its buffers, so a few bytes cannot claim a huge picture.
  std::uint64_t blocks = 0;
  for (int c = 0; c < info->num_components; ++c)
    blocks += std::uint64_t{info->comp_info[c].width_in_blocks} * info->comp_info[c].height_in_blocks;
  const std::uint64_t bitsPerByte = info->arith_code ? 8 * 64 : 8;
  if (blocks > bitsPerByte * bytes.size()) return Error{"JPEG file is too short for its dimensions"};

  s.cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = s.cmyk ? JCS_CMYK : JCS_RGB;
  info->scale_num = 1;
  info->scale_denom = static_cast<unsigned>(scaleDenom);
  if (!guarded(s.errors, [info] { jpeg_start_decompress(info); })) return jpegError(s.errors);
  if (s.cmyk) s.cmykRow.resize(std::size_t{info->output_width} * 4);
  return std::unique_ptr<JpegDecoder>(new JpegDecoder(std::move(state)));
}

Status JpegDecoder::readRow(tpixel* out) {
  State& s = *state_;
  jpeg_decompress_struct* info = &s.info;
  if (info->output_scanline >= info->output_height) return Error{"JPEG has no more rows"};
  JSAMPROW row = s.cmyk ? s.cmykRow.data() : reinterpret_cast<JSAMPROW>(out);
  if (!guarded(s.errors, [info, row]() mutable { jpeg_read_scanlines(info, &row, 1); }))
    return jpegError(s.errors);
  if (s.cmyk) {
    // Adobe's files store the inks inverted, which is how libjpeg hands them over.
    const bool inverted = info->saw_Adobe_marker;
    const std::uint8_t* p = s.cmykRow.data();
    for (JDIMENSION x = 0; x < info->output_width; ++x, p += 4) {
      const int c = inverted ? p[0] : 255 - p[0], m = inverted ? p[1] : 255 - p[1];
      const int y = inverted ? p[2] : 255 - p[2], k = inverted ? p[3] : 255 - p[3];
      out[x] = tpixel((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
  }
  return success();
}

Result<std::unique_ptr<tbitmap>> decodeJpeg(std::span<const std::uint8_t> bytes, int scaleDenom) {
  auto segments = jpegSegments(bytes);
  if (!segments) return segments.error();
  auto decoder = JpegDecoder::open(bytes, scaleDenom);
  if (!decoder) return decoder.error();
  JpegDecoder& d = *decoder.value();
  auto picture = std::make_unique<tbitmap>(d.width(), d.height());
  for (std::int32_t y = 0; y < d.height(); ++y)
    if (Status s = d.readRow(picture->row(y)); !s) return s.error();
  return applyOrientation(std::move(picture), exifOrientation(*segments));
}

namespace {

struct Encoder {
  JpegErrors errors;
  jpeg_compress_struct info;
  bool created = false;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ~Encoder() {
    if (created) jpeg_destroy_compress(&info);
    std::free(buffer);
  }
};

}  // namespace

Result<std::vector<std::uint8_t>> encodeJpeg(const tbitmap& picture, int quality,
                                             std::span<const JpegExtraSegment> extra) {
  if (picture.width <= 0 || picture.height <= 0) return Error{"cannot write an empty picture as JPEG"};
  Encoder e;
  initErrors(e.errors);
  e.info.err = &e.errors.mgr;
  jpeg_create_compress(&e.info);
  e.created = true;
  jpeg_compress_struct* info = &e.info;
  Encoder* enc = &e;
  const bool ok = guarded(e.errors, [info, enc, &picture, quality, extra] {
    jpeg_mem_dest(info, &enc->buffer, &enc->size);
    info->image_width = static_cast<JDIMENSION>(picture.width);
    info->image_height = static_cast<JDIMENSION>(picture.height);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    for (const JpegExtraSegment& s : extra)
      jpeg_write_marker(info, s.marker, s.payload.data(), static_cast<unsigned>(s.payload.size()));
    while (info->next_scanline < info->image_height) {
      auto row =
          reinterpret_cast<JSAMPROW>(const_cast<tpixel*>(picture.row(static_cast<int>(info->next_scanline))));
      jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
  });
  if (!ok) return jpegError(e.errors);
  return std::vector<std::uint8_t>(e.buffer, e.buffer + e.size);
}
