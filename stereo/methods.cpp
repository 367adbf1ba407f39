#include "stereo/methods.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Rec. 601 brightness
constexpr std::int32_t kR = 19595, kG = 38470, kB = 7471;
constexpr std::int32_t kOne = 65536;

// In the order of the enumeration; Custom has none. The integers are
// ffmpeg's stereo3d ones, so both give the same pixels: the published
// three-digit factors times 65536, rounded, except two that ffmpeg took from
// more digits (green-magenta red from left green, amber-blue red from right
// red, one unit off).
constexpr AnaglyphMatrix kMatrices[] = {
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

// Pixels a chunk: the channels are taken apart into planes, summed plane by
// plane (where the vectoriser does its best) and put together again.
constexpr int kChunk = 256;

__attribute__((target_clones("avx2", "default"))) void composeMatrixChunk(const AnaglyphMatrix& k,
                                                                          const tpixel* left,
                                                                          const tpixel* right, tpixel* out,
                                                                          int n) {
  std::int32_t in[6][kChunk], sum[3][kChunk];
  for (int x = 0; x < n; ++x) {
    in[0][x] = left[x].red, in[1][x] = left[x].green, in[2][x] = left[x].blue;
    in[3][x] = right[x].red, in[4][x] = right[x].green, in[5][x] = right[x].blue;
  }
  for (int c = 0; c < 3; ++c) {
    const auto [f0, f1, f2, f3, f4, f5] = k[c];
    for (int x = 0; x < n; ++x)
      sum[c][x] = std::clamp(
          (f0 * in[0][x] + f1 * in[1][x] + f2 * in[2][x] + f3 * in[3][x] + f4 * in[4][x] + f5 * in[5][x]) >>
              16,
          0, 255);
  }
  for (int x = 0; x < n; ++x)
    out[x] = tpixel(static_cast<std::uint8_t>(sum[0][x]), static_cast<std::uint8_t>(sum[1][x]),
                    static_cast<std::uint8_t>(sum[2][x]));
}

void composeMatrixRow(AnaglyphMethod m, const tpixel* left, const tpixel* right, tpixel* out, int n) {
  const AnaglyphMatrix& k = anaglyphMatrix(m);
  for (int x = 0; x < n; x += kChunk)
    composeMatrixChunk(k, left + x, right + x, out + x, std::min(kChunk, n - x));
}

}  // namespace

const AnaglyphMatrix& anaglyphMatrix(AnaglyphMethod m) { return kMatrices[static_cast<int>(m)]; }

AnaglyphMethodRows::AnaglyphMethodRows(AnaglyphMethod method, ColourWeights leftColour,
                                       ColourWeights rightColour)
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
  const Overlap o = pairOverlap(dx, dy, left, right);
  auto out = std::make_unique<tbitmap>(std::clamp(maxWidth, 0, o.w), std::clamp(maxHeight, 0, o.h));
  composeRows(
      AnaglyphMethodRows(method, leftColour, rightColour), out->height, out->width,
      [&](int y) { return left.row(o.leftY + y) + o.leftX; },
      [&](int y) { return right.row(o.rightY + y) + o.rightX; }, [&](int y) { return out->row(y); });
  return out;
}
