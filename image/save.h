#pragma once
// Picture files of every format we read, recognised by content, and written
// by the extension of their name.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "image/jps.h"
#include "image/tbitmap.h"
#include "platform/result.h"

// JPEG, PNG, MPO or JPS by content; anything else goes to the BMP reader. A
// JPEG is a JPS when its descriptor says so, or, lacking one, when the name
// ends in ".jps". Single pictures come back as left, with right null.
Result<StereoViews> decodePictureFile(std::span<const std::uint8_t> bytes, const std::string& name);

// The file at path (MPO and JPS: both views). Error: one line naming it.
Result<StereoViews> readPictureFile(const std::string& path);

// As the loading commands read a picture: a file that is neither JPEG nor
// PNG passes the BMP header check first, with its messages.
Result<StereoViews> loadPicture(const std::string& path);

// The extension of a name, lower case, with its dot ("" for none).
std::string lowerExtension(const std::string& name);
bool isStereoName(const std::string& name);  // ".mpo" or ".jps"

// Picture to file, by extension: ".jpg"/".jpeg" JPEG of that quality, ".png"
// PNG, anything else a 24-bit BMP. Written atomically.
Status savePicture(const tbitmap& picture, const std::string& path, int quality);
// A pair as one ".mpo" or ".jps" file.
Status saveStereoPicture(const tbitmap& left, const tbitmap& right, const std::string& path, int quality);
