#pragma once
// The aligned pair laid out for a display: side by side for VR headsets and
// tablets, squeezed side by side or over-under for 3D TVs, row-interlaced for
// passive monitors; or shown in turn as a wiggle animation that needs no
// glasses. Built from the region common to both pictures.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "image/tbitmap.h"
#include "platform/result.h"
#include "stereo/export.h"

// Rgbd: the left view beside its depth picture, which the caller makes and
// gives as the right picture, at 0 0 (depth/depth.h); laid out as Sbs.
enum class LayoutKind { Sbs, SbsHalf, OverUnder, OverUnderHalf, Rows, Rgbd };
// Their names, in LayoutKind's order.
inline constexpr std::array<const char*, 6> kLayoutNames = {"sbs", "sbs-half", "over-under",
                                                            "over-under-half", "rows", "rgbd"};
std::optional<LayoutKind> layoutByName(const std::string& name);

// Both views of the region common to both pictures at (dx, dy), each
// reduced to width pixels wide as buildLayout reduces (never enlarged; 0 or
// less: full size). Error: the position leaves no common region.
Result<AlignedViews> reducedViews(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                                  std::int32_t width);

// The layout of the common region at position (dx, dy); width > 0 reduces
// the whole to that many pixels wide by area averaging, the aspect ratio kept
// (never enlarged). Full-size layouts move pixels only; the half layouts
// squeeze each view to half its width (height) by area averaging, both
// halves (n + 1) / 2 pixels so a display splits the frame in two equal parts.
// Error: the position leaves no common region.
Result<std::unique_ptr<tbitmap>> buildLayout(LayoutKind kind, const tbitmap& left, const tbitmap& right,
                                             std::int32_t dx, std::int32_t dy, std::int32_t width = 0);
// That picture written as image/save.h's savePicture writes it; exif: the
// source's.
Status saveLayout(LayoutKind kind, const tbitmap& left, const tbitmap& right, std::int32_t dx,
                  std::int32_t dy, std::int32_t width, const std::string& path, int quality,
                  std::span<const std::uint8_t> exif);

// A wiggle animation: the two views of the common region in turn, forever,
// each reduced to width pixels wide as buildLayout reduces (never enlarged).
struct WiggleSettings {
  std::int32_t width = 1200;
  int delayMs = 150;           // each view's time on screen
  std::optional<int> quality;  // lossy WebP of that quality; none: lossless
};
// Written as OUT.webp or OUT.gif (image/save.h saveAnimation). Error: as
// buildLayout's, or the file's.
Status saveWiggle(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                  const std::string& path, const WiggleSettings& settings = {});
