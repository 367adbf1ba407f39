#include "image/jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

#include "image/bmp.h"
#include "image/exif.h"
#include "image/tiff.h"
#include "image/limits.h"
#include "platform/files.h"
#include "platform/parallel.h"

bool isJpeg(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

Result<std::vector<JpegSegment>> readJpegSegments(const ByteSource& source, std::uint64_t start) {
  const Error cut{"JPEG file is cut short before its picture data"};
  std::uint8_t soi[2];
  if (!source.readAt(start, soi) || soi[0] != 0xFF || soi[1] != 0xD8) return Error{"not a JPEG file"};
  std::vector<JpegSegment> segments;
  std::uint64_t pos = start + 2;
  for (;;) {
    std::uint8_t b[4];
    if (!source.readAt(pos, std::span(b, 2)) || b[0] != 0xFF) return cut;
    if (b[1] == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    const std::uint8_t marker = b[1];
    if (marker == 0xDA) return segments;
    if (marker == 0xD9) return Error{"JPEG file has no picture data"};
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length field
      pos += 2;
      continue;
    }
    if (!source.readAt(pos + 2, std::span(b + 2, 2))) return cut;
    const std::size_t length = std::size_t{b[2]} << 8 | b[3];
    if (length < 2 || source.size() - pos - 2 < length)
      return Error{"JPEG segment runs past the end of the file"};
    JpegSegment s{marker, pos + 4, {}};
    if (marker >= 0xE0 && marker <= 0xEF) {
      s.payload.resize(length - 2);
      if (!source.readAt(s.offset, s.payload)) return cut;
    }
    segments.push_back(std::move(s));
    pos += 2 + length;
  }
}

std::optional<JpegSegment> findSegment(const std::vector<JpegSegment>& segments, std::uint8_t marker,
                                       std::span<const std::uint8_t> identifier) {
  for (const JpegSegment& s : segments) {
    if (s.marker != marker || s.payload.size() < identifier.size()) continue;
    if (!std::equal(identifier.begin(), identifier.end(), s.payload.begin())) continue;
    return JpegSegment{
        marker, s.offset + identifier.size(),
        std::vector<std::uint8_t>(s.payload.begin() + static_cast<std::ptrdiff_t>(identifier.size()),
                                  s.payload.end())};
  }
  return std::nullopt;
}

namespace {

std::optional<TiffBlock> exifBlock(const std::vector<JpegSegment>& segments) {
  const auto bytes = exifBytes(segments);
  if (!bytes) return std::nullopt;
  return TiffBlock::open(*bytes);
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

std::optional<std::vector<std::uint8_t>> exifThumbnail(const std::vector<JpegSegment>& segments) {
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
  const auto thumbnail = exifBytes(segments)->subspan(offset->value, length->value);
  if (!isJpeg(thumbnail)) return std::nullopt;
  return std::vector<std::uint8_t>(thumbnail.begin(), thumbnail.end());
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

// Every scan of a progressive file is a pass over the frame's blocks, so a
// small file declaring many nearly empty scans over a large frame would cost
// minutes. Refused: more scans than real encoders write (libjpeg's own
// progression has 10), or more passes over blocks than the file's bytes can
// account for (a few seconds of work at most).
struct ScanLimit {
  jpeg_progress_mgr mgr;
  std::uint64_t blocks = 0;  // of the whole frame, every component
  std::uint64_t budget = 0;  // block passes allowed
};
constexpr int kMaxScans = 100;

void onProgress(j_common_ptr c) {
  auto* info = reinterpret_cast<j_decompress_ptr>(c);
  const auto* limit = reinterpret_cast<const ScanLimit*>(info->progress);
  const auto scans = static_cast<std::uint64_t>(info->input_scan_number);
  if (scans <= kMaxScans && scans * limit->blocks <= limit->budget) return;
  auto* e = reinterpret_cast<JpegErrors*>(c->err);
  std::snprintf(e->message, sizeof e->message, "too many scans (%llu) for the size of the file",
                static_cast<unsigned long long>(scans));
  std::longjmp(e->jump, 1);
}

Error jpegError(const ByteSource& source, const JpegErrors& e) {
  return unreadable(source, std::string("JPEG data: ") + e.message);
}

}  // namespace

// Feeds libjpeg from a byte source in blocks; the end of the JPEG's bytes is
// an error, not the fake end marker libjpeg's own sources supply.
struct SourceFeed {
  jpeg_source_mgr mgr;
  const ByteSource* source;
  std::uint64_t pos, end;
  std::uint8_t block[1 << 16];
};

boolean fillBlock(j_decompress_ptr info) {
  auto* f = reinterpret_cast<SourceFeed*>(info->src);
  const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof f->block, f->end - f->pos));
  if (n == 0 || !f->source->readAt(f->pos, std::span(f->block, n))) {
    info->err->msg_code = JWRN_JPEG_EOF;
    onError(reinterpret_cast<j_common_ptr>(info));
  }
  f->pos += n;
  f->mgr.next_input_byte = f->block;
  f->mgr.bytes_in_buffer = n;
  return TRUE;
}

void skipBytes(j_decompress_ptr info, long count) {
  auto* f = reinterpret_cast<SourceFeed*>(info->src);
  if (count <= 0) return;
  const auto n = static_cast<std::size_t>(count);
  if (n <= f->mgr.bytes_in_buffer) {
    f->mgr.next_input_byte += n;
    f->mgr.bytes_in_buffer -= n;
    return;
  }
  f->pos = std::min<std::uint64_t>(f->end, f->pos + (n - f->mgr.bytes_in_buffer));
  f->mgr.bytes_in_buffer = 0;
}

void nothing(j_decompress_ptr) {}

struct JpegDecoder::State {
  JpegErrors errors;
  ScanLimit scanLimit;
  SourceFeed feed;
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

Result<std::unique_ptr<JpegDecoder>> JpegDecoder::open(const ByteSource& source, std::uint64_t start,
                                                       std::uint64_t length, int minSide) {
  auto state = std::make_unique<State>();
  State& s = *state;
  initErrors(s.errors);
  s.info.err = &s.errors.mgr;
  jpeg_create_decompress(&s.info);
  s.created = true;
  s.scanLimit.mgr.progress_monitor = onProgress;
  s.info.progress = &s.scanLimit.mgr;
  s.feed.mgr.init_source = nothing;
  s.feed.mgr.fill_input_buffer = fillBlock;
  s.feed.mgr.skip_input_data = skipBytes;
  s.feed.mgr.resync_to_restart = jpeg_resync_to_restart;
  s.feed.mgr.term_source = nothing;
  s.feed.mgr.bytes_in_buffer = 0;
  s.feed.mgr.next_input_byte = nullptr;
  s.feed.source = &source;
  s.feed.pos = start;
  s.feed.end = start + std::min(length, source.size() - std::min(start, source.size()));
  s.info.src = &s.feed.mgr;
  jpeg_decompress_struct* info = &s.info;
  if (!guarded(s.errors, [info] { jpeg_read_header(info, TRUE); })) return jpegError(source, s.errors);

  const std::int64_t w = info->image_width, h = info->image_height;
  if (w <= 0 || h <= 0) return unreadable(source, "JPEG width or height is 0");
  if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels)
    return unreadable(source, "JPEG dimensions too large");
  // Huffman coding spends at least a bit on every 8 x 8 block; arithmetic
  // coding far less, but not nothing. Checked before the decoder allocates
  // its buffers, so a few bytes cannot claim a huge picture.
  std::uint64_t blocks = 0;
  for (int c = 0; c < info->num_components; ++c)
    blocks += std::uint64_t{info->comp_info[c].width_in_blocks} * info->comp_info[c].height_in_blocks;
  const std::uint64_t bitsPerByte = info->arith_code ? 8 * 64 : 8;
  if (blocks > bitsPerByte * (s.feed.end - start))
    return unreadable(source, "JPEG file is too short for its dimensions");
  s.scanLimit.blocks = blocks;
  s.scanLimit.budget = std::max<std::uint64_t>(std::uint64_t{32} << 20, 32 * (s.feed.end - start));

  s.cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = s.cmyk ? JCS_CMYK : JCS_RGB;
  unsigned denom = minSide > 0 ? 8 : 1;
  while (denom > 1 && (w / denom < minSide || h / denom < minSide)) denom /= 2;
  info->scale_num = 1;
  info->scale_denom = denom;
  if (!guarded(s.errors, [info] { jpeg_start_decompress(info); })) return jpegError(source, s.errors);
  if (s.cmyk) s.cmykRow.resize(std::size_t{info->output_width} * 4);
  return std::unique_ptr<JpegDecoder>(new JpegDecoder(std::move(state)));
}

Status JpegDecoder::readRow(tpixel* out) {
  State& s = *state_;
  jpeg_decompress_struct* info = &s.info;
  if (info->output_scanline >= info->output_height)
    return unreadable(*s.feed.source, "JPEG has no more rows");
  JSAMPROW row = s.cmyk ? s.cmykRow.data() : reinterpret_cast<JSAMPROW>(out);
  if (!guarded(s.errors, [info, row]() mutable { jpeg_read_scanlines(info, &row, 1); }))
    return jpegError(*s.feed.source, s.errors);
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

namespace {

// Rows as stored, or mirrored left to right, go straight to the caller; a
// picture turned or upside down (its first row is the stored last row or
// column) is decoded whole on the first read and handed out from there.
class JpegReader final : public PictureReader {
 public:
  JpegReader(PictureHeader header, std::unique_ptr<JpegDecoder> decoder, int orientation)
      : PictureReader(header), decoder_(std::move(decoder)), orientation_(orientation) {}

 protected:
  Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    if (orientation_ == 1 || orientation_ == 2) {
      for (std::int32_t i = 0; i < count; ++i) {
        tpixel* row = out + i * stride;
        if (Status s = decoder_->readRow(row); !s) return s;
        if (orientation_ == 2) std::reverse(row, row + header().width);
      }
      return success();
    }
    if (!oriented_) {
      auto stored = std::make_unique<tbitmap>(decoder_->width(), decoder_->height());
      for (std::int32_t y = 0; y < stored->height; ++y)
        if (Status s = decoder_->readRow(stored->row(y)); !s) return s;
      oriented_ = applyOrientation(std::move(stored), orientation_);
    }
    for (std::int32_t i = 0; i < count; ++i)
      std::copy_n(oriented_->row(first + i), oriented_->width, out + i * stride);
    return success();
  }

 private:
  std::unique_ptr<JpegDecoder> decoder_;
  int orientation_;
  std::unique_ptr<tbitmap> oriented_;
};

}  // namespace

Result<std::unique_ptr<PictureReader>> openJpegPicture(const ByteSource& source, std::uint64_t start,
                                                       std::uint64_t length, JpegOpening how) {
  auto segments = readJpegSegments(source, start);
  if (!segments) return unreadable(source, segments.error().message);
  auto decoder = JpegDecoder::open(source, start, length, how.minSide);
  if (!decoder) return decoder.error();
  const int orientation = how.orientation ? how.orientation : exifOrientation(*segments);
  PictureHeader header{decoder.value()->width(), decoder.value()->height(), how.views};
  if (orientation >= 5) std::swap(header.width, header.height);
  return std::unique_ptr<PictureReader>(new JpegReader(header, std::move(decoder.value()), orientation));
}

namespace {

struct Encoder {
  JpegErrors errors;
  jpeg_compress_struct info;
  bool created = false;
  Encoder() {
    initErrors(errors);
    info.err = &errors.mgr;
    jpeg_create_compress(&info);
    created = true;
  }
  ~Encoder() {
    if (created) jpeg_destroy_compress(&info);
  }
};

// EXIF takes JFIF's place right after the start of the file, as cameras
// write it: the APP1 payload for a width x height picture, or none.
std::vector<std::uint8_t> exifSegment(std::span<const std::uint8_t> exif, std::int32_t width,
                                      std::int32_t height) {
  std::vector<std::uint8_t> app1;
  if (exif.empty()) return app1;
  const std::vector<std::uint8_t> block = exifForPicture(exif, width, height);
  if (block.empty()) return app1;
  app1.assign(std::begin(kExifId), std::end(kExifId));
  app1.insert(app1.end(), block.begin(), block.end());
  return app1;
}

struct JpegFrame {
  std::int32_t width = 0, height = 0;
  int quality = 0;
  bool restartEachRow = false;  // a restart marker after every row of blocks
};

// The rows as they come, a few at a time, compressed to the destination set
// on e.info. An error of the rows or of the destination is returned as it
// stands; the encoder's own after prefix.
Status compress(Encoder& e, JpegFrame frame, const std::vector<std::uint8_t>& app1,
                std::span<const JpegExtraSegment> extra, const BmpRowSource& rows, const std::string& prefix,
                const Error* destination) {
  const std::int32_t width = frame.width, height = frame.height;
  if (width <= 0 || height <= 0) return Error{"cannot write an empty picture as JPEG"};
  jpeg_compress_struct* info = &e.info;
  auto failed = [&] {
    if (destination && !destination->message.empty()) return *destination;
    return Error{prefix + "JPEG writer: " + e.errors.message};
  };
  if (!guarded(e.errors, [info, frame, extra, &app1] {
        info->image_width = static_cast<JDIMENSION>(frame.width);
        info->image_height = static_cast<JDIMENSION>(frame.height);
        info->input_components = 3;
        info->in_color_space = JCS_RGB;
        jpeg_set_defaults(info);
        jpeg_set_quality(info, frame.quality, TRUE);
        if (frame.restartEachRow) info->restart_in_rows = 1;
        info->write_JFIF_header = app1.empty();
        jpeg_start_compress(info, TRUE);
        if (!app1.empty()) jpeg_write_marker(info, 0xE1, app1.data(), static_cast<unsigned>(app1.size()));
        for (const JpegExtraSegment& s : extra)
          jpeg_write_marker(info, s.marker, s.payload.data(), static_cast<unsigned>(s.payload.size()));
      }))
    return failed();
  constexpr std::int32_t kRowsPerBlock = 16;  // one band of 2 x 2 subsampled blocks
  std::vector<tpixel> buffer(static_cast<std::size_t>(kRowsPerBlock) * static_cast<std::size_t>(width));
  for (std::int32_t y0 = 0; y0 < height; y0 += kRowsPerBlock) {
    const std::int32_t n = std::min(kRowsPerBlock, height - y0);
    auto given = rows(y0, n, buffer.data());
    if (!given) return given.error();
    const BmpRows block = *given;
    if (!guarded(e.errors, [info, block, n] {
          for (std::int32_t i = 0; i < n; ++i) {
            auto row = reinterpret_cast<JSAMPROW>(const_cast<tpixel*>(block.first + i * block.stride));
            jpeg_write_scanlines(info, &row, 1);
          }
        }))
      return failed();
  }
  if (!guarded(e.errors, [info] { jpeg_finish_compress(info); })) return failed();
  return success();
}

// A whole file compressed to memory; errors as compress gives them.
Result<std::vector<std::uint8_t>> compressToMemory(JpegFrame frame, const std::vector<std::uint8_t>& app1,
                                                   std::span<const JpegExtraSegment> extra,
                                                   const BmpRowSource& rows, const std::string& prefix = "") {
  Encoder e;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&e.info, &buffer, &size);
  const Status s = compress(e, frame, app1, extra, rows, prefix, nullptr);
  std::vector<std::uint8_t> bytes;
  if (s) bytes.assign(buffer, buffer + size);
  std::free(buffer);
  if (!s) return s.error();
  return bytes;
}

// Where a compressed file's entropy-coded data starts: after its start-of-scan
// segment. 0 when the headers do not lead there.
std::size_t scanDataStart(std::span<const std::uint8_t> file) {
  std::size_t at = 2;
  while (at + 4 <= file.size() && file[at] == 0xFF) {
    const std::size_t length = std::size_t{file[at + 2]} << 8 | file[at + 3];
    if (file[at + 1] == 0xDA) return at + 2 + length;
    at += 2 + length;
  }
  return 0;
}

// The frame's height in its start-of-frame segment set to height.
bool setFrameHeight(std::vector<std::uint8_t>& file, std::int32_t height) {
  std::size_t at = 2;
  while (at + 7 <= file.size() && file[at] == 0xFF) {
    if (file[at + 1] == 0xC0) {
      file[at + 5] = static_cast<std::uint8_t>(height >> 8);
      file[at + 6] = static_cast<std::uint8_t>(height);
      return true;
    }
    at += 2 + (std::size_t{file[at + 2]} << 8 | file[at + 3]);
  }
  return false;
}

// Compressed bytes to a file written atomically, a block at a time.
struct FileDestination {
  jpeg_destination_mgr mgr;
  AtomicFile* file;
  std::uint64_t written = 0;
  Error error;  // of the file; empty message while none
  std::uint8_t buffer[1 << 16];
};

bool flushDestination(FileDestination& d, std::size_t n) {
  Status s = d.file->writeAt(d.written, std::span(d.buffer, n));
  if (!s) {
    d.error = s.error();
    return false;
  }
  d.written += n;
  d.mgr.next_output_byte = d.buffer;
  d.mgr.free_in_buffer = sizeof d.buffer;
  return true;
}

void startDestination(j_compress_ptr info) {
  auto* d = reinterpret_cast<FileDestination*>(info->dest);
  d->mgr.next_output_byte = d->buffer;
  d->mgr.free_in_buffer = sizeof d->buffer;
}

boolean emptyDestination(j_compress_ptr info) {
  auto* d = reinterpret_cast<FileDestination*>(info->dest);
  if (!flushDestination(*d, sizeof d->buffer)) onError(reinterpret_cast<j_common_ptr>(info));
  return TRUE;
}

void finishDestination(j_compress_ptr info) {
  auto* d = reinterpret_cast<FileDestination*>(info->dest);
  if (!flushDestination(*d, sizeof d->buffer - d->mgr.free_in_buffer)) onError(reinterpret_cast<j_common_ptr>(info));
}

}  // namespace

Result<std::vector<std::uint8_t>> encodeJpeg(const tbitmap& picture, int quality,
                                             std::span<const JpegExtraSegment> extra,
                                             std::span<const std::uint8_t> exif) {
  return compressToMemory({picture.width, picture.height, quality}, exifSegment(exif, picture.width, picture.height),
                          extra, [&picture](std::int32_t y0, std::int32_t, tpixel*) -> Result<BmpRows> {
                            return BmpRows{picture.row(y0), picture.width};
                          });
}

Status writeJpegRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                     const BmpRowSource& rows, std::span<const std::uint8_t> exif) {
  if (Status size = checkWritableSize(path, width, height); !size) return size;
  auto file = AtomicFile::create(path);
  if (!file) return file.error();
  Encoder e;
  auto d = std::make_unique<FileDestination>();
  d->file = &*file;
  d->mgr.init_destination = startDestination;
  d->mgr.empty_output_buffer = emptyDestination;
  d->mgr.term_destination = finishDestination;
  e.info.dest = &d->mgr;
  if (Status s = compress(e, {width, height, quality}, exifSegment(exif, width, height), {}, rows,
                          "Cannot write " + printable(path) + ": ", &d->error);
      !s)
    return s;
  return file->commit();
}

Status writeJpegBands(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                      const BmpRowSource& rows, std::span<const std::uint8_t> exif) {
  // Bands start on a row of blocks whose restart marker is RST7 (rows of 16
  // pixels, markers counted modulo 8), so each band's own markers are the
  // ones the whole file has there.
  constexpr std::int32_t kBandStep = 8 * 16;
  const std::int32_t cores = static_cast<std::int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  if (height <= kBandStep || cores < 2) return writeJpegRows(path, width, height, quality, rows, exif);
  const std::int32_t steps = (height + kBandStep - 1) / kBandStep;
  const std::int32_t bandRows = (steps + cores - 1) / cores * kBandStep;
  const int bands = static_cast<int>((height + bandRows - 1) / bandRows);
  if (Status size = checkWritableSize(path, width, height); !size) return size;
  const std::string prefix = "Cannot write " + printable(path) + ": ";
  std::vector<Result<std::vector<std::uint8_t>>> parts(static_cast<std::size_t>(bands),
                                                        Error{"not encoded"});
  eachAtOnce(bands, [&](int i) {
    const std::int32_t first = i * bandRows, n = std::min(bandRows, height - first);
    // The first band's headers are the file's: the whole picture's EXIF.
    const std::vector<std::uint8_t> app1 = i == 0 ? exifSegment(exif, width, height) : std::vector<std::uint8_t>{};
    parts[static_cast<std::size_t>(i)] = compressToMemory(
        {width, n, quality, true}, app1, {},
        [&rows, first](std::int32_t y0, std::int32_t count, tpixel* buffer) { return rows(first + y0, count, buffer); },
        prefix);
  });
  std::vector<std::uint8_t> file;
  for (int i = 0; i < bands; ++i) {
    auto& part = parts[static_cast<std::size_t>(i)];
    if (!part) return part.error();
    const std::size_t data = i == 0 ? 0 : scanDataStart(*part);
    if ((i == 0 && !setFrameHeight(*part, height)) || (i > 0 && data == 0) || part->size() < data + 2)
      return Error{prefix + "JPEG writer: unexpected band headers", ErrorKind::CannotWrite};
    if (i > 0) file.insert(file.end(), {0xFF, 0xD7});
    file.insert(file.end(), part->begin() + static_cast<std::ptrdiff_t>(data), part->end() - 2);  // without EOI
  }
  file.insert(file.end(), {0xFF, 0xD9});
  return writeFileAtomically(path, file);
}
