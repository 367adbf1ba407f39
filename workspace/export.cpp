// The workspace's exports: one place decides the route (rows streamed from
// the files, or the pictures composed whole) and the format (by the name).
#include <memory>
#include <utility>
#include <vector>

#include "image/bmp.h"
#include "image/exif.h"
#include "image/readahead.h"
#include "image/save.h"
#include "stereo/compose.h"
#include "stereo/rowexport.h"
#include "stereo/web.h"
#include "workspace/workspace.h"

namespace {

// The exports that rows give without the pictures held whole.
bool writtenFromRows(ExportKind kind) {
  return kind == ExportKind::Anaglyph || kind == ExportKind::Left || kind == ExportKind::Right;
}

Status writeRows(ExportKind kind, PictureReader& left, PictureReader& right, std::int32_t dx, std::int32_t dy,
                 const ExportSettings& s, const std::string& path, int quality,
                 std::span<const std::uint8_t> exif = {}) {
  if (kind == ExportKind::Anaglyph)
    return writeAnaglyphRows(path, quality, left, right, dx, dy, s.method, s.leftColour, s.rightColour, exif);
  return writeAlignedRows(path, quality, left, right, dx, dy, kind == ExportKind::Right, exif);
}

}  // namespace

std::optional<Status> tworkspace::streamExport(ExportKind kind, const std::string& name) {
  if (!undecoded_ || !writtenFromRows(kind) || !savedInRows(name) || !correction_.none() || settings_.matchColours)
    return std::nullopt;
  auto left = PictureFile::open(leftFileName_);
  if (!left) return Status(left.error());
  // A stereo file among them is read whole.
  if (left->header().views > 1) return std::nullopt;
  auto leftRows = left->reader();
  if (!leftRows) return Status(leftRows.error());
  auto right = PictureFile::open(rightFileName_);
  if (!right) return refuseAfterRows(**leftRows, right.error());
  if (right->header().views > 1) return std::nullopt;
  auto rightRows = right->reader();
  if (!rightRows) return Status(rightRows.error());
  if (kind == ExportKind::Anaglyph && settings_.exports.method == AnaglyphMethod::Custom && savedAsBmp(name)) {
    if (auto s = writeBmpAnaglyphFiles(name, left->source(), right->source(), rightOffsetX_, rightOffsetY_,
                                       settings_.exports.leftColour, settings_.exports.rightColour))
      return s;
  }
  // Each picture decodes on a core of its own while the rows are composed and written.
  const auto l = readAhead(std::move(*leftRows)), r = readAhead(std::move(*rightRows));
  return writeRows(kind, *l, *r, rightOffsetX_, rightOffsetY_, settings_.exports, name, settings_.quality,
                   readSourceFacts(cameraFile_).exif);
}

Status tworkspace::exportTo(ExportKind kind, const std::string& chosen) {
  if (kind == ExportKind::All) return exportEach(kSaveAll, saveAllNames(chosen));
  const std::string name = completeExportName(chosen);
  if (auto streamed = streamExport(kind, name)) return *streamed;
  if (Status s = decode(); !s) return s;
  if (Status s = checkExport(kind, leftImage_.get(), rightImage_.get(), rightOffsetX_, rightOffsetY_); !s)
    return s;
  const bool aligned = kind == ExportKind::Left || kind == ExportKind::Right;
  if (aligned && isStereoName(name)) {
    if (Status s = exportStereo(name); !s) return s;
  } else {
    auto picture = buildExport(kind, leftImage_.get(), rightImage_.get(), rightOffsetX_, rightOffsetY_, settings_.exports);
    if (!picture) return picture.error();
    if (Status s = savePicture(**picture, name, settings_.quality, readSourceFacts(cameraFile_).exif); !s) return s;
  }
  if (aligned) adoptWritten(kind, name);
  return success();
}

// A written aligned picture becomes the file of its side. Its position
// belongs to the pair it was cut from, so no position file follows.
void tworkspace::adoptWritten(ExportKind kind, const std::string& name) {
  (kind == ExportKind::Left ? leftFileName_ : rightFileName_) = name;
  suppressPosWrite_ = true;
}

Status tworkspace::exportStereo(const std::string& name, StereoTarget target) {
  if (Status s = decode(); !s) return s;
  for (ExportKind side : {ExportKind::Left, ExportKind::Right})
    if (Status s = checkExport(side, leftImage_.get(), rightImage_.get(), rightOffsetX_, rightOffsetY_); !s)
      return s;
  const SourceFacts facts = readSourceFacts(cameraFile_);
  const tbitmap &l = *leftImage_, &r = *rightImage_;
  if (target == StereoTarget::Console) {
    auto views = consoleViews(l, r, rightOffsetX_, rightOffsetY_);
    if (!views) return views.error();
    return saveStereoPicture(*views->left, *views->right, name, settings_.quality, facts);
  }
  return saveStereoPicture(*alignedLeft(l, &r, rightOffsetX_, rightOffsetY_),
                           *alignedRight(&l, r, rightOffsetX_, rightOffsetY_), name, settings_.quality, facts);
}

Status tworkspace::exportEach(std::span<const SavedExport> exports, std::span<const std::string> names) {
  if (Status s = decode(); !s) return s;
  const std::int32_t dx = rightOffsetX_, dy = rightOffsetY_;
  if (Status s = checkExport(ExportKind::All, leftImage_.get(), rightImage_.get(), dx, dy); !s) return s;
  // Only the pictures the rows cannot give are held; the others are written
  // from the pictures' rows when their turn comes.
  std::vector<std::unique_ptr<tbitmap>> pictures(exports.size());
  for (std::size_t i = 0; i < exports.size(); ++i) {
    if (writtenFromRows(exports[i].kind)) continue;
    auto picture = buildExport(exports[i].kind, leftImage_.get(), rightImage_.get(), dx, dy, settings_.exports);
    if (!picture) return picture.error();
    pictures[i] = std::move(picture.value());
  }
  for (std::size_t i = 0; i < exports.size(); ++i) {
    const auto l = bitmapRows(*leftImage_), r = bitmapRows(*rightImage_);
    // The names are BMP: no settings_.quality, no camera data.
    const Status s = pictures[i] ? saveBmp(*pictures[i], names[i])
                                 : writeRows(exports[i].kind, *l, *r, dx, dy, settings_.exports, names[i], settings_.quality);
    if (!s) return s;
    if (exports[i].kind == ExportKind::Left || exports[i].kind == ExportKind::Right)
      adoptWritten(exports[i].kind, names[i]);
  }
  return success();
}

Status tworkspace::exportLayout(LayoutKind kind, const std::string& name, std::int32_t width) {
  if (Status s = decode(); !s) return s;
  const std::vector<std::uint8_t> exif = readSourceFacts(cameraFile_).exif;
  if (kind == LayoutKind::Rgbd) {
    auto depth = depthMap();
    if (!depth) return depth.error();
    const auto view = alignedLeft(*leftImage_, rightImage_.get(), rightOffsetX_, rightOffsetY_);
    return saveLayout(kind, *view, depthPicture(*depth), 0, 0, width, completeExportName(name), settings_.quality,
                      exif);
  }
  return saveLayout(kind, *leftImage_, *rightImage_, rightOffsetX_, rightOffsetY_, width,
                    completeExportName(name), settings_.quality, exif);
}

Result<DisparityMap> tworkspace::depthMap() {
  if (Status s = decode(); !s) return s.error();
  if (Status s = checkExport(ExportKind::Left, leftImage_.get(), rightImage_.get(), rightOffsetX_, rightOffsetY_);
      !s)
    return s.error();
  return disparityMap(*leftImage_, *rightImage_, rightOffsetX_, rightOffsetY_);
}

Status tworkspace::exportDepth(const std::string& name) {
  auto depth = depthMap();
  if (!depth) return depth.error();
  return saveDisparityMap(*depth, name);
}

Status tworkspace::exportWiggle(const std::string& name, const WiggleSettings& wiggle) {
  if (Status s = decode(); !s) return s;
  return saveWiggle(*leftImage_, *rightImage_, rightOffsetX_, rightOffsetY_, name, wiggle);
}

Status tworkspace::exportWeb(const std::string& name, std::int32_t width) {
  if (Status s = decode(); !s) return s;
  return saveWebPage(*leftImage_, *rightImage_, rightOffsetX_, rightOffsetY_, width, name, settings_.quality,
                     exifCaption(readSourceFacts(cameraFile_).exif));
}
