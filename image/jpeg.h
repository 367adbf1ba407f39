#pragma once
// JPEG through libjpeg-turbo: the segments before the picture data, the
// EXIF facts we use, a row-by-row decoder and an encoder. Bytes in, not paths.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "image/tbitmap.h"
#include "platform/result.h"

bool isJpeg(std::span<const std::uint8_t> bytes);  // starts with SOI and a marker

struct JpegSegment {
  std::uint8_t marker = 0;  // 0xE0 for APP0, ...
  std::size_t offset = 0;   // of the payload in the bytes, after the length field
  std::span<const std::uint8_t> payload;
};
// The segments from SOI up to the first SOS (or EOI). Error when a segment
// runs past the end or no picture data follows.
Result<std::vector<JpegSegment>> jpegSegments(std::span<const std::uint8_t> bytes);
// The payload after the identifier of the first segment with that marker
// whose payload starts with it, or nullopt.
std::optional<JpegSegment> findSegment(const std::vector<JpegSegment>& segments, std::uint8_t marker,
                                       std::span<const std::uint8_t> identifier);

// EXIF orientation 1..8 (1 when absent or out of range).
int exifOrientation(const std::vector<JpegSegment>& segments);
// The JPEG thumbnail EXIF carries, if it lies inside its segment.
std::optional<std::span<const std::uint8_t>> exifThumbnail(const std::vector<JpegSegment>& segments);

// Turns a picture as stored into the picture as shown, by EXIF orientation.
std::unique_ptr<tbitmap> applyOrientation(std::unique_ptr<tbitmap> stored, int orientation);

// Row-by-row decoding of one JPEG: the headers are read and checked (the BMP
// reader's caps, and enough entropy data for the declared size) before any
// picture memory is allocated. Grey, YCbCr, CMYK and YCCK all give RGB rows.
// Rows come as stored: the caller applies the orientation.
class JpegDecoder {
 public:
  // scaleDenom 1, 2, 4 or 8: libjpeg's reduced decode.
  static Result<std::unique_ptr<JpegDecoder>> open(std::span<const std::uint8_t> bytes, int scaleDenom = 1);
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

// The whole picture, orientation applied.
Result<std::unique_ptr<tbitmap>> decodeJpeg(std::span<const std::uint8_t> bytes, int scaleDenom = 1);

inline constexpr int kJpegDefaultQuality = 92;
// Baseline YCbCr 4:2:0 at quality 1..100, with JFIF APP0; extra segments
// (marker, payload) follow it.
struct JpegExtraSegment {
  std::uint8_t marker;
  std::vector<std::uint8_t> payload;
};
Result<std::vector<std::uint8_t>> encodeJpeg(const tbitmap& picture, int quality,
                                             std::span<const JpegExtraSegment> extra = {});
