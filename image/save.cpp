#include "image/save.h"

#include "image/bmp.h"
#include "image/jpeg.h"
#include "image/jps.h"
#include "image/mpo.h"
#include "image/png.h"
#include "platform/casefold.h"
#include "platform/files.h"

std::string lowerExtension(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return lowerAscii(name.substr(dot));
}

bool isStereoName(const std::string& name) {
  const std::string ext = lowerExtension(name);
  return ext == ".mpo" || ext == ".jps";
}

namespace {

Status writeEncoded(const std::string& path, Result<std::vector<std::uint8_t>> bytes) {
  if (!bytes) return Error{"Cannot write " + printable(path) + ": " + bytes.error().message};
  return writeFileAtomically(path, *bytes);
}

}  // namespace

Status savePicture(const tbitmap& picture, const std::string& path, int quality) {
  if (Status size = checkWritableSize(path, picture.width, picture.height); !size) return size;
  const std::string ext = lowerExtension(path);
  if (ext == ".jpg" || ext == ".jpeg") return writeEncoded(path, encodeJpeg(picture, quality));
  if (ext == ".png") return writeEncoded(path, encodePng(picture));
  return picture.saveBmp(path);
}

bool savedInRows(const std::string& path) {
  const std::string ext = lowerExtension(path);
  return ext != ".png" && ext != ".mpo" && ext != ".jps";
}

Status savePictureRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                       const BmpRowSource& rows) {
  const std::string ext = lowerExtension(path);
  if (ext == ".jpg" || ext == ".jpeg") return writeJpegRows(path, width, height, quality, rows);
  return writeBmpRows(path, width, height, rows);
}

Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality) {
  for (const tbitmap* view : {&left, &right})
    if (Status size = checkWritableSize(path, view->width, view->height); !size) return size;
  if (lowerExtension(path) == ".jps") return writeEncoded(path, encodeJps(left, right, quality));
  return writeEncoded(path, encodeMpo(left, right, quality));
}
