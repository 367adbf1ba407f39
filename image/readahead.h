#pragma once
// A reader whose rows are decoded ahead on a thread of its own, a few blocks
// at a time, so both pictures of a pair decode at once while their rows are
// composed and written. The same rows and the same errors, at the same rows,
// as the reader it takes.
#include <memory>

#include "image/picture.h"

std::unique_ptr<PictureReader> readAhead(std::unique_ptr<PictureReader> reader);
