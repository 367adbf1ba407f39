#pragma once
// What the commands read and write, in every picture format.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/save.h"
#include "image/tbitmap.h"
#include "platform/result.h"

struct PairInputs {
  std::unique_ptr<tbitmap> left, right;
  std::string positionSource;  // the file the position file is named after
};
// LEFT RIGHT, or one stereo file (MPO or JPS) holding both.
// A single picture where a pair is needed is a usage error.
Result<PairInputs> loadPairInputs(const std::string& command, const std::vector<std::string>& inputs);

// The format by the name's extension; ".BMP" appended when it has none.
// exif: the source's (image/save.h).
Status writeOutput(const tbitmap& picture, const std::string& name, int quality,
                   std::span<const std::uint8_t> exif);
// Both aligned pictures of the pair as one MPO or JPS; for a console, its
// views (consoleViews).
Status writeAlignedPair(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                        const std::string& name, int quality, const SourceFacts& facts, bool console);
