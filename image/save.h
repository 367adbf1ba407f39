#pragma once
// Pictures written in the format their name's extension asks for.
#include <string>

#include "image/tbitmap.h"
#include "platform/result.h"

// The extension of a name, lower case, with its dot ("" for none).
std::string lowerExtension(const std::string& name);
bool isStereoName(const std::string& name);  // ".mpo" or ".jps"

// ".jpg"/".jpeg" JPEG of that quality, ".png" PNG, anything else a 24-bit
// BMP. Written atomically; error: one line naming the file.
Status savePicture(const tbitmap& picture, const std::string& path, int quality);
// A pair as one ".jps" file, else as an MPO.
Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality);
