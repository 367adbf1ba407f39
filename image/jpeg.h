#pragma once
// JPEG through libjpeg-turbo: the segments before the picture data, the
// EXIF facts we use, a row-by-row decoder and an encoder. The decoders read
// byte sources, so a view inside a larger file is read where it lies.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/bmp.h"
#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"
#include "platform/source.h"

bool isJpeg(std::span<const std::uint8_t> bytes);  // starts with SOI and a marker

struct JpegSegment {
  std::uint8_t marker = 0;            // 0xE0 for APP0, ...
  std::uint64_t offset = 0;           // of the payload in the source, after the length field
  std::vector<std::uint8_t> payload;  // APPn segments only; empty for the others
};
// The segments of the JPEG at start, from SOI up to the first SOS. Error when
// a segment runs past the end or no picture data follows.
Result<std::vector<JpegSegment>> readJpegSegments(const ByteSource& source, std::uint64_t start = 0);
// The first segment with that marker whose payload starts with identifier,
// with the identifier cut off (and counted into the offset); or nullopt.
std::optional<JpegSegment> findSegment(const std::vector<JpegSegment>& segments, std::uint8_t marker,
                                       std::span<const std::uint8_t> identifier);

// EXIF orientation 1..8 (1 when absent or out of range).
int exifOrientation(const std::vector<JpegSegment>& segments);
// The JPEG thumbnail EXIF carries, if it lies inside its segment.
std::optional<std::vector<std::uint8_t>> exifThumbnail(const std::vector<JpegSegment>& segments);

// Turns a picture as stored into the picture as shown, by EXIF orientation.
std::unique_ptr<tbitmap> applyOrientation(std::unique_ptr<tbitmap> stored, int orientation);

// Row-by-row decoding of one JPEG: the headers are read and checked (the BMP
// reader's caps, and enough entropy data for the declared size) before any
// picture memory is allocated. Grey, YCbCr, CMYK and YCCK all give RGB rows.
// Rows come as stored: the caller applies the orientation.
class JpegDecoder {
 public:
  // The JPEG in bytes start .. start + length of the source, which outlives
  // the decoder. minSide > 0: libjpeg's reduced decode (by 2, 4 or 8) as far
  // as it keeps both sides at least minSide.
  static Result<std::unique_ptr<JpegDecoder>> open(const ByteSource& source, std::uint64_t start,
                                                   std::uint64_t length, int minSide = 0);
  ~JpegDecoder();
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;
  std::int32_t width() const;
  std::int32_t height() const;
  // The next row from the top, width() pixels.
  Status readRow(tpixel* out);

  struct State;

 private:
  explicit JpegDecoder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// A reader of the JPEG at start, with the given number of views in its
// header, turned by its EXIF orientation (or by orientation, when not 0).
// minSide as for JpegDecoder.
struct JpegOpening {
  int views = 1;
  int minSide = 0;
  int orientation = 0;
};
Result<std::unique_ptr<PictureReader>> openJpegPicture(const ByteSource& source, std::uint64_t start,
                                                       std::uint64_t length, JpegOpening how);

// Baseline YCbCr 4:2:0 at quality 1..100, with JFIF APP0, or with a source's
// EXIF (its TIFF block, made fit by exifForPicture) in APP1 instead; extra
// segments (marker, payload) follow it.
struct JpegExtraSegment {
  std::uint8_t marker;
  std::vector<std::uint8_t> payload;
};
Result<std::vector<std::uint8_t>> encodeJpeg(const tbitmap& picture, int quality,
                                             std::span<const JpegExtraSegment> extra = {},
                                             std::span<const std::uint8_t> exif = {});
// The file encodeJpeg gives for a width x height picture, written atomically
// as the rows come: memory does not grow with the picture.
Status writeJpegRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                     const BmpRowSource& rows, std::span<const std::uint8_t> exif = {});
// The same picture encoded in bands of rows on the processor's cores, for rows
// that may be asked for from several threads at once, each with a buffer of
// its own. The bands are joined by restart markers, one after every row of
// blocks: the file decodes to the pixels writeJpegRows gives, in other bytes.
Status writeJpegBands(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                      const BmpRowSource& rows, std::span<const std::uint8_t> exif = {});
