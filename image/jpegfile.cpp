#include "image/jpegfile.h"

#include "image/jpeg.h"
#include "image/jps.h"
#include "image/mpo.h"
#include "image/save.h"

namespace {

struct Layout {
  int views = 1;
  MpoViews mpo;  // where the views are, for a stereo MPO
  bool isMpo = false;
  std::optional<JpsLayout> jps;  // for a JPS
};

bool namedJps(const ByteSource& source) { return lowerExtension(source.name()) == ".jps"; }

Result<Layout> readLayout(const ByteSource& source, const std::vector<JpegSegment>& segments) {
  Layout l;
  auto index = readMpoIndex(segments);
  if (!index) return index.error();
  if (*index) {
    auto views = locateMpoViews(source, **index);
    if (!views) return views.error();
    if (*views) l = {2, **views, true, std::nullopt};
    return l;
  }
  auto jps = readJpsLayout(segments);
  if (!jps) return jps.error();
  if (*jps)
    l.jps = **jps;
  else if (namedJps(source))
    l.jps = JpsLayout{};
  if (l.jps && l.jps->stereo) l.views = 2;
  return l;
}

Result<std::unique_ptr<PictureReader>> openView(const ByteSource& source, int view, int minSide) {
  auto segments = readJpegSegments(source);
  if (!segments) return unreadable(source, segments.error().message);
  auto layout = readLayout(source, *segments);
  if (!layout) return unreadable(source, layout.error().message);
  const Layout& l = *layout;
  if (l.isMpo) {
    const MpoView& v = view == 0 ? l.mpo.left : l.mpo.right;
    return openJpegPicture(source, v.start, v.length, {2, minSide, 0});
  }
  auto whole = openJpegPicture(source, 0, source.size(), {l.views, minSide, 0});
  if (!whole || l.views == 1) return whole;
  auto half = openJpsView(std::move(whole.value()), *l.jps, view);
  if (!half) return unreadable(source, half.error().message);
  return half;
}

// A reader of a thumbnail that keeps the thumbnail's bytes.
class ThumbnailReader final : public PictureReader {
 public:
  ThumbnailReader(std::unique_ptr<std::vector<std::uint8_t>> bytes, std::unique_ptr<SpanSource> source,
                  std::unique_ptr<PictureReader> reader)
      : PictureReader(reader->header()),
        bytes_(std::move(bytes)),
        source_(std::move(source)),
        reader_(std::move(reader)) {}

 protected:
  Status decodeRows(std::int32_t, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    return reader_->readRows(out, stride, count);
  }

 private:
  std::unique_ptr<std::vector<std::uint8_t>> bytes_;
  std::unique_ptr<SpanSource> source_;
  std::unique_ptr<PictureReader> reader_;
};

bool recognises(std::span<const std::uint8_t> head) { return isJpeg(head); }
Result<std::unique_ptr<PictureReader>> open(const ByteSource& source, int view) {
  return openView(source, view, 0);
}

Result<std::unique_ptr<PictureReader>> preview(const ByteSource& source, int minSide) {
  auto segments = readJpegSegments(source);
  if (!segments) return unreadable(source, segments.error().message);
  // A side-by-side file's thumbnail shows both halves: only plain JPEGs and
  // MPOs (whose first image is the left view) use theirs.
  auto layout = readLayout(source, *segments);
  auto thumbnail = exifThumbnail(*segments);
  if (layout && !layout->jps && thumbnail) {
    auto bytes = std::make_unique<std::vector<std::uint8_t>>(std::move(*thumbnail));
    auto small = std::make_unique<SpanSource>(*bytes, source.name());
    auto reader = openJpegPicture(*small, 0, bytes->size(), {1, 0, exifOrientation(*segments)});
    if (reader && reader.value()->header().width >= minSide && reader.value()->header().height >= minSide)
      return std::unique_ptr<PictureReader>(
          new ThumbnailReader(std::move(bytes), std::move(small), std::move(reader.value())));
  }
  return openView(source, 0, minSide);
}

}  // namespace

const PictureDecoder jpegFileDecoder{recognises, noCheck, open, preview, openView};
