#pragma once
// PNG through libpng: a row-by-row decoder and an encoder. Bytes in, not paths.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/tbitmap.h"
#include "platform/result.h"

bool isPng(std::span<const std::uint8_t> bytes);  // the 8-byte signature

// Grey, palette, 16-bit and interlaced files all give 8-bit RGB rows; alpha
// is composited over white. The headers are checked (the BMP reader's caps,
// and enough compressed data for the declared size) before any picture
// memory is allocated.
class PngDecoder {
 public:
  static Result<std::unique_ptr<PngDecoder>> open(std::span<const std::uint8_t> bytes);
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

Result<std::unique_ptr<tbitmap>> decodePng(std::span<const std::uint8_t> bytes);

// 8-bit RGB, not interlaced.
Result<std::vector<std::uint8_t>> encodePng(const tbitmap& picture);
