#include "image/heif.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "image/boxes.h"
#include "image/exif.h"
#include "image/hevc.h"
#include "image/limits.h"
#include "platform/files.h"

namespace {

struct HeifFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
  void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
  void operator()(const heif_image* i) const { heif_image_release(i); }
  void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
template <class T>
using HeifPtr = std::unique_ptr<T, HeifFree>;

// libheif reads the source by position through this, while it parses and
// again while it decodes.
struct SourceStream {
  const ByteSource* source;
  std::uint64_t position = 0;
};

SourceStream& streamOf(void* userdata) { return *static_cast<SourceStream*>(userdata); }

const heif_reader kReader{
    1, [](void* u) { return static_cast<std::int64_t>(streamOf(u).position); },
    [](void* data, std::size_t size, void* u) {
      SourceStream& s = streamOf(u);
      if (!s.source->readAt(s.position, std::span(static_cast<std::uint8_t*>(data), size))) return 1;
      s.position += size;
      return 0;
    },
    [](std::int64_t position, void* u) {
      SourceStream& s = streamOf(u);
      if (position < 0 || static_cast<std::uint64_t>(position) > s.source->size()) return 1;
      s.position = static_cast<std::uint64_t>(position);
      return 0;
    },
    [](std::int64_t target, void* u) {
      return target >= 0 && static_cast<std::uint64_t>(target) <= streamOf(u).source->size()
                 ? heif_reader_grow_status_size_reached
                 : heif_reader_grow_status_size_beyond_eof;
    }};

// A file parsed by libheif, and the items of its views.
struct HeifFile {
  SourceStream stream;
  HeifPtr<heif_context> context{heif_context_alloc()};
  std::vector<heif_item_id> views;
};

Result<std::unique_ptr<HeifFile>> openHeif(const ByteSource& source) {
  auto group = readStereoGroup(source);
  if (!group) return unreadable(source, group.error().message);
  if (Status coded = checkCodedSizes(source); !coded) return unreadable(source, coded.error().message);
  auto file = std::make_unique<HeifFile>();
  file->stream.source = &source;
  heif_context* context = file->context.get();
  auto nclx = hasNclxColour(source);
  if (!nclx) return unreadable(source, nclx.error().message);
  if (heif_error e = useLibavcodecForHevc(context, !*nclx); e.code) return unreadable(source, e.message);
  // libheif's limit is on each side; the pixel count is checked on the handle.
  heif_context_set_maximum_image_size_limit(context, static_cast<int>(kMaxPictureSide));
  if (heif_error e = heif_context_read_from_reader(context, &kReader, &file->stream, nullptr); e.code)
    return unreadable(source, e.message);
  if (*group) {
    for (std::uint32_t id : **group)
      if (!heif_context_is_top_level_image_ID(context, id))
        return unreadable(source,
                          "stereo group names item " + std::to_string(id) + ", which is not an image");
    file->views.assign((*group)->begin(), (*group)->end());
  } else {
    heif_item_id primary = 0;
    if (heif_error e = heif_context_get_primary_image_ID(context, &primary); e.code)
      return unreadable(source, e.message);
    file->views = {primary};
  }
  return file;
}

Result<HeifPtr<const heif_image_handle>> handleOf(const ByteSource& source, HeifFile& file, int view) {
  heif_image_handle* handle = nullptr;
  const heif_error e =
      heif_context_get_image_handle(file.context.get(), file.views[static_cast<std::size_t>(view)], &handle);
  if (e.code) return unreadable(source, e.message);
  return HeifPtr<const heif_image_handle>(handle);
}

// libheif decodes an item whole; rows are copied from that. It gives the
// planes it composed a grid in, which saves it a pass over the picture to
// interleave them.
class HeifReader final : public PictureReader {
 public:
  HeifReader(PictureHeader header, const ByteSource& source, std::unique_ptr<HeifFile> file,
             HeifPtr<const heif_image_handle> handle)
      : PictureReader(header), source_(source), file_(std::move(file)), handle_(std::move(handle)) {}

 protected:
  Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    if (Status s = decode(); !s) return s;
    const std::int32_t width = header().width;
    for (std::int32_t i = 0; i < count; ++i) {
      tpixel* row = out + i * stride;
      const std::ptrdiff_t y = first + i;
      if (interleaved_) {
        std::memcpy(row, planes_[0] + y * strides_[0], static_cast<std::size_t>(width) * sizeof(tpixel));
        continue;
      }
      const std::uint8_t *r = planes_[0] + y * strides_[0], *g = planes_[1] + y * strides_[1],
                         *b = planes_[2] + y * strides_[2];
      for (std::int32_t x = 0; x < width; ++x) row[x] = tpixel(r[x], g[x], b[x]);
    }
    if (first + count == header().height) decoded_.reset();
    return success();
  }
  Status skip(std::int32_t, std::int32_t) override { return decode(); }

 private:
  Status decode() {
    if (decoded_) return success();
    heif_image* image = nullptr;
    heif_error e = heif_decode_image(handle_.get(), &image, heif_colorspace_RGB, heif_chroma_444, nullptr);
    decoded_.reset(image);
    if (!e.code && heif_image_get_bits_per_pixel_range(image, heif_channel_R) == 8) {
      interleaved_ = false;
      for (int c = 0; c < 3; ++c) planes_[c] = heif_image_get_plane_readonly(image, kPlanes[c], &strides_[c]);
    } else if (!e.code || e.code == heif_error_Unsupported_feature) {
      // Deeper samples, or planes libheif cannot give: its own interleaved
      // RGB, reduced to 8 bits. A broken stream is not decoded twice.
      decoded_.reset();
      image = nullptr;
      e = heif_decode_image(handle_.get(), &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
      decoded_.reset(image);
      interleaved_ = true;
      if (!e.code) planes_[0] = heif_image_get_plane_readonly(image, heif_channel_interleaved, &strides_[0]);
    }
    if (e.code) return unreadable(source_, e.message);
    const heif_channel sized = interleaved_ ? heif_channel_interleaved : heif_channel_R;
    if (heif_image_get_bits_per_pixel_range(image, sized) != 8 ||
        heif_image_get_width(image, sized) != header().width ||
        heif_image_get_height(image, sized) != header().height ||
        std::any_of(planes_, planes_ + (interleaved_ ? 1 : 3), [](const std::uint8_t* p) { return !p; }))
      return unreadable(source_, "decoded picture is not the 8-bit picture of the size its item declares");
    return success();
  }
  static_assert(sizeof(tpixel) == 3);  // r, g, b bytes, as libheif's interleaved RGB
  static constexpr heif_channel kPlanes[3] = {heif_channel_R, heif_channel_G, heif_channel_B};

  const ByteSource& source_;
  std::unique_ptr<HeifFile> file_;
  HeifPtr<const heif_image_handle> handle_;
  HeifPtr<const heif_image> decoded_;
  bool interleaved_ = false;
  const std::uint8_t* planes_[3] = {};
  int strides_[3] = {};
};

bool recognises(std::span<const std::uint8_t> head) { return isHeifHead(head); }

Result<std::unique_ptr<PictureReader>> open(const ByteSource& source, int view) {
  auto file = openHeif(source);
  if (!file) return file.error();
  if (view < 0 || static_cast<std::size_t>(view) >= (*file)->views.size())
    return unreadable(source, "no view " + std::to_string(view));
  auto handle = handleOf(source, **file, view);
  if (!handle) return handle.error();
  const int width = heif_image_handle_get_width(handle->get()),
            height = heif_image_handle_get_height(handle->get());
  if (Status size = checkPictureSize(width, height); !size) return unreadable(source, size.error().message);
  const PictureHeader header{width, height, static_cast<int>((*file)->views.size())};
  return std::unique_ptr<PictureReader>(
      new HeifReader(header, source, std::move(file.value()), std::move(handle.value())));
}

std::uint32_t be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

const PictureDecoder heifDecoder{recognises, noCheck, open};

bool isStereoHeifFile(const std::string& path) {
  auto file = openFile(path);
  if (!file || &decoderFor(*file) != &heifDecoder) return false;
  auto group = readStereoGroup(*file);
  return group && *group;
}

std::vector<std::uint8_t> heifExif(const ByteSource& source) {
  auto file = openHeif(source);
  if (!file) return {};
  auto handle = handleOf(source, **file, 0);
  if (!handle) return {};
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle->get(), "Exif", &id, 1) != 1) return {};
  std::vector<std::uint8_t> data(heif_image_handle_get_metadata_size(handle->get(), id));
  if (data.size() < 4 || heif_image_handle_get_metadata(handle->get(), id, data.data()).code) return {};
  // The item starts with the offset of the TIFF header after these four bytes.
  const std::uint32_t offset = be32(data.data());
  if (offset > data.size() - 4) return {};
  data.erase(data.begin(), data.begin() + 4 + static_cast<std::ptrdiff_t>(offset));
  return data;
}

Result<std::vector<std::uint8_t>> encodeHeic(const tbitmap& left, const tbitmap& right, int quality,
                                             std::span<const std::uint8_t> exif) {
  auto failed = [](const heif_error& e) { return Error{std::string("HEIF encoder: ") + e.message}; };
  HeifPtr<heif_context> context(heif_context_alloc());
  heif_encoder* encoder = nullptr;
  if (heif_error e = heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder);
      e.code)
    return failed(e);
  const HeifPtr<heif_encoder> encoderOwned(encoder);
  if (heif_error e = heif_encoder_set_lossy_quality(encoder, quality); e.code) return failed(e);
  // x265's own default: half the time of libheif's "slow" for much the same file.
  if (heif_error e = heif_encoder_set_parameter(encoder, "preset", "medium"); e.code) return failed(e);
  for (int v = 0; v < 2; ++v) {
    const tbitmap& view = v == 0 ? left : right;
    heif_image* raw = nullptr;
    if (heif_error e = heif_image_create(view.width, view.height, heif_colorspace_RGB,
                                         heif_chroma_interleaved_RGB, &raw);
        e.code)
      return failed(e);
    const HeifPtr<const heif_image> image(raw);
    if (heif_error e = heif_image_add_plane(raw, heif_channel_interleaved, view.width, view.height, 8);
        e.code)
      return failed(e);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
    for (std::int32_t y = 0; y < view.height; ++y)
      std::memcpy(plane + static_cast<std::ptrdiff_t>(y) * stride, view.row(y),
                  static_cast<std::size_t>(view.width) * sizeof(tpixel));
    heif_image_handle* handle = nullptr;
    if (heif_error e = heif_context_encode_image(context.get(), raw, encoder, nullptr, &handle); e.code)
      return failed(e);
    const HeifPtr<const heif_image_handle> owned(handle);
    if (v == 0)
      if (heif_error e = heif_context_set_primary_image(context.get(), handle); e.code) return failed(e);
    if (!exif.empty()) {
      const std::vector<std::uint8_t> block = exifForPicture(exif, view.width, view.height);
      if (!block.empty())
        if (heif_error e = heif_context_add_exif_metadata(context.get(), handle, block.data(),
                                                          static_cast<int>(block.size()));
            e.code)
          return failed(e);
    }
  }
  // libheif 1.15 tells no item's id, but the left view is the primary one.
  heif_item_id ids[2] = {}, primary = 0;
  if (heif_context_get_list_of_top_level_image_IDs(context.get(), ids, 2) != 2 ||
      heif_context_get_primary_image_ID(context.get(), &primary).code)
    return Error{"HEIF encoder lost a view"};
  if (ids[1] == primary) std::swap(ids[0], ids[1]);
  std::vector<std::uint8_t> bytes;
  heif_writer writer{1, [](heif_context*, const void* data, std::size_t size, void* u) {
                       auto& out = *static_cast<std::vector<std::uint8_t>*>(u);
                       const auto* b = static_cast<const std::uint8_t*>(data);
                       out.insert(out.end(), b, b + size);
                       return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                     }};
  if (heif_error e = heif_context_write(context.get(), &writer, &bytes); e.code) return failed(e);
  return withStereoGroup(std::move(bytes), ids[0], ids[1]);
}
