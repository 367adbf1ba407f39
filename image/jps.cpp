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

namespace {

class JpsViewReader final : public PictureReader {
 public:
  JpsViewReader(PictureHeader header, std::unique_ptr<PictureReader> whole, bool overUnder, bool secondHalf)
      : PictureReader(header), whole_(std::move(whole)), overUnder_(overUnder), secondHalf_(secondHalf) {}

 protected:
  Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    if (overUnder_) {
      if (first == 0 && secondHalf_)
        if (Status s = whole_->skipRows(header().height); !s) return s;
      return whole_->readRows(out, stride, count);
    }
    row_.resize(static_cast<std::size_t>(whole_->header().width));
    const std::int32_t x0 = secondHalf_ ? header().width : 0;
    for (std::int32_t i = 0; i < count; ++i) {
      if (Status s = whole_->readRows(row_.data(), 0, 1); !s) return s;
      std::copy_n(row_.data() + x0, header().width, out + i * stride);
    }
    return success();
  }

 private:
  std::unique_ptr<PictureReader> whole_;
  bool overUnder_, secondHalf_;
  std::vector<tpixel> row_;
};

}  // namespace

Result<std::unique_ptr<PictureReader>> openJpsView(std::unique_ptr<PictureReader> whole, JpsLayout layout,
                                                   int view) {
  const PictureHeader& h = whole->header();
  const PictureHeader half{layout.overUnder ? h.width : h.width / 2,
                           layout.overUnder ? h.height / 2 : h.height, 2};
  if (half.width == 0 || half.height == 0) return Error{"JPS picture is too small to hold two views"};
  // The left view is in the first half only when the descriptor says so.
  const bool secondHalf = (view == 0) != layout.leftFirst;
  return std::unique_ptr<PictureReader>(
      new JpsViewReader(half, std::move(whole), layout.overUnder, secondHalf));
}

Result<std::vector<std::uint8_t>> encodeJps(const tbitmap& left, const tbitmap& right, int quality,
                                            std::span<const std::uint8_t> exif) {
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
  return encodeJpeg(whole, quality, extra, exif);
}
