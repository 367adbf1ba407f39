#pragma once
// The limits of every picture format, read or written: a larger picture is
// refused as not a real photo, and nothing is written that a reader would refuse.
#include <cstdint>
#include <string>

#include "platform/result.h"

inline constexpr std::int64_t kMaxPictureSide = 1 << 15;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// "bitmap width or height is 0 or negative", "bitmap dimensions too large".
Status checkPictureSize(std::int64_t width, std::int64_t height);
// For a writer: "Cannot write <path>: bitmap has no pixels" or "...: bitmap dimensions too large".
Status checkWritableSize(const std::string& path, std::int64_t width, std::int64_t height);
