#pragma once
// What the pair commands and the batch share: writing a pair's pictures.
#include <memory>
#include <span>
#include <string>

#include "image/tbitmap.h"
#include "platform/result.h"
#include "stereo/export.h"

// Builds the picture of each export, then writes it to the name at the same
// index. Every picture is built before the first file is written, so a
// refused composition leaves nothing behind; writing stops at the first file
// that cannot be written.
Status writePictures(std::span<const SavedExport> exports, std::span<const std::string> names,
                     const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                     const ExportSettings& settings);
