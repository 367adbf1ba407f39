#include "stereo/methods.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Output red, green, blue from left r, g, b then right r, g, b, in units of
// 1/65536, summed, truncated by an arithmetic shift, then clamped. The
// integers are ffmpeg's stereo3d ones, so both give the same pixels: the
// published three-digit factors times 65536, rounded, except two that ffmpeg
// took from more digits (green-magenta red from left green, amber-blue red
// from right red, one unit off).
using Matrix = std::array<std::array<std::int32_t, 6>, 3>;

// Rec. 601 brightness
constexpr std::int32_t kR = 19595, kG = 38470, kB = 7471;
constexpr std::int32_t kOne = 65536;

// In the order of the enumeration; Custom has none.
constexpr Matrix kMatrices[] = {
    {},
    {{{kR, kG, kB, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, kR, kG, kB}}},     // true
    {{{kR, kG, kB, 0, 0, 0}, {0, 0, 0, kR, kG, kB}, {0, 0, 0, kR, kG, kB}}},  // gray
    {{{kOne, 0, 0, 0, 0, 0}, {0, 0, 0, 0, kOne, 0}, {0, 0, 0, 0, 0, kOne}}},  // colour
    {{{kR, kG, kB, 0, 0, 0}, {0, 0, 0, 0, kOne, 0}, {0, 0, 0, 0, 0, kOne}}},  // half colour
    {{{29884, 32768, 11534, -2818, -5767, -131},                              // Dubois red-cyan
      {-2621, -2490, -1049, 24773, 48103, -1180},
      {-983, -1376, -328, -4719, -7406, 80347}}},
    {{{-4063, -10354, -2556, 34669, 46203, 1573},  // Dubois green-magenta
      {18612, 43778, 9372, -1049, -983, -4260},
      {-983, -1769, 1376, 590, 4915, 61407}}},
    {{{69599, -13435, 19595, -1048, -8061, -1114},  // Dubois amber-blue
      {-1704, 59507, 4456, 393, 4063, -1114},
      {-2490, -11338, 1442, 6160, 12124, 59703}}},
};
static_assert(std::size(kMatrices) == kAnaglyphMethods.size());

std::uint8_t channel(const std::array<std::int32_t, 6>& c, const tpixel& l, const tpixel& r) {
  const std::int32_t sum =
      c[0] * l.red + c[1] * l.green + c[2] * l.blue + c[3] * r.red + c[4] * r.green + c[5] * r.blue;
  return static_cast<std::uint8_t>(std::clamp(sum >> 16, 0, 255));
}

void composeMatrixRow(AnaglyphMethod m, const tpixel* left, const tpixel* right, tpixel* out, int n) {
  const Matrix& k = kMatrices[static_cast<int>(m)];
  for (int x = 0; x < n; ++x) {
    out[x].red = channel(k[0], left[x], right[x]);
    out[x].green = channel(k[1], left[x], right[x]);
    out[x].blue = channel(k[2], left[x], right[x]);
  }
}

}  // namespace

AnaglyphMethodRows::AnaglyphMethodRows(AnaglyphMethod method, ColourWeights leftColour, ColourWeights rightColour)
    : method_(method) {
  if (method == AnaglyphMethod::Custom) custom_.emplace(leftColour, rightColour);
}

void AnaglyphMethodRows::compose(const tpixel* left, const tpixel* right, tpixel* out, int width) const {
  if (custom_) {
    custom_->compose(left, right, out, width);
  } else {
    composeMatrixRow(method_, left, right, out, width);
  }
}

std::unique_ptr<tbitmap> buildAnaglyph(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                       std::int32_t dy, AnaglyphMethod method, ColourWeights leftColour,
                                       ColourWeights rightColour, int maxWidth, int maxHeight) {
  if (method == AnaglyphMethod::Custom)
    return buildAnaglyph(left, right, dx, dy, leftColour, rightColour, maxWidth, maxHeight);
  const Overlap o = pairOverlap(dx, dy, left, right);
  auto out = std::make_unique<tbitmap>(std::clamp(maxWidth, 0, o.w), std::clamp(maxHeight, 0, o.h));
  const AnaglyphMethodRows rows(method, leftColour, rightColour);
  for (int y = 0; y < out->height; ++y)
    rows.compose(left.row(o.leftY + y) + o.leftX, right.row(o.rightY + y) + o.rightX, out->row(y), out->width);
  return out;
}
