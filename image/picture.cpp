#include "image/picture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/bmp.h"
#include "image/heif.h"
#include "image/jpegfile.h"
#include "image/png.h"
#include "platform/parallel.h"

namespace {

// BMP last: files have always been read as BMP whatever their first bytes.
const PictureDecoder* const kDecoders[] = {&jpegFileDecoder, &pngDecoder, &heifDecoder, &bmpDecoder};

}  // namespace

Status PictureReader::take(std::int32_t count) {
  if (count < 0 || count > header_.height - next_)
    return Error{"Cannot read past the last row of the picture"};
  next_ += count;
  return success();
}

Status PictureReader::readRows(tpixel* out, std::ptrdiff_t stride, std::int32_t count) {
  const std::int32_t first = next_;
  if (Status s = take(count); !s) return s;
  Status s = decodeRows(first, out, stride, count);
  if (!s) next_ = header_.height;
  return s;
}

Status PictureReader::skipRows(std::int32_t count) {
  const std::int32_t first = next_;
  if (Status s = take(count); !s) return s;
  Status s = skip(first, count);
  if (!s) next_ = header_.height;
  return s;
}

Status PictureReader::skip(std::int32_t first, std::int32_t count) {
  std::vector<tpixel> row(static_cast<std::size_t>(header_.width));
  for (std::int32_t y = first; y < first + count; ++y)
    if (Status s = decodeRows(y, row.data(), 0, 1); !s) return s;
  return success();
}

const PictureDecoder& decoderFor(const ByteSource& source) {
  std::uint8_t head[kPictureSniffBytes];
  const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), kPictureSniffBytes));
  const std::span<std::uint8_t> bytes(head, source.readAt(0, std::span(head, n)) ? n : 0);
  for (const PictureDecoder* d : kDecoders)
    if (d->recognises(bytes)) return *d;
  return *kDecoders[std::size(kDecoders) - 1];
}

Error unreadable(const ByteSource& source, const std::string& reason) {
  return Error{"Cannot read " + source.name() + ": " + reason};
}

namespace {

Result<std::unique_ptr<tbitmap>> readAll(Result<std::unique_ptr<PictureReader>> reader) {
  if (!reader) return reader.error();
  PictureReader& r = *reader.value();
  // The header proved the source holds every row before this allocation, and
  // the reader writes every pixel.
  auto picture = tbitmap::forOverwrite(r.header().width, r.header().height);
  if (Status s = r.readRows(picture->row(0), picture->width, picture->height); !s) return s.error();
  return picture;
}

}  // namespace

Result<std::unique_ptr<tbitmap>> readPicture(const ByteSource& source, int view) {
  return readAll(openPicture(source, view));
}

PictureFile::PictureFile(std::unique_ptr<FileSource> file, const PictureDecoder& decoder,
                         std::unique_ptr<PictureReader> first)
    : file_(std::move(file)), decoder_(&decoder), first_(std::move(first)), header_(first_->header()) {}

namespace {

Result<std::unique_ptr<PictureReader>> previewOf(const PictureDecoder& d, const ByteSource& source, int minSide) {
  return d.preview ? d.preview(source, minSide) : d.open(source, 0);
}

}  // namespace

Result<PictureFile> PictureFile::openPreview(const std::string& path, int minSide) {
  auto opened = openFile(path);
  if (!opened) return opened.error();
  auto file = std::make_unique<FileSource>(std::move(*opened));
  const PictureDecoder& decoder = decoderFor(*file);
  auto first = previewOf(decoder, *file, minSide);
  if (!first) return first.error();
  return PictureFile(std::move(file), decoder, std::move(*first));
}

Result<PictureFile> PictureFile::open(const std::string& path) {
  auto opened = openFile(path);
  if (!opened) return opened.error();
  auto file = std::make_unique<FileSource>(std::move(*opened));
  const PictureDecoder& decoder = decoderFor(*file);
  if (Status s = decoder.check(*file); !s) return s.error();
  auto first = decoder.open(*file, 0);
  if (!first) return first.error();
  return PictureFile(std::move(file), decoder, std::move(*first));
}

Result<std::unique_ptr<PictureReader>> PictureFile::reader(int view) {
  if (view == 0 && !firstTaken_) {
    firstTaken_ = true;
    return std::move(first_);
  }
  return decoder_->open(*file_, view);
}

Result<std::unique_ptr<tbitmap>> PictureFile::read(int view) {
  return readAll(reader(view > 0 && view < header().views ? view : 0));
}

Result<StereoViews> PictureFile::readViews() {
  if (header().views < 2) {
    auto left = read(0);
    if (!left) return left.error();
    return StereoViews{std::move(left.value()), nullptr};
  }
  auto [left, right] = bothAtOnce([this] { return read(0); }, [this] { return read(1); });
  if (!left) return left.error();
  if (!right) return right.error();
  return StereoViews{std::move(left.value()), std::move(right.value())};
}

Result<std::unique_ptr<tbitmap>> loadPicture(const std::string& path, int view) {
  auto file = PictureFile::open(path);
  if (!file) return file.error();
  return file->read(view);
}

Result<std::unique_ptr<PictureReader>> openPreview(const ByteSource& source, int minSide) {
  return previewOf(decoderFor(source), source, minSide);
}

Result<StereoViews> readPictureViews(const ByteSource& source) {
  auto reader = openPicture(source, 0);
  if (!reader) return reader.error();
  const int views = reader.value()->header().views;
  if (views < 2) {
    auto left = readAll(std::move(reader));
    if (!left) return left.error();
    return StereoViews{std::move(left.value()), nullptr};
  }
  auto [left, right] = bothAtOnce([&reader] { return readAll(std::move(reader)); },
                                  [&source] { return readPicture(source, 1); });
  if (!left) return left.error();
  if (!right) return right.error();
  return StereoViews{std::move(left.value()), std::move(right.value())};
}

Result<ReducedViews> readReducedViews(const ByteSource& source, int boxWidth, int boxHeight) {
  const PictureDecoder& d = decoderFor(source);
  if (!d.reduced) return Error{"Cannot read " + source.name() + " reduced"};
  auto full = d.open(source, 0);
  if (!full) return full.error();
  const PictureHeader header = full.value()->header();
  const double scale = std::min(
      {1.0, static_cast<double>(boxWidth) / header.width, static_cast<double>(boxHeight) / header.height});
  const int minSide =
      std::max(1, static_cast<int>(std::ceil(std::min(header.width, header.height) * std::max(scale, 0.0))));
  auto [right, left] = bothAtOnce(
      [&] {
        return header.views < 2 ? Result<std::unique_ptr<tbitmap>>(nullptr)
                                : readAll(d.reduced(source, 1, minSide));
      },
      [&] { return readAll(d.reduced(source, 0, minSide)); });
  if (!left) return left.error();
  if (!right) return right.error();
  ReducedViews r{{std::move(left.value()), std::move(right.value())}, 1, header.width, header.height};
  r.denominator = std::max(1, header.width / std::max(1, r.views.left->width));
  return r;
}

Result<StereoViews> loadPictureViews(const std::string& path) {
  auto file = PictureFile::open(path);
  if (!file) return file.error();
  return file->readViews();
}

Result<std::unique_ptr<tbitmap>> readPictureFile(const std::string& path) {
  auto file = openFile(path);
  if (!file) return file.error();
  return readPicture(*file);
}
