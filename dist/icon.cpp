// binoxa-icon OUT.png: the program's icon resource as a PNG, for the desktop's
// icon theme.
#include <cstdio>

#include <png.h>

#include "ui/resources.h"

int main(int argc, char** argv) {
  const IconResource* icon = argc == 2 ? binoxaResources().icon(1) : nullptr;
  if (!icon) {
    std::fputs("Usage: binoxa-icon OUT.png\n", stderr);
    return 2;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(icon->width);
  image.height = static_cast<png_uint_32>(icon->height);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, argv[1], 0, icon->rgba.data(), 0, nullptr)) {
    std::fprintf(stderr, "Cannot write %s: %s\n", argv[1], image.message);
    return 1;
  }
  return 0;
}
