#pragma once
// HEIF's HEVC pictures decoded by libavcodec's decoder in place of libheif's
// own (libde265): the same pixels, as both follow the standard to the bit,
// in about three quarters of the processor time. libheif still reads the
// file, assembles grids and converts colours.
#include <libheif/heif.h>

// For the pictures of this context; before it decodes any. toRgb: the
// decoder converts 8-bit pictures to RGB as libheif would, which costs a
// fraction of libheif's conversion; only where no item's 'nclx' box
// replaces the colours the streams declare, as libheif then converts with
// those.
heif_error useLibavcodecForHevc(heif_context* context, bool toRgb);
