#pragma once
// Pictures written in the format their name's extension asks for.
#include <string>

#include "image/bmp.h"
#include "image/tbitmap.h"
#include "platform/result.h"

// The extension of a name, lower case, with its dot ("" for none).
std::string lowerExtension(const std::string& name);
bool isStereoName(const std::string& name);  // ".mpo" or ".jps"

// ".jpg"/".jpeg" JPEG of that quality, ".png" PNG, anything else a 24-bit
// BMP. Written atomically; error: one line naming the file.
Status savePicture(const tbitmap& picture, const std::string& path, int quality);
// Whether savePictureRows writes the format the name asks for (BMP, JPEG).
bool savedInRows(const std::string& path);
// The file savePicture gives, written as the rows come (image/bmp.h).
Status savePictureRows(const std::string& path, std::int32_t width, std::int32_t height, int quality,
                       const BmpRowSource& rows);
// A pair as one ".jps" file, else as an MPO.
Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality);
