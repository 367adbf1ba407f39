#include "image/limits.h"

#include "platform/files.h"

Status checkPictureSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) return Error{"bitmap width or height is 0 or negative"};
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
    return Error{"bitmap dimensions too large"};
  return success();
}

Status checkWritableSize(const std::string& path, std::int64_t width, std::int64_t height) {
  const std::string failed = "Cannot write " + printable(path) + ": ";
  if (width <= 0 || height <= 0) return Error{failed + "bitmap has no pixels"};
  if (Status size = checkPictureSize(width, height); !size) return Error{failed + size.error().message};
  return success();
}
