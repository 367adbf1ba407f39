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

namespace {

Status saveJpeg(const tbitmap& picture, const std::string& path, int quality, std::span<const std::uint8_t> exif) {
  return writeEncoded(path, encodeJpeg(picture, quality, {}, exif));
}
Status saveJpegRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                    std::span<const std::uint8_t> exif, const BmpRowSource& rows, RowReading reading) {
  return reading == RowReading::AnyBand ? writeJpegBands(path, width, height, quality, rows, exif)
                                        : writeJpegRows(path, width, height, quality, rows, exif);
}
Status savePng(const tbitmap& picture, const std::string& path, int, std::span<const std::uint8_t> exif) {
  return writeEncoded(path, encodePng(picture, exif));
}
Status saveBmpPicture(const tbitmap& picture, const std::string& path, int, std::span<const std::uint8_t>) {
  return saveBmp(picture, path);
}
Status saveBmpRows(const std::string& path, std::int32_t width, std::int32_t height, int,
                   std::span<const std::uint8_t>, const BmpRowSource& rows, RowReading) {
  return writeBmpRows(path, width, height, rows);
}
Status saveMpo(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
               const SourceFacts& facts) {
  return writeEncoded(path, encodeMpo(left, right, quality, facts.exif, facts.stereo));
}
Status saveJps(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
               const SourceFacts& facts) {
  return writeEncoded(path, encodeJps(left, right, quality, facts.exif));
}
Status saveHeic(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
                const SourceFacts& facts) {
  return writeEncoded(path, encodeHeic(left, right, quality, facts.exif));
}
Status saveGif(std::span<const tbitmap* const> frames, const std::string& path, int delayMs, std::optional<int>) {
  return writeEncoded(path, encodeGifAnimation(frames, delayMs));
}
Status saveWebp(std::span<const tbitmap* const> frames, const std::string& path, int delayMs,
                std::optional<int> quality) {
  return writeEncoded(path, encodeWebpAnimation(frames, delayMs, quality));
}

// BMP first: what a name of no other format is written as.
constexpr OutputFormat kFormats[] = {
    {".bmp", "Bitmap Files", saveBmpPicture, saveBmpRows, nullptr, nullptr},
    {".jpg", "JPEG", saveJpeg, saveJpegRows, nullptr, nullptr},
    {".jpeg", "JPEG", saveJpeg, saveJpegRows, nullptr, nullptr},
    {".png", "PNG", savePng, nullptr, nullptr, nullptr},
    {".mpo", "MPO", nullptr, nullptr, saveMpo, nullptr},
    {".jps", "JPS", nullptr, nullptr, saveJps, nullptr},
    {".heic", "HEIC", nullptr, nullptr, saveHeic, nullptr},
    {".heif", "HEIC", nullptr, nullptr, saveHeic, nullptr},
    {".webp", "WebP", nullptr, nullptr, nullptr, saveWebp},
    {".gif", "GIF", nullptr, nullptr, nullptr, saveGif},
};
constexpr const OutputFormat& kBmp = kFormats[0];
constexpr const OutputFormat& kMpo = kFormats[4];
constexpr const OutputFormat& kWebp = kFormats[8];

}  // namespace

std::span<const OutputFormat> outputFormats() { return kFormats; }

const OutputFormat* outputFormatOf(const std::string& name) {
  const std::string ext = lowerExtension(name);
  for (const OutputFormat& f : kFormats)
    if (ext == f.extension) return &f;
  return nullptr;
}

bool isStereoName(const std::string& name) {
  const OutputFormat* f = outputFormatOf(name);
  return f && f->savePair;
}

bool isAnimationName(const std::string& name) {
  const OutputFormat* f = outputFormatOf(name);
  return f && f->saveFrames;
}

Status savePicture(const tbitmap& picture, const std::string& path, int quality,
                   std::span<const std::uint8_t> exif) {
  if (Status size = checkWritableSize(path, picture.width, picture.height); !size) return size;
  const OutputFormat* f = outputFormatOf(path);
  return (f && f->save ? *f : kBmp).save(picture, path, quality, exif);
}

bool savedInRows(const std::string& path) {
  const OutputFormat* f = outputFormatOf(path);
  return !f || f->saveRows;
}

bool savedAsBmp(const std::string& path) {
  const OutputFormat* f = outputFormatOf(path);
  return !f || !f->save || f == &kBmp;
}

Status savePictureRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                       std::span<const std::uint8_t> exif, const BmpRowSource& rows, RowReading reading) {
  const OutputFormat* f = outputFormatOf(path);
  return (f && f->saveRows ? *f : kBmp).saveRows(path, width, height, quality, exif, rows, reading);
}

Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality,
                         const SourceFacts& facts) {
  for (const tbitmap* view : {&left, &right})
    if (Status size = checkWritableSize(path, view->width, view->height); !size) return size;
  const OutputFormat* f = outputFormatOf(path);
  return (f && f->savePair ? *f : kMpo).savePair(left, right, path, quality, facts);
}

Status saveAnimation(std::span<const tbitmap* const> frames, const std::string& path, int delayMs,
                     std::optional<int> quality) {
  if (Status size = checkWritableSize(path, frames.front()->width, frames.front()->height); !size)
    return size;
  const OutputFormat* f = outputFormatOf(path);
  return (f && f->saveFrames ? *f : kWebp).saveFrames(frames, path, delayMs, quality);
}
