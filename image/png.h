#pragma once
// PNG through libpng: a row-by-row decoder on a byte source, and an encoder.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"
#include "platform/source.h"

bool isPng(std::span<const std::uint8_t> bytes);  // the 8-byte signature

// Grey, palette, 16-bit and interlaced files all give 8-bit RGB rows; alpha
// is composited over white. The headers are checked (the BMP reader's caps,
// and enough compressed data for the declared size) before any picture
// memory is allocated.
class PngDecoder {
 public:
  // The source outlives the decoder.
  static Result<std::unique_ptr<PngDecoder>> open(const ByteSource& source);
  ~PngDecoder();
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;
  std::int32_t width() const;
  std::int32_t height() const;
  // The next row from the top, width() pixels.
  Status readRow(tpixel* out);

  struct State;

 private:
  explicit PngDecoder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

extern const PictureDecoder pngDecoder;

// 8-bit RGB, not interlaced; a source's EXIF (its TIFF block, made fit by
// exifForPicture) in an eXIf chunk.
Result<std::vector<std::uint8_t>> encodePng(const tbitmap& picture, std::span<const std::uint8_t> exif = {});
// 16-bit grey, row by row from the top, written for speed over size.
Result<std::vector<std::uint8_t>> encodeGrey16Png(std::int32_t width, std::int32_t height,
                                                   std::span<const std::uint16_t> values);
