#pragma once
// A stereo photo shown reduced while its full views decode on a thread of
// their own (ui/loading.cpp): the window shows the first picture at once and
// the full one when it is ready. Anything but painting waits for it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "depth/depth.h"
#include "image/picture.h"
#include "ui/history.h"

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

// The depth of a state of the pair, found on a thread of its own
// (ui/depth.cpp) from copies of the pictures, so the pair may change
// meanwhile. One job runs at a time; the state shown when it ends is the
// next one's.
struct tpairdepth {
  tpairstate state;
  std::atomic<bool> found = false;  // the rest is written before, read after
  std::optional<ParallaxBudget> budget;
  std::unique_ptr<tbitmap> picture;
  std::jthread matching;  // last: joined before the rest goes
};
