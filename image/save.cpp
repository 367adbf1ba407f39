#include "image/save.h"

#include "image/bmp.h"
#include "image/jpeg.h"
#include "image/mpo.h"
#include "image/png.h"
#include "platform/files.h"

namespace {

Result<StereoViews> single(Result<std::unique_ptr<tbitmap>> picture) {
  if (!picture) return picture.error();
  return StereoViews{std::move(picture.value()), nullptr};
}

Result<StereoViews> decodeJpegFile(std::span<const std::uint8_t> bytes, const std::string& name) {
  auto segments = jpegSegments(bytes);
  if (!segments) return segments.error();
  auto index = readMpoIndex(*segments);
  if (!index) return index.error();
  if (*index) {
    auto views = locateMpoViews(bytes, **index);
    if (!views) return views.error();
    if (*views) {
      auto left = decodeJpeg((*views)->left);
      if (!left) return Error{"MPO left view: " + left.error().message};
      auto right = decodeJpeg((*views)->right);
      if (!right) return Error{"MPO right view: " + right.error().message};
      return StereoViews{std::move(left.value()), std::move(right.value())};
    }
    return single(decodeJpeg(bytes));
  }
  auto layout = readJpsLayout(*segments);
  if (!layout) return layout.error();
  if (!*layout && lowerExtension(name) != ".jps") return single(decodeJpeg(bytes));
  auto whole = decodeJpeg(bytes);
  if (!whole) return whole.error();
  const JpsLayout l = layout->value_or(JpsLayout{});
  if (!l.stereo) return StereoViews{std::move(whole.value()), nullptr};
  return splitJps(**whole, l);
}

}  // namespace

Result<StereoViews> decodePictureFile(std::span<const std::uint8_t> bytes, const std::string& name) {
  if (isJpeg(bytes)) return decodeJpegFile(bytes, name);
  if (isPng(bytes)) return single(decodePng(bytes));
  return single(decodeBmp(bytes));
}

Result<StereoViews> readPictureFile(const std::string& path) {
  auto bytes = readFile(path);
  if (!bytes) return bytes.error();
  auto views = decodePictureFile(*bytes, path);
  if (!views) return Error{"Cannot read " + path + ": " + views.error().message};
  return views;
}

Result<StereoViews> loadPicture(const std::string& path) {
  auto prefix = readFilePrefix(path, 8);
  if (!prefix) return prefix.error();
  if (!isJpeg(*prefix) && !isPng(*prefix))
    if (Status s = checkBmpHeader(path); !s) return s.error();
  return readPictureFile(path);
}

std::string lowerExtension(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = name.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

bool isStereoName(const std::string& name) {
  const std::string ext = lowerExtension(name);
  return ext == ".mpo" || ext == ".jps";
}

namespace {

Status writeEncoded(const std::string& path, Result<std::vector<std::uint8_t>> bytes) {
  if (!bytes) return Error{"Cannot write " + path + ": " + bytes.error().message};
  return writeFileAtomically(path, *bytes);
}

}  // namespace

Status savePicture(const tbitmap& picture, const std::string& path, int quality) {
  const std::string ext = lowerExtension(path);
  if (ext == ".jpg" || ext == ".jpeg") return writeEncoded(path, encodeJpeg(picture, quality));
  if (ext == ".png") return writeEncoded(path, encodePng(picture));
  return picture.saveBmp(path);
}

Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality) {
  if (lowerExtension(path) == ".jps") return writeEncoded(path, encodeJps(left, right, quality));
  return writeEncoded(path, encodeMpo(left, right, quality));
}
