#include "stereo/export.h"

#include <algorithm>
#include <cctype>

#include "platform/files.h"

Status checkExport(ExportKind kind, const tbitmap* left, const tbitmap* right, std::int32_t dx,
                   std::int32_t dy) {
  const bool fits = left && right && positionFits(dx, dy, *left, *right);
  switch (kind) {
    case ExportKind::Anaglyph:
    case ExportKind::Parallel:
    case ExportKind::Crossed:
      if (!left) return Error{kLeftImageNotAssigned};
      if (!right) return Error{kRightImageNotAssigned};
      break;
    case ExportKind::Left:
      if (!left) return Error{kLeftPhotoNotDefined};
      if (!right) return success();
      break;
    case ExportKind::Right:
      if (!right) return Error{kRightPhotoNotDefined};
      if (!left) return success();
      break;
    case ExportKind::All:
      if (!left) return Error{kLeftPhotoNotDefined};
      if (!right) return Error{kRightPhotoNotDefined};
      break;
  }
  if (!fits) return Error{kPositionDoesNotFit};
  return success();
}

Result<std::unique_ptr<tbitmap>> buildExport(ExportKind kind, const tbitmap* left, const tbitmap* right,
                                             std::int32_t dx, std::int32_t dy, const ExportSettings& s) {
  if (Status check = checkExport(kind, left, right, dx, dy); !check) return check.error();
  switch (kind) {
    case ExportKind::Anaglyph:
      return buildAnaglyph(*left, *right, dx, dy, s.method, s.leftColour, s.rightColour);
    case ExportKind::Parallel:
      return buildSideBySide(*left, *right, dx, dy, s.viewSize, s.imageSpacing);
    case ExportKind::Crossed:
      return buildCrossed(*left, *right, dx, dy, s.viewSize, s.imageSpacing);
    case ExportKind::Left:
      return alignedLeft(*left, right, dx, dy);
    case ExportKind::Right:
      return alignedRight(left, *right, dx, dy);
    case ExportKind::All:
      break;
  }
  return Error{"Save all writes five pictures, not one"};
}

std::unique_ptr<tbitmap> alignedLeft(const tbitmap& left, const tbitmap* right, std::int32_t dx,
                                     std::int32_t dy) {
  if (!right) return left.crop(0, 0, left.width, left.height);
  const Overlap o = pairOverlap(dx, dy, left, *right);
  return left.crop(o.leftX, o.leftY, o.leftX + o.w, o.leftY + o.h);
}

std::unique_ptr<tbitmap> alignedRight(const tbitmap* left, const tbitmap& right, std::int32_t dx,
                                      std::int32_t dy) {
  if (!left) return right.crop(0, 0, right.width, right.height);
  const Overlap o = pairOverlap(dx, dy, *left, right);
  return right.crop(o.rightX, o.rightY, o.rightX + o.w, o.rightY + o.h);
}

std::string completeExportName(const std::string& name) { return hasExtension(name) ? name : name + ".BMP"; }

std::array<std::string, 5> saveAllNames(const std::string& chosen) {
  std::string base = chosen;
  if (hasExtension(chosen)) {
    const std::string ext = chosen.substr(chosen.rfind('.'));
    auto upper = [](unsigned char c) { return static_cast<char>(std::toupper(c)); };
    std::string folded(ext.size(), '\0');
    std::transform(ext.begin(), ext.end(), folded.begin(), upper);
    if (folded == ".BMP") base.resize(chosen.rfind('.'));
  }
  std::array<std::string, 5> names;
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = base + kSaveAll[i].suffix;
  return names;
}
