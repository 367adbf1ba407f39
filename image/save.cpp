#include "image/save.h"

#include "image/animation.h"
#include "image/bmp.h"
#include "image/exif.h"
#include "image/heif.h"
#include "image/jpeg.h"
#include "image/jps.h"
#include "image/mpo.h"
#include "image/png.h"
#include "platform/casefold.h"
#include "platform/files.h"

bool isStereoName(const std::string& name) {
  const std::string ext = lowerExtension(name);
  return ext == ".mpo" || ext == ".jps" || ext == ".heic" || ext == ".heif";
}

bool isAnimationName(const std::string& name) {
  const std::string ext = lowerExtension(name);
  return ext == ".webp" || ext == ".gif";
}

namespace {

Status writeEncoded(const std::string& path, Result<std::vector<std::uint8_t>> bytes) {
  if (!bytes)
    return Error{"Cannot write " + printable(path) + ": " + bytes.error().message, ErrorKind::CannotWrite};
  return writeFileAtomically(path, *bytes);
}

}  // namespace

SourceFacts readSourceFacts(const std::string& path) {
  SourceFacts facts;
  auto file = openFile(path);
  if (!file) return facts;
  if (&decoderFor(*file) == &heifDecoder) {
    facts.exif = heifExif(*file);
    return facts;
  }
  auto segments = readJpegSegments(*file);
  if (!segments) return facts;
  if (const auto exif = exifBytes(*segments)) facts.exif.assign(exif->begin(), exif->end());
  facts.stereo = readMpoAttributes(*segments);
  return facts;
}

Status savePicture(const tbitmap& picture, const std::string& path, int quality,
                   std::span<const std::uint8_t> exif) {
  if (Status size = checkWritableSize(path, picture.width, picture.height); !size) return size;
  const std::string ext = lowerExtension(path);
  if (ext == ".jpg" || ext == ".jpeg") return writeEncoded(path, encodeJpeg(picture, quality, {}, exif));
  if (ext == ".png") return writeEncoded(path, encodePng(picture, exif));
return saveBmp(picture, path);
}

bool savedInRows(const std::string& path) {
  const std::string ext = lowerExtension(path);
  return ext != ".png" && !isStereoName(path);
}

Status savePictureRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                       std::span<const std::uint8_t> exif, const BmpRowSource& rows, RowReading reading) {
  const std::string ext = lowerExtension(path);
  if (ext == ".jpg" || ext == ".jpeg")
    return reading == RowReading::AnyBand ? writeJpegBands(path, width, height, quality, rows, exif)
                                          : writeJpegRows(path, width, height, quality, rows, exif);
  return writeBmpRows(path, width, height, rows);
}

Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
                         const SourceFacts& facts) {
  for (const tbitmap* view : {&left, &right})
    if (Status size = checkWritableSize(path, view->width, view->height); !size) return size;
  const std::string ext = lowerExtension(path);
  if (ext == ".jps") return writeEncoded(path, encodeJps(left, right, quality, facts.exif));
  if (ext == ".heic" || ext == ".heif") return writeEncoded(path, encodeHeic(left, right, quality, facts.exif));
  return writeEncoded(path, encodeMpo(left, right, quality, facts.exif, facts.stereo));
}

Status saveAnimation(std::span<const tbitmap* const> frames, const std::string& path, int delayMs,
                     std::optional<int> quality) {
  if (Status size = checkWritableSize(path, frames.front()->width, frames.front()->height); !size)
    return size;
  if (lowerExtension(path) == ".gif") return writeEncoded(path, encodeGifAnimation(frames, delayMs));
  return writeEncoded(path, encodeWebpAnimation(frames, delayMs, quality));
}
