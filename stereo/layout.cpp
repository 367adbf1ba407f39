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

// Both views cut to the common region.
Result<AlignedViews> commonViews(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                 std::int32_t dy) {
  if (!positionFits(dx, dy, left, right)) return Error{kPositionDoesNotFit};
  const Overlap o = pairOverlap(dx, dy, left, right);
  if (o.w <= 0 || o.h <= 0) return Error{"The pictures have no region in common at this position"};
  return AlignedViews{alignedLeft(left, &right, dx, dy), alignedRight(&left, right, dx, dy)};
}

}  // namespace

Result<std::unique_ptr<tbitmap>> buildLayout(LayoutKind kind, const tbitmap& left, const tbitmap& right,
                                             std::int32_t dx, std::int32_t dy, std::int32_t width) {
  auto views = commonViews(left, right, dx, dy);
  if (!views) return views.error();
  const tbitmap *l = views->left.get(), *r = views->right.get();
  const int w = l->width, h = l->height;
  std::unique_ptr<tbitmap> out;
  switch (kind) {
    case LayoutKind::Sbs:
      out = std::make_unique<tbitmap>(2 * w, h);
      place(*out, *l, 0, 0);
      place(*out, *r, w, 0);
      break;
    case LayoutKind::SbsHalf: {
      const int half = (w + 1) / 2;
      out = std::make_unique<tbitmap>(2 * half, h);
      place(*out, *reduceByArea(*l, half, h), 0, 0);
      place(*out, *reduceByArea(*r, half, h), half, 0);
      break;
    }
    case LayoutKind::OverUnder:
      out = std::make_unique<tbitmap>(w, 2 * h);
      place(*out, *l, 0, 0);
      place(*out, *r, 0, h);
      break;
    case LayoutKind::OverUnderHalf: {
      const int half = (h + 1) / 2;
      out = std::make_unique<tbitmap>(w, 2 * half);
      place(*out, *reduceByArea(*l, w, half), 0, 0);
      place(*out, *reduceByArea(*r, w, half), 0, half);
      break;
    }
    case LayoutKind::Rows:
      // Left view on the even rows counted from 0 at the top.
      out = std::make_unique<tbitmap>(w, h);
      for (int y = 0; y < h; ++y) std::copy_n((y % 2 ? *r : *l).row(y), w, out->row(y));
      break;
  }
  return reduceToWidth(std::move(out), width);
}

Status saveLayout(LayoutKind kind, const tbitmap& left, const tbitmap& right, std::int32_t dx,
                  std::int32_t dy, std::int32_t width, const std::string& path, int quality,
                  std::span<const std::uint8_t> exif) {
  auto picture = buildLayout(kind, left, right, dx, dy, width);
  if (!picture) return picture.error();
  return savePicture(**picture, path, quality, exif);
}

Status saveWiggle(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                  const std::string& path, const WiggleSettings& settings) {
  auto views = commonViews(left, right, dx, dy);
  if (!views) return views.error();
  const auto l = reduceToWidth(std::move(views->left), settings.width);
  const auto r = reduceToWidth(std::move(views->right), settings.width);
  const tbitmap* frames[] = {l.get(), r.get()};
  return saveAnimation(frames, path, settings.delayMs, settings.quality);
}
