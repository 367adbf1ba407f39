#include "stereo/export.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "image/reduce.h"
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

Result<AlignedViews> consoleViews(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                  std::int32_t dy) {
  if (!positionFits(dx, dy, left, right)) return Error{kPositionDoesNotFit};
  const Overlap o = pairOverlap(dx, dy, left, right);
  // The widest 4:3 part, in 64-bit: w * 3 overflows for the widest pictures.
  const std::int64_t w = std::min<std::int64_t>(o.w, std::int64_t{o.h} * 4 / 3);
  const std::int64_t h = w * 3 / 4;
  if (h == 0)
    return Error{"The common region (" + std::to_string(o.w) + " x " + std::to_string(o.h) +
                 ") is too small for the console's 640 x 480 views"};
  const auto x = static_cast<std::int32_t>((o.w - w) / 2), y = static_cast<std::int32_t>((o.h - h) / 2);
  auto view = [&](const tbitmap& picture, std::int32_t x0, std::int32_t y0) {
    const auto part = picture.crop(x0 + x, y0 + y, x0 + x + static_cast<std::int32_t>(w),
                                   y0 + y + static_cast<std::int32_t>(h));
    return reduceByArea(*part, kConsoleWidth, kConsoleHeight);
  };
  return AlignedViews{view(left, o.leftX, o.leftY), view(right, o.rightX, o.rightY)};
}

std::string completeExportName(const std::string& name) { return hasExtension(name) ? name : name + ".BMP"; }

std::array<std::string, 5> saveAllNames(const std::string& chosen) {
  const std::string base = lowerExtension(chosen) == ".bmp" ? withoutExtension(chosen) : chosen;
  std::array<std::string, 5> names;
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = base + kSaveAll[i].suffix;
  return names;
}
