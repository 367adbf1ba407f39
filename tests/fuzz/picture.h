#pragma once
// One fuzz target per picture format shares this body: the format's seed
// corpus steers the input to its decoder, picked from the table as the
// loading commands pick it. Any input is refused with a message, or every
// view reads into a picture of the size its own header gives (the views of
// a stereo file may differ).
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/bmp.h"
#include "image/picture.h"

inline int fuzzPicture(const std::uint8_t* data, std::size_t size) {
  const SpanSource source(std::span<const std::uint8_t>(data, size));
  (void)decoderFor(source).check(source);
  auto reader = openPicture(source);
  if (!reader.ok()) {
    if (reader.error().message.empty()) __builtin_trap();
    return 0;
  }
  const PictureHeader header = reader.value()->header();
  if (!checkPictureSize(header.width, header.height).ok() || header.views < 1) __builtin_trap();
  for (int view = 0; view < header.views; ++view) {
    auto opened = openPicture(source, view);
    if (!opened.ok()) continue;
    const PictureHeader own = opened.value()->header();
    auto picture = readPicture(source, view);
    if (picture.ok() && (picture.value()->width != own.width || picture.value()->height != own.height))
      __builtin_trap();
  }
  return 0;
}
