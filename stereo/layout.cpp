#include "stereo/layout.h"

#include <algorithm>
#include <utility>

#include "image/reduce.h"
#include "image/save.h"
#include "stereo/compose.h"
#include "stereo/export.h"

std::optional<LayoutKind> layoutByName(const std::string& name) {
  for (std::size_t i = 0; i < kLayoutNames.size(); ++i)
    if (name == kLayoutNames[i]) return static_cast<LayoutKind>(i);
  return std::nullopt;
}

namespace {

void place(tbitmap& out, const tbitmap& view, int x0, int y0) {
  for (int y = 0; y < view.height; ++y) std::copy_n(view.row(y), view.width, out.row(y0 + y) + x0);
}

// The region common to both pictures at (dx, dy).
Result<Overlap> commonRegion(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy) {
  if (!positionFits(dx, dy, left, right)) return Error{kPositionDoesNotFit};
  const Overlap o = pairOverlap(dx, dy, left, right);
  if (o.w <= 0 || o.h <= 0) return Error{"The pictures have no region in common at this position"};
  return o;
}

// Both views cut to the common region.
Result<AlignedViews> commonViews(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                 std::int32_t dy) {
  if (auto o = commonRegion(left, right, dx, dy); !o) return o.error();
  return AlignedViews{alignedLeft(left, &right, dx, dy), alignedRight(&left, right, dx, dy)};
}

// A full-size layout's rows, read from the pictures where they lie: no view
// is cut out and no whole layout held, and any band of rows may be read from
// any thread. None for the layouts that squeeze the views.
struct ArrangedRows {
  std::int32_t width = 0, height = 0;
  BmpRowSource rows;
};
std::optional<ArrangedRows> arrangedRows(LayoutKind kind, const tbitmap& left, const tbitmap& right,
                                         const Overlap& o) {
  const int w = o.w, h = o.h;
  auto l = [&left, o](int y) { return left.row(o.leftY + y) + o.leftX; };
  auto r = [&right, o](int y) { return right.row(o.rightY + y) + o.rightX; };
  // Each row of the layout made of pieces, each piece a view's row.
  auto copied = [](int width, auto pieces) {
    return [width, pieces](std::int32_t y0, std::int32_t count, tpixel* buffer) -> Result<BmpRows> {
      for (std::int32_t i = 0; i < count; ++i) pieces(y0 + i, buffer + std::ptrdiff_t{i} * width);
      return BmpRows{buffer, width};
    };
  };
  switch (kind) {
    case LayoutKind::Sbs:
    case LayoutKind::Rgbd:
      return ArrangedRows{2 * w, h, copied(2 * w, [=](int y, tpixel* out) {
                            std::copy_n(l(y), w, out);
                            std::copy_n(r(y), w, out + w);
                          })};
    case LayoutKind::OverUnder:
      return ArrangedRows{w, 2 * h, copied(w, [=](int y, tpixel* out) { std::copy_n(y < h ? l(y) : r(y - h), w, out); })};
    case LayoutKind::Rows:
      // Left view on the even rows counted from 0 at the top.
      return ArrangedRows{w, h, copied(w, [=](int y, tpixel* out) { std::copy_n(y % 2 ? r(y) : l(y), w, out); })};
    case LayoutKind::SbsHalf:
    case LayoutKind::OverUnderHalf:
      break;
  }
  return std::nullopt;
}

}  // namespace

Result<AlignedViews> reducedViews(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                                  std::int32_t width) {
  auto o = commonRegion(left, right, dx, dy);
  if (!o) return o.error();
  return AlignedViews{reduceRegionToWidth(left, {o->leftX, o->leftY, o->w, o->h}, width),
                      reduceRegionToWidth(right, {o->rightX, o->rightY, o->w, o->h}, width)};
}

Result<std::unique_ptr<tbitmap>> buildLayout(LayoutKind kind, const tbitmap& left, const tbitmap& right,
                                             std::int32_t dx, std::int32_t dy, std::int32_t width) {
  auto region = commonRegion(left, right, dx, dy);
  if (!region) return region.error();
  std::unique_ptr<tbitmap> out;
  if (auto arranged = arrangedRows(kind, left, right, *region)) {
    out = std::make_unique<tbitmap>(arranged->width, arranged->height);
    (void)arranged->rows(0, out->height, out->row(0));
    return reduceToWidth(std::move(out), width);
  }
  auto views = commonViews(left, right, dx, dy);
  if (!views) return views.error();
  const tbitmap *l = views->left.get(), *r = views->right.get();
  const int w = l->width, h = l->height;
  if (kind == LayoutKind::SbsHalf) {
    const int half = (w + 1) / 2;
    out = std::make_unique<tbitmap>(2 * half, h);
    place(*out, *reduceByArea(*l, half, h), 0, 0);
    place(*out, *reduceByArea(*r, half, h), half, 0);
  } else {
    const int half = (h + 1) / 2;
    out = std::make_unique<tbitmap>(w, 2 * half);
    place(*out, *reduceByArea(*l, w, half), 0, 0);
    place(*out, *reduceByArea(*r, w, half), 0, half);
  }
  return reduceToWidth(std::move(out), width);
}

Status saveLayout(LayoutKind kind, const tbitmap& left, const tbitmap& right, std::int32_t dx,
                  std::int32_t dy, std::int32_t width, const std::string& path, int quality,
                  std::span<const std::uint8_t> exif) {
  auto region = commonRegion(left, right, dx, dy);
  if (!region) return region.error();
  // A full-size layout goes to the file a band of rows at a time, on every core.
  if (auto arranged = arrangedRows(kind, left, right, *region);
      arranged && savedInRows(path) && (width <= 0 || width >= arranged->width)) {
    return savePictureRows(path, arranged->width, arranged->height, quality, exif, arranged->rows,
                           RowReading::AnyBand);
  }
  auto picture = buildLayout(kind, left, right, dx, dy, width);
  if (!picture) return picture.error();
  return savePicture(**picture, path, quality, exif);
}

Status saveWiggle(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                  const std::string& path, const WiggleSettings& settings) {
  auto views = reducedViews(left, right, dx, dy, settings.width);
  if (!views) return views.error();
  const tbitmap* frames[] = {views->left.get(), views->right.get()};
  return saveAnimation(frames, path, settings.delayMs, settings.quality);
}
