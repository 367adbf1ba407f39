#pragma once
// One HTML file that shows an aligned pair in any browser, offline: the two
// views of the common region as JPEG data, the page's script and style
// (stereo/web/, embedded at build time) and nothing that asks for more. The
// page draws the anaglyph (Dubois red-cyan, composed in the page with the
// integers of stereo/methods.h), the parallel and crossed pairs and a wiggle,
// and in a headset's immersive session shows each eye its own view.
#include <cstdint>
#include <string>

#include "image/tbitmap.h"
#include "platform/result.h"

inline constexpr std::int32_t kWebWidth = 2048;

// The page of the views at position (dx, dy), each reduced to width pixels
// wide as buildLayout reduces (never enlarged; 0: full size), encoded as JPEG
// of that quality; caption: a line of text under the views, none when empty.
// Written atomically. Error: as buildLayout's, or the file's.
Status saveWebPage(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                   std::int32_t width, const std::string& path, int quality, const std::string& caption);
