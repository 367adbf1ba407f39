#pragma once
// The depth of an aligned pair: the disparity of every pixel of the left
// picture's common region, and the parallax budget it gives on a screen.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "image/tbitmap.h"
#include "platform/result.h"

inline constexpr float kUnknownDisparity = std::numeric_limits<float>::infinity();

// d = x_left - x_right in pixels of the files, for each pixel of the common
// region of the left picture (row 0 at the top), kUnknownDisparity where
// nothing could be matched.
struct DisparityMap {
  std::int32_t width = 0, height = 0;
  std::vector<float> values;
  // Pixels of the files per pixel of the map: above 1 for a coarse map.
  double step = 1;
  float at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

// The map of the pair at (dx, dy), right being the corrected right picture.
// Coarse to fine: the search range comes from a wide search at a reduced
// size, semi-global matching of census costs at up to ~1000 pixels wide
// (subpixel, checked left against right, holes filled from the surface
// behind them, edge-aware), then narrow refinements at each finer level.
// Coarse: the map of the matching level alone, its values in pixels of the
// files; enough for the budget at a fraction of the cost on a big pair.
// Error: the position leaves no common region.
enum class MapDetail { Full, Coarse };
Result<DisparityMap> disparityMap(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                  std::int32_t dy, MapDetail detail = MapDetail::Full);

// The on-screen parallax p = (x_right - x_left) - dx in pixels of the aligned
// pictures (negative: in front of the screen): its 2nd and 98th percentiles,
// their spread as a share of the width (percent), and whether something in
// front of the window touches the first or last 2 % of the width.
struct ParallaxBudget {
  double nearest = 0, farthest = 0, deviation = 0;
  bool leftEdge = false, rightEdge = false;
};
// Error: no pixel's disparity is known.
Result<ParallaxBudget> parallaxBudget(const DisparityMap& map, std::int32_t dx);

inline constexpr double kDefaultMaxDeviation = 3.3;  // percent: about 1/30 of the width
// The warnings the budget calls for, each one line.
std::vector<std::string> parallaxWarnings(const ParallaxBudget& budget, double maxDeviation);

// The map as a picture of the same size: 8-bit grey, white the nearest,
// black the farthest, linear in d between its 2nd and 98th percentiles.
tbitmap depthPicture(const DisparityMap& map);

// OUT.png: 16-bit grey of round(256 d), 0 where d is unknown or <= 0;
// OUT.pfm: 32-bit float d, inf where unknown. Written atomically.
bool isDepthName(const std::string& name);
Status saveDisparityMap(const DisparityMap& map, const std::string& path);
