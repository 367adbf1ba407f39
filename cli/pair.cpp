#include "cli/pair.h"

#include <vector>

#include "cli/rows.h"
#include "image/jpeg.h"
#include "stereo/rowexport.h"

Status writePictures(std::span<const SavedExport> exports, std::span<const std::string> names,
                     const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                     const ExportSettings& settings) {
  // Only the pictures the rows cannot give are held; the others are written
  // from the pictures' rows when their turn comes.
  if (Status s = checkExport(ExportKind::All, &left, &right, dx, dy); !s) return s;
  std::vector<std::unique_ptr<tbitmap>> pictures(exports.size());
  for (std::size_t i = 0; i < exports.size(); ++i) {
    if (writtenFromRows(exports[i].kind)) continue;
    auto picture = buildExport(exports[i].kind, &left, &right, dx, dy, settings);
    if (!picture) return picture.error();
    pictures[i] = std::move(picture.value());
  }
  for (std::size_t i = 0; i < exports.size(); ++i) {
    const auto l = bitmapRows(left), r = bitmapRows(right);
    const Status s = pictures[i] ? pictures[i]->saveBmp(names[i])
                                 : writeRows(exports[i].kind, *l, *r, dx, dy, settings, names[i], kJpegDefaultQuality);  // the names are BMP
    if (!s) return s;
  }
  return success();
}
