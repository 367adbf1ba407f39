#pragma once
// Animations that show their frames in turn and start again forever: WebP
// through libwebp (each frame whole, muxed), GIF through giflib.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/tbitmap.h"
#include "platform/result.h"

// The frames have one size. delayMs: how long each shows, 1 or more.
// quality: lossy WebP of that quality (1..100); none: lossless.
Result<std::vector<std::uint8_t>> encodeWebpAnimation(std::span<const tbitmap* const> frames, int delayMs,
                                                      std::optional<int> quality);
// One palette for all frames (image/palette.h), no dithering. The delay is
// rounded to centiseconds, at least one.
Result<std::vector<std::uint8_t>> encodeGifAnimation(std::span<const tbitmap* const> frames, int delayMs);
