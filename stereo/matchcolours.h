#pragma once
// The right picture's colours brought to the left's.
#include <cstdint>

#include "image/tbitmap.h"

// The right picture's colours mapped onto the left's, channel by channel, by
// matching their histograms over the region the position makes common.
void matchColours(const tbitmap& left, tbitmap& right, std::int32_t dx, std::int32_t dy);
