#include "stereo/rowexport.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "image/bmp.h"
#include "image/readahead.h"
#include "image/save.h"
#include "stereo/anaglyphrows.h"
#include "stereo/compose.h"
#include "stereo/methods.h"

namespace {

// Rows of a reader into a buffer of whole rows, a block at a time. The
// reader's first error is kept: after it, the reader has no rows left.
class Block {
 public:
  explicit Block(PictureReader& reader) : reader_(reader) {}
  Status skip(std::int32_t count) { return keep(reader_.skipRows(count)); }
  // The next count rows; the reader passes over its remaining rows when
  // last is set.
  Result<const tpixel*> read(std::int32_t count, bool last) {
    const std::int32_t width = reader_.header().width;
    rows_.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(width));
    if (Status s = keep(reader_.readRows(rows_.data(), width, count)); !s) return s.error();
    if (last)
      if (Status s = finish(); !s) return s.error();
    return static_cast<const tpixel*>(rows_.data());
  }
  std::ptrdiff_t stride() const { return reader_.header().width; }
  // The remaining rows passed over; the reader's first error.
  Status finish() {
    if (firstError_) firstError_ = reader_.skipRows(reader_.header().height - reader_.nextRow());
    return firstError_;
  }

 private:
  Status keep(Status s) {
    if (!s && firstError_) firstError_ = s;
    return s;
  }
  PictureReader& reader_;
  std::vector<tpixel> rows_;
  Status firstError_ = success();  // success while there is none
};

// The error reading the left picture whole, then the right, would give
// before the one met.
Status settle(Status result, Block& left, Block& right) {
  if (result) return result;
  if (Status s = left.finish(); !s) return s;
  if (Status s = right.finish(); !s) return s;
  return result;
}

class BitmapRows final : public PictureReader {
 public:
  explicit BitmapRows(const tbitmap& picture)
      : PictureReader({picture.width, picture.height}), picture_(picture) {}

 protected:
  Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    for (std::int32_t i = 0; i < count; ++i)
      std::copy_n(picture_.row(first + i), picture_.width, out + i * stride);
    return success();
  }
  Status skip(std::int32_t, std::int32_t) override { return success(); }

 private:
  const tbitmap& picture_;
};

// The anaglyph of the common region as a picture's rows, so that a thread of
// its own composes them while the rows before are encoded.
class AnaglyphReader final : public PictureReader {
 public:
  AnaglyphReader(Block& left, Block& right, const Overlap& o, AnaglyphMethodRows rows)
      : PictureReader({o.w, o.h}), left_(left), right_(right), o_(o), rows_(std::move(rows)) {}

 protected:
  Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    const bool last = first + count == o_.h;
    auto lp = left_.read(count, last);
    if (!lp) return lp.error();
    auto rp = right_.read(count, last);
    if (!rp) return rp.error();
    composeRows(
        rows_, count, o_.w, [&](int i) { return *lp + i * left_.stride() + o_.leftX; },
        [&](int i) { return *rp + i * right_.stride() + o_.rightX; }, [&](int i) { return out + i * stride; });
    return success();
  }

 private:
  Block &left_, &right_;
  Overlap o_;
  AnaglyphMethodRows rows_;
};

}  // namespace

Status writeAnaglyphRows(const std::string& path, int quality, PictureReader& left, PictureReader& right,
                         std::int32_t dx, std::int32_t dy, AnaglyphMethod method, ColourWeights leftColour,
                         ColourWeights rightColour, std::span<const std::uint8_t> exif) {
  Block l(left), r(right);
  if (!positionFits(dx, dy, left.header(), right.header())) return settle(Error{kPositionDoesNotFit}, l, r);
  const Overlap o = pairOverlap(dx, dy, left.header(), right.header());
  if (Status s = l.skip(o.leftY); !s) return settle(s, l, r);
  if (Status s = r.skip(o.rightY); !s) return settle(s, l, r);
  Status written = success();
  {
    // Its thread reads l and r until the end of this block, where it is joined.
    const auto composed =
        readAhead(std::make_unique<AnaglyphReader>(l, r, o, AnaglyphMethodRows(method, leftColour, rightColour)));
    Block rows(*composed);
    written = savePictureRows(path, o.w, o.h, quality, exif,
                              [&](std::int32_t y0, std::int32_t count, tpixel*) -> Result<BmpRows> {
                                auto p = rows.read(count, y0 + count == o.h);
                                if (!p) return p.error();
                                return BmpRows{*p, o.w};
                              });
  }
  return settle(written, l, r);
}

Status writeAlignedRows(const std::string& path, int quality, PictureReader& left, PictureReader& right,
                        std::int32_t dx, std::int32_t dy, bool rightPicture,
                        std::span<const std::uint8_t> exif) {
  Block l(left), r(right);
  if (!positionFits(dx, dy, left.header(), right.header())) return settle(Error{kPositionDoesNotFit}, l, r);
  const Overlap o = pairOverlap(dx, dy, left.header(), right.header());
  Block& picture = rightPicture ? r : l;
  const int x = rightPicture ? o.rightX : o.leftX, y = rightPicture ? o.rightY : o.leftY;
  if (Status s = (rightPicture ? l : r).finish(); !s) return settle(s, l, r);
  if (Status s = picture.skip(y); !s) return settle(s, l, r);
  return settle(savePictureRows(path, o.w, o.h, quality, exif,
                                [&](std::int32_t y0, std::int32_t count, tpixel*) -> Result<BmpRows> {
                                  auto p = picture.read(count, y0 + count == o.h);
                                  if (!p) return p.error();
                                  return BmpRows{*p + x, picture.stride()};
                                }),
                l, r);
}

Status refuseAfterRows(PictureReader& left, Error error) {
  Block l(left);
  if (Status s = l.finish(); !s) return s;
  return error;
}

std::unique_ptr<PictureReader> bitmapRows(const tbitmap& picture) {
  return std::make_unique<BitmapRows>(picture);
}

std::optional<Status> writeBmpAnaglyphFiles(const std::string& path, const ByteSource& left,
                                            const ByteSource& right, std::int32_t dx, std::int32_t dy,
                                            ColourWeights leftColour, ColourWeights rightColour) {
  auto l = parseBmpLayout(left), r = parseBmpLayout(right);
  if (!l || !r || l->bits != 24 || r->bits != 24) return std::nullopt;
  const PictureHeader lh{l->width, l->height}, rh{r->width, r->height};
  if (!positionFits(dx, dy, lh, rh)) return std::nullopt;
  const Overlap o = pairOverlap(dx, dy, lh, rh);
  // Each channel depends on the brightness sums alone, so the weights in the
  // files' order give the files' bytes.
  auto stored = [](ColourWeights c) { return ColourWeights{c.blue, c.green, c.red}; };
  const AnaglyphRows rows(stored(leftColour), stored(rightColour));
  return writeBmpFileRows(
      path, o.w, o.h,
      [&](std::int32_t y0, std::int32_t count, std::uint8_t* out, std::ptrdiff_t stride) -> Status {
        // The picture rows y .. y + count - 1 of one file: file rows next to
        // each other, read at once; the file offset of the first read.
        auto readRows = [count](const ByteSource& source, const BmpLayout& layout, std::int32_t y,
                                std::vector<std::uint8_t>& buffer) -> Result<std::size_t> {
          const std::int32_t k0 = std::min(layout.pictureRow(y), layout.pictureRow(y + count - 1));
          buffer.resize(static_cast<std::size_t>(count - 1) * layout.stride + layout.rowBytes());
          if (!source.readAt(layout.rowOffset(k0), buffer))
            return unreadable(source, "bitmap rows cannot be read");
          return layout.rowOffset(k0);
        };
        thread_local std::vector<std::uint8_t> leftRows, rightRows;
        auto lfirst = readRows(left, *l, o.leftY + y0, leftRows);
        if (!lfirst) return lfirst.error();
        auto rfirst = readRows(right, *r, o.rightY + y0, rightRows);
        if (!rfirst) return rfirst.error();
        // A row of the file, at the common region's first column.
        auto rowOf = [](const std::vector<std::uint8_t>& bytes, const BmpLayout& layout, std::uint64_t first,
                        std::int32_t row, std::int32_t x) {
          return reinterpret_cast<const tpixel*>(
              bytes.data() + (layout.rowOffset(layout.pictureRow(row)) - first) + 3 * std::size_t(x));
        };
        composeRows(
            rows, count, o.w, [&](int i) { return rowOf(leftRows, *l, *lfirst, o.leftY + y0 + i, o.leftX); },
            [&](int i) { return rowOf(rightRows, *r, *rfirst, o.rightY + y0 + i, o.rightX); },
            [&](int i) { return reinterpret_cast<tpixel*>(out + i * stride); });
        return success();
      });
}