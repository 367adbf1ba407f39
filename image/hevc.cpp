#include "image/hevc.h"

#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr heif_error kDone{heif_error_Ok, heif_suberror_Unspecified, "Success"};
heif_error failed(const char* why) {
  return {heif_error_Decoder_plugin_error, heif_suberror_Unspecified, why};
}

struct AvFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
  void operator()(AVPacket* p) const { av_packet_free(&p); }
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
template <class T>
using AvPtr = std::unique_ptr<T, AvFree>;

// One coded picture, its NAL units behind start codes as libavcodec takes them.
struct Coded {
  std::vector<std::uint8_t> stream;
  bool toRgb = false;
};

template <bool toRgb>
heif_error newDecoder(void** decoder) {
  *decoder = new Coded{{}, toRgb};
  return kDone;
}
void freeDecoder(void* decoder) { delete static_cast<Coded*>(decoder); }

// libheif hands over NAL units each after its size in 4 bytes.
heif_error pushData(void* decoder, const void* data, std::size_t size) {
  auto& stream = static_cast<Coded*>(decoder)->stream;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t at = 0; at < size;) {
    if (size - at < 4) return failed("NAL unit size cut short");
    const std::uint32_t n = std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
                            std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
    at += 4;
    if (n > size - at) return failed("NAL unit runs past its data");
    stream.insert(stream.end(), {0, 0, 0, 1});
    stream.insert(stream.end(), bytes + at, bytes + at + n);
    at += n;
  }
  return kDone;
}

// libheif's YCbCr to RGB factors (nclx.cc), the same float operations in
// the same order, for the matrices of the files at hand: BT.709 (the
// headset's) and BT.601 (libheif's writer's). nullopt for the others,
// which libheif converts.
struct RgbFactors {
  float rCr, gCb, gCr, bCb;
};
std::optional<RgbFactors> rgbFactors(int matrix) {
  float kr = 0, kb = 0;
  if (matrix == 1)
    kr = 0.2126f, kb = 0.0722f;
  else if (matrix == 5 || matrix == 6)
    kr = 0.299f, kb = 0.114f;
  else
    return std::nullopt;
  return RgbFactors{2 * (-kr + 1), 2 * kb * (-kb + 1) / (kb + kr - 1), 2 * kr * (-kr + 1) / (kb + kr - 1),
                    2 * (-kb + 1)};
}

std::uint8_t rounded(float v) {
  const auto i = static_cast<std::int32_t>(v + 0.5f);  // toward zero, as libheif's cast
  return static_cast<std::uint8_t>(std::clamp(i, 0, 255));
}

// A row: the samples as floats into work (3 w), then each channel. AVX2
// has no fused multiply-add, which would round otherwise.
__attribute__((target_clones("avx2", "default"))) void rgbRow(
    const RgbFactors& f, int w, int cw, const std::uint8_t* __restrict luma,
    const std::uint8_t* __restrict cbRow, const std::uint8_t* __restrict crRow, float* __restrict work,
    std::uint8_t* __restrict r, std::uint8_t* __restrict g, std::uint8_t* __restrict b) {
  float* __restrict yv = work;
  float* __restrict cb = work + w;
  float* __restrict cr = work + 2 * w;
  for (int x = 0; x < w; ++x) {
    yv[x] = static_cast<float>(luma[x]);
    cb[x] = static_cast<float>(cbRow[x >> cw] - 128);
    cr[x] = static_cast<float>(crRow[x >> cw] - 128);
  }
  for (int x = 0; x < w; ++x) {
    r[x] = rounded(yv[x] + f.rCr * cr[x]);
    g[x] = rounded(yv[x] + f.gCb * cb[x] + f.gCr * cr[x]);
    b[x] = rounded(yv[x] + f.bCb * cb[x]);
  }
}

// The frame's 8-bit YCbCr as libheif's own conversion gives it in RGB
// planes (Op_YCbCr_to_RGB: the chroma sample of each pixel as it falls,
// float sums rounded half up), a row at a time in loops the vectoriser
// takes; false when libheif must convert it.
bool toRgbPlanes(const AVFrame& frame, const AVPixFmtDescriptor& format, heif_image** out) {
  const auto factors = rgbFactors(frame.colorspace);
  // Limited range left to libheif: the encoders at hand all write full range.
  if (!factors || frame.color_range != AVCOL_RANGE_JPEG || format.comp[0].depth != 8 ||
      format.nb_components != 3)
    return false;
  const int w = frame.width, h = frame.height, cw = format.log2_chroma_w, ch = format.log2_chroma_h;
  if (heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_444, out).code) return false;
  std::uint8_t* planes[3];
  int strides[3];
  const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B};
  for (int c = 0; c < 3; ++c) {
    if (heif_image_add_plane(*out, channels[c], w, h, 8).code) return false;
    planes[c] = heif_image_get_plane(*out, channels[c], &strides[c]);
  }
  std::vector<float> rows(3 * static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y)
    rgbRow(*factors, w, cw, frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0],
           frame.data[1] + static_cast<std::ptrdiff_t>(y >> ch) * frame.linesize[1],
           frame.data[2] + static_cast<std::ptrdiff_t>(y >> ch) * frame.linesize[2], rows.data(),
           planes[0] + static_cast<std::ptrdiff_t>(y) * strides[0],
           planes[1] + static_cast<std::ptrdiff_t>(y) * strides[1],
           planes[2] + static_cast<std::ptrdiff_t>(y) * strides[2]);
  return true;
}

// The frame's planes into a new libheif picture: in RGB where asked and
// possible, else in YCbCr with the stream's colour description for libheif
// to convert, as its own decoder gives them.
heif_error toHeifImage(const AVFrame& frame, bool toRgb, heif_image** out) {
  const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  if (!format || format->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BE) ||
      !(format->flags & AV_PIX_FMT_FLAG_PLANAR || format->nb_components == 1) || format->comp[0].depth > 16)
    return failed("HEVC picture of an unknown sample format");
  if (toRgb && toRgbPlanes(frame, *format, out)) return kDone;
  if (*out) {
    heif_image_release(*out);
    *out = nullptr;
  }
  const bool mono = format->nb_components == 1;
  const int cw = format->log2_chroma_w, ch = format->log2_chroma_h;
  heif_chroma chroma = heif_chroma_monochrome;
  if (!mono) {
    if (cw == 1 && ch == 1)
      chroma = heif_chroma_420;
    else if (cw == 1 && ch == 0)
      chroma = heif_chroma_422;
    else if (cw == 0 && ch == 0)
      chroma = heif_chroma_444;
    else
      return failed("HEVC picture of an unknown chroma format");
  }
  if (heif_error e = heif_image_create(
          frame.width, frame.height, mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr, chroma, out);
      e.code)
    return e;
  const int depth = format->comp[0].depth, bytes = depth > 8 ? 2 : 1;
  const heif_channel channels[] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
  for (int c = 0; c < (mono ? 1 : 3); ++c) {
    const int w = c ? AV_CEIL_RSHIFT(frame.width, cw) : frame.width;
    const int h = c ? AV_CEIL_RSHIFT(frame.height, ch) : frame.height;
    if (heif_error e = heif_image_add_plane(*out, channels[c], w, h, depth); e.code) return e;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(*out, channels[c], &stride);
    for (int y = 0; y < h; ++y)
      std::memcpy(plane + static_cast<std::ptrdiff_t>(y) * stride,
                  frame.data[c] + static_cast<std::ptrdiff_t>(y) * frame.linesize[c],
                  static_cast<std::size_t>(w) * static_cast<std::size_t>(bytes));
  }
  // The stream's values are the code points of ISO/IEC 23091-4, as nclx's.
  heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
  if (!nclx) return failed("out of memory");
  // Values libheif does not know stay unspecified, as with its own decoder.
  heif_nclx_color_profile_set_color_primaries(nclx, static_cast<std::uint16_t>(frame.color_primaries));
  heif_nclx_color_profile_set_transfer_characteristics(nclx, static_cast<std::uint16_t>(frame.color_trc));
  heif_nclx_color_profile_set_matrix_coefficients(nclx, static_cast<std::uint16_t>(frame.colorspace));
  nclx->full_range_flag = frame.color_range == AVCOL_RANGE_JPEG;
  const heif_error e = heif_image_set_nclx_color_profile(*out, nclx);
  heif_nclx_color_profile_free(nclx);
  return e;
}

heif_error decodeImage(void* decoder, heif_image** out) {
  *out = nullptr;
  auto& stream = static_cast<Coded*>(decoder)->stream;
  const std::size_t size = stream.size();
  if (size > INT32_MAX) return failed("HEVC stream too large");
  stream.resize(size + AV_INPUT_BUFFER_PADDING_SIZE);  // zeros: the bit reader looks past the end
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_HEVC);
  const AvPtr<AVCodecContext> context(codec ? avcodec_alloc_context3(codec) : nullptr);
  const AvPtr<AVPacket> packet(av_packet_alloc());
  const AvPtr<AVFrame> frame(av_frame_alloc());
  if (!context || !packet || !frame) return failed("HEVC decoder cannot start");
  context->thread_count = 1;  // libheif decodes the tiles of a grid on threads of its own
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return failed("HEVC decoder cannot start");
  packet->data = stream.data();
  packet->size = static_cast<int>(size);
  if (avcodec_send_packet(context.get(), packet.get()) < 0 ||
      avcodec_send_packet(context.get(), nullptr) < 0 ||
      avcodec_receive_frame(context.get(), frame.get()) < 0)
    return failed("HEVC stream cannot be decoded");
  const heif_error e = toHeifImage(*frame, static_cast<Coded*>(decoder)->toRgb, out);
  if (e.code && *out) {
    heif_image_release(*out);
    *out = nullptr;
  }
  return e;
}

template <bool toRgb>
constexpr heif_decoder_plugin kPlugin{
    3,
    [] { return "libavcodec HEVC decoder"; },
    nullptr,
    nullptr,
    // Above libde265's 100.
    [](heif_compression_format f) { return f == heif_compression_HEVC ? 200 : 0; },
    newDecoder<toRgb>,
    freeDecoder,
    pushData,
    decodeImage,
    nullptr,
    "libavcodec",
};

}  // namespace

heif_error useLibavcodecForHevc(heif_context* context, bool toRgb) {
  // The context's own, so that other contexts of the process keep libheif's.
  return heif_register_decoder(context, toRgb ? &kPlugin<true> : &kPlugin<false>);
}
