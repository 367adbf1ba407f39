#include "image/animation.h"

#include <algorithm>
#include <memory>
#include <string>

#include <gif_lib.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "image/palette.h"
#include "platform/parallel.h"

namespace {

// One frame as a still WebP.
Result<std::vector<std::uint8_t>> encodeWebp(const tbitmap& frame, const WebPConfig& config) {
  WebPPicture picture;
  if (!WebPPictureInit(&picture)) return Error{"the WebP encoder cannot start"};
  picture.width = frame.width;
  picture.height = frame.height;
  picture.use_argb = config.lossless;  // lossy frames go straight to YUV
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  static_assert(sizeof(tpixel) == 3);  // rows are R, G, B bytes
  const bool encoded =
      WebPPictureImportRGB(&picture, reinterpret_cast<const std::uint8_t*>(frame.row(0)), 3 * frame.width) &&
      WebPEncode(&config, &picture);
  const int error = picture.error_code;
  WebPPictureFree(&picture);
  std::vector<std::uint8_t> bytes(writer.mem, writer.mem + writer.size);
  WebPMemoryWriterClear(&writer);
  if (!encoded) return Error{"WebP encoder error " + std::to_string(error)};
  return bytes;
}

int appendBytes(GifFileType* gif, const GifByteType* bytes, int n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + n);
  return n;
}

}  // namespace

// Each frame whole, without the animation encoder: it would merge frames
// that do not differ, and a wiggle of a flat scene must still have two.
Result<std::vector<std::uint8_t>> encodeWebpAnimation(std::span<const tbitmap* const> frames, int delayMs,
                                                      std::optional<int> quality) {
  if (frames.front()->width > WEBP_MAX_DIMENSION || frames.front()->height > WEBP_MAX_DIMENSION)
    return Error{"a WebP holds at most " + std::to_string(WEBP_MAX_DIMENSION) + " pixels a side"};
  WebPConfig config;
  if (!WebPConfigInit(&config)) return Error{"the WebP encoder cannot start"};
  if (quality)
    config.quality = static_cast<float>(*quality);
  else
    config.lossless = 1;
  // Each frame on a core of its own.
  std::vector<Result<std::vector<std::uint8_t>>> encoded(frames.size(), Error{});
  eachAtOnce(static_cast<int>(frames.size()), [&](int i) { encoded[i] = encodeWebp(*frames[i], config); });
  const std::unique_ptr<WebPMux, void (*)(WebPMux*)> mux(WebPMuxNew(), WebPMuxDelete);
  if (!mux) return Error{"the WebP encoder cannot start"};
  for (auto& frame : encoded) {
    if (!frame) return frame.error();
    WebPMuxFrameInfo info{};
    info.bitstream = {frame->data(), frame->size()};
    info.duration = delayMs;
    info.id = WEBP_CHUNK_ANMF;
    info.dispose_method = WEBP_MUX_DISPOSE_NONE;
    info.blend_method = WEBP_MUX_NO_BLEND;
    if (WebPMuxPushFrame(mux.get(), &info, 0) != WEBP_MUX_OK) return Error{"WebP: a frame cannot be added"};
  }
  const WebPMuxAnimParams forever{0xFFFFFFFF, 0};  // white background, loop count 0
  WebPData data;
  WebPDataInit(&data);
  if (WebPMuxSetAnimationParams(mux.get(), &forever) != WEBP_MUX_OK ||
      WebPMuxAssemble(mux.get(), &data) != WEBP_MUX_OK)
    return Error{"WebP: the animation cannot be assembled"};
  std::vector<std::uint8_t> bytes(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  return bytes;
}

Result<std::vector<std::uint8_t>> encodeGifAnimation(std::span<const tbitmap* const> frames, int delayMs) {
  const int width = frames.front()->width, height = frames.front()->height;
  const std::size_t area = static_cast<std::size_t>(width) * height;
  IndexedPictures indexed = reduceColours(frames);  // giflib takes rows as non-const
  GifColorType colours[256] = {};
  for (std::size_t i = 0; i < indexed.colours.size(); ++i)
    colours[i] = {indexed.colours[i].red, indexed.colours[i].green, indexed.colours[i].blue};

  std::vector<std::uint8_t> bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, appendBytes, &error);
  if (!gif) return Error{std::string("GIF: ") + GifErrorString(error)};
  // Closed on every path; the map is copied into the file's own.
  const std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(256, colours),
                                                                       GifFreeMapObject);
  EGifSetGifVersion(gif, true);
  // NETSCAPE2.0's loop count 0: forever.
  static const GifByteType kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const GifByteType kLoopForever[] = {1, 0, 0};
  GraphicsControlBlock control{DISPOSE_DO_NOT, false, std::clamp((delayMs + 5) / 10, 1, 65535),
                               NO_TRANSPARENT_COLOR};
  GifByteType controlBytes[4];
  EGifGCBToExtension(&control, controlBytes);
  bool ok = map && EGifPutScreenDesc(gif, width, height, 8, 0, map.get()) != GIF_ERROR &&
            EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
            EGifPutExtensionBlock(gif, sizeof kApplication, kApplication) != GIF_ERROR &&
            EGifPutExtensionBlock(gif, sizeof kLoopForever, kLoopForever) != GIF_ERROR &&
            EGifPutExtensionTrailer(gif) != GIF_ERROR;
  for (std::size_t f = 0; ok && f < frames.size(); ++f) {
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof controlBytes, controlBytes) != GIF_ERROR &&
         EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_ERROR;
    for (int y = 0; ok && y < height; ++y)
      ok = EGifPutLine(gif, indexed.indexes.data() + f * area + static_cast<std::size_t>(y) * width, width) !=
           GIF_ERROR;
  }
  if (!ok) error = gif->Error;
  if (EGifCloseFile(gif, ok ? &error : nullptr) == GIF_ERROR || !ok)
    return Error{std::string("GIF: ") + (error ? GifErrorString(error) : "cannot be written")};
  return bytes;
}
