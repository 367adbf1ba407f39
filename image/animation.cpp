#include "image/animation.h"

#include <algorithm>
#include <memory>
#include <string>

#include <gif_lib.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "image/palette.h"

Result<std::vector<std::uint8_t>> encodeWebpAnimation(std::span<const tbitmap* const> frames, int delayMs,
                                                      std::optional<int> quality) {
  const int width = frames.front()->width, height = frames.front()->height;
  WebPAnimEncoderOptions options;
  WebPConfig config;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config))
    return Error{"the WebP encoder cannot start"};
  options.anim_params.loop_count = 0;  // forever
  if (quality)
    config.quality = static_cast<float>(*quality);
  else
    config.lossless = 1;
  const std::unique_ptr<WebPAnimEncoder, void (*)(WebPAnimEncoder*)> encoder(
      WebPAnimEncoderNew(width, height, &options), WebPAnimEncoderDelete);
  if (!encoder) return Error{"the WebP encoder cannot start"};
  auto failed = [&] { return Error{std::string("WebP: ") + WebPAnimEncoderGetError(encoder.get())}; };
  int timestamp = 0;
  for (const tbitmap* frame : frames) {
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return Error{"the WebP encoder cannot start"};
    picture.width = width;
    picture.height = height;
    picture.use_argb = 1;
    static_assert(sizeof(tpixel) == 3);  // rows are R, G, B bytes
    const bool added =
        WebPPictureImportRGB(&picture, reinterpret_cast<const std::uint8_t*>(frame->row(0)), 3 * width) &&
        WebPAnimEncoderAdd(encoder.get(), &picture, timestamp, &config);
    WebPPictureFree(&picture);
    if (!added) return failed();
    timestamp += delayMs;
  }
  // The end time gives the last frame its duration.
  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp, nullptr) ||
      !WebPAnimEncoderAssemble(encoder.get(), &data))
    return failed();
  std::vector<std::uint8_t> bytes(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  return bytes;
}

namespace {

int appendBytes(GifFileType* gif, const GifByteType* bytes, int n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + n);
  return n;
}

}  // namespace

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
