#pragma once
// Files that start as a JPEG: a plain JPEG, an MPO (its index in the first
// image's APP2) or a JPS (its APP3 descriptor, or lacking one, a name ending
// in ".jps"). A stereo file has two views, 0 left and 1 right; an MPO that is
// not a stereo pair is the one picture its first image shows. Its preview is
// the EXIF thumbnail when the file carries one large enough, else libjpeg's
// reduced decode.
#include "image/picture.h"

extern const PictureDecoder jpegFileDecoder;
