#include "image/jps.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kJpsId[] = {'_', 'J', 'P', 'S', 'J', 'P', 'S', '_'};
constexpr std::uint8_t kStereo = 1, kSideBySide = 2, kOverUnder = 3, kLeftFirst = 4;

}  // namespace

Result<std::optional<JpsLayout>> readJpsLayout(const std::vector<JpegSegment>& segments) {
  const auto app3 = findSegment(segments, 0xE3, kJpsId);
  if (!app3) return std::optional<JpsLayout>{};
  // Block length (2 bytes), then separation, flags, layout and media type.
  const auto& d = app3->payload;
  if (d.size() < 6 || (d[0] << 8 | d[1]) < 4) return Error{"JPS descriptor is cut short"};
  JpsLayout layout;
  layout.stereo = d[5] == kStereo;
  if (!layout.stereo) return std::optional<JpsLayout>(layout);
  if (d[4] != kSideBySide && d[4] != kOverUnder)
    return Error{"JPS layout is neither side by side nor over-under"};
  layout.overUnder = d[4] == kOverUnder;
  layout.leftFirst = (d[3] & kLeftFirst) != 0;
  return std::optional<JpsLayout>(layout);
}

Result<StereoViews> splitJps(const tbitmap& whole, JpsLayout layout) {
  const int w = layout.overUnder ? whole.width : whole.width / 2;
  const int h = layout.overUnder ? whole.height / 2 : whole.height;
  if (w == 0 || h == 0) return Error{"JPS picture is too small to hold two views"};
  const int dx = layout.overUnder ? 0 : w, dy = layout.overUnder ? h : 0;
  auto first = whole.crop(0, 0, w, h), second = whole.crop(dx, dy, dx + w, dy + h);
  if (layout.leftFirst) return StereoViews{std::move(first), std::move(second)};
  return StereoViews{std::move(second), std::move(first)};
}

Result<std::vector<std::uint8_t>> encodeJps(const tbitmap& left, const tbitmap& right, int quality) {
  if (left.width != right.width || left.height != right.height)
    return Error{"JPS views must have the same size"};
  tbitmap whole(2 * left.width, left.height);
  for (int y = 0; y < left.height; ++y) {
    std::copy_n(right.row(y), right.width, whole.row(y));
    std::copy_n(left.row(y), left.width, whole.row(y) + right.width);
  }
  std::vector<std::uint8_t> descriptor(std::begin(kJpsId), std::end(kJpsId));
  descriptor.insert(descriptor.end(), {0, 4, 0, 0, kSideBySide, kStereo});
  const JpegExtraSegment extra[] = {{0xE3, descriptor}};
  return encodeJpeg(whole, quality, extra);
}
