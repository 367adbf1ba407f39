#pragma once
// A stereo photo shown reduced while its full views decode on a thread of
// their own (ui/loading.cpp): the window shows the first picture at once and
// the full one when it is ready. Anything but painting waits for it.
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "image/picture.h"

struct tpendingpair {
  std::string path;
  ReducedViews preview;
  std::int32_t dx = 0, dy = 0;  // the position it opens at, in full pixels
  std::uint64_t generation = 0;
  double fitScale = 1;  // of the fitted anaglyph view when the decoding started
  Result<StereoViews> full = StereoViews{};
  std::unique_ptr<tbitmap> fittedLeft, fittedRight;  // the full views reduced by fitScale, below 1
  std::jthread decoding;  // last: joined before the rest goes
};
