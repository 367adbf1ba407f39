#include "cli/rows.h"

#include <memory>
#include <utility>

#include "image/readahead.h"
#include "image/save.h"
#include "platform/source.h"
#include "stereo/compose.h"
#include "stereo/rowexport.h"

namespace {

// The reader refers to the file, so both live together.
struct Input {
  std::unique_ptr<FileSource> file;
  std::unique_ptr<PictureReader> reader;
};

// As loadPictureViews opens a file.
Result<Input> open(const std::string& path) {
  auto file = openFile(path);
  if (!file) return file.error();
  Input in{std::make_unique<FileSource>(std::move(*file)), nullptr};
  if (Status s = decoderFor(*in.file).check(*in.file); !s) return s.error();
  auto reader = openPicture(*in.file);
  if (!reader) return reader.error();
  in.reader = std::move(*reader);
  return in;
}

}  // namespace

bool writtenFromRows(ExportKind kind) {
  return kind == ExportKind::Anaglyph || kind == ExportKind::Left || kind == ExportKind::Right;
}

Status writeRows(ExportKind kind, PictureReader& left, PictureReader& right, std::int32_t dx, std::int32_t dy,
                 const ExportSettings& s, const std::string& path, int quality,
                 std::span<const std::uint8_t> exif) {
  if (kind == ExportKind::Anaglyph)
    return writeAnaglyphRows(path, quality, left, right, dx, dy, s.method, s.leftColour, s.rightColour, exif);
  return writeAlignedRows(path, quality, left, right, dx, dy, kind == ExportKind::Right, exif);
}

std::optional<Status> exportFromFiles(ExportKind kind, const std::string& leftPath,
                                      const std::string& rightPath, const PositionOptions& options,
                                      tposition stored, const ExportSettings& settings,
                                      const std::string& output, int quality,
                                      std::span<const std::uint8_t> exif) {
  auto left = open(leftPath);
  if (!left) return Status(left.error());
  if (left->reader->header().views > 1) return std::nullopt;
  auto right = open(rightPath);
  if (!right) return refuseAfterRows(*left->reader, right.error());
  if (right->reader->header().views > 1) return std::nullopt;
  if (kind == ExportKind::Anaglyph && settings.method == AnaglyphMethod::Custom && !options.swap &&
      lowerExtension(output) != ".jpg" && lowerExtension(output) != ".jpeg") {
    const tposition at = givenPosition(options, stored);
    if (auto s = writeBmpAnaglyphFiles(output, *left->file, *right->file, at.dx, at.dy, settings.leftColour,
                                       settings.rightColour))
      return s;
  }
  // Each picture decodes on a core of its own while the rows are composed and written.
  left->reader = readAhead(std::move(left->reader));
  right->reader = readAhead(std::move(right->reader));
  PictureReader *l = left->reader.get(), *r = right->reader.get();
  tposition p = givenPosition(options, stored);
  if (options.swap) {
    std::swap(l, r);
    p = {negatePosition(p.dx), negatePosition(p.dy)};
  }
  return writeRows(kind, *l, *r, p.dx, p.dy, settings, output, quality, exif);
}
