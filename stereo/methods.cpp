#include "stereo/methods.h"

#include <algorithm>
#include <array>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

#if defined(__x86_64__)
// The same sums, 16 pixels at a time, for the processors that have AVX2:
// the vectoriser cannot take three-byte pixels apart without a byte shuffle
// per byte, which costs more than the sums.
// pshufb masks between 48 bytes of 16 pixels and the 16 bytes of a channel.
struct ShuffleMasks {
  alignas(16) std::int8_t channel[3][3][16];  // [channel][16-byte part]
  alignas(16) std::int8_t part[3][3][16];     // [16-byte part][channel]
};
constexpr ShuffleMasks kShuffle = [] {
  ShuffleMasks m{};
  for (int c = 0; c < 3; ++c)
    for (int part = 0; part < 3; ++part)
      for (int j = 0; j < 16; ++j) {
        const int at = 3 * j + c;  // the byte of channel c of pixel j
        m.channel[c][part][j] = at / 16 == part ? static_cast<std::int8_t>(at % 16) : -1;
        const int byte = 16 * part + j;
        m.part[part][c][j] = byte % 3 == c ? static_cast<std::int8_t>(byte / 3) : -1;
      }
  return m;
}();

__attribute__((target("avx2"))) __m128i shuffled(const __m128i (&from)[3], const std::int8_t (&masks)[3][16]) {
  __m128i v = _mm_setzero_si128();
  for (int i = 0; i < 3; ++i)
    v = _mm_or_si128(v, _mm_shuffle_epi8(from[i], _mm_load_si128(reinterpret_cast<const __m128i*>(masks[i]))));
  return v;
}

// Factors a, b for pmaddwd over pixels' channel pairs.
__attribute__((target("avx2"))) __m256i factorPair(std::int32_t a, std::int32_t b) {
  return _mm256_set1_epi32(static_cast<std::int32_t>(static_cast<std::uint32_t>(b) << 16 |
                                                     (static_cast<std::uint32_t>(a) & 0xFFFF)));
}

// Returns the pixels done, a multiple of 16. A factor f is taken as
// 256 * (f >> 8) + (f & 255), both parts in pmaddwd's 16 bits; the sum is
// the same integer.
__attribute__((target("avx2"))) int composeMatrixAvx2(const AnaglyphMatrix& k, const tpixel* left,
                                                      const tpixel* right, tpixel* out, int n) {
  __m256i high[3][3], low[3][3];
  for (int c = 0; c < 3; ++c)
    for (int p = 0; p < 3; ++p) {
      high[c][p] = factorPair(k[c][2 * p] >> 8, k[c][2 * p + 1] >> 8);
      low[c][p] = factorPair(k[c][2 * p] & 255, k[c][2 * p + 1] & 255);
    }
  auto load = [](const tpixel* p, int part) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(reinterpret_cast<const std::uint8_t*>(p) + 16 * part));
  };
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i l[3] = {load(left + x, 0), load(left + x, 1), load(left + x, 2)};
    const __m128i r[3] = {load(right + x, 0), load(right + x, 1), load(right + x, 2)};
    const __m128i in[6] = {shuffled(l, kShuffle.channel[0]), shuffled(l, kShuffle.channel[1]),
                           shuffled(l, kShuffle.channel[2]), shuffled(r, kShuffle.channel[0]),
                           shuffled(r, kShuffle.channel[1]), shuffled(r, kShuffle.channel[2])};
    __m256i pairs[2][3];  // [pixels 0-7, 8-15][inputs 0-1, 2-3, 4-5], as 16-bit pairs
    for (int p = 0; p < 3; ++p) {
      pairs[0][p] = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(in[2 * p], in[2 * p + 1]));
      pairs[1][p] = _mm256_cvtepu8_epi16(_mm_unpackhi_epi8(in[2 * p], in[2 * p + 1]));
    }
    __m128i channel[3];
    for (int c = 0; c < 3; ++c) {
      __m256i sum[2];
      for (int h = 0; h < 2; ++h) {
        __m256i hi = _mm256_setzero_si256(), lo = _mm256_setzero_si256();
        for (int p = 0; p < 3; ++p) {
          hi = _mm256_add_epi32(hi, _mm256_madd_epi16(pairs[h][p], high[c][p]));
          lo = _mm256_add_epi32(lo, _mm256_madd_epi16(pairs[h][p], low[c][p]));
        }
        sum[h] = _mm256_srai_epi32(_mm256_add_epi32(_mm256_slli_epi32(hi, 8), lo), 16);
      }
      // Saturating packs clamp to 0 .. 255 as std::clamp does.
      const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(sum[0], sum[1]), 0xD8);
      channel[c] = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    }
    auto* o = reinterpret_cast<std::uint8_t*>(out + x);
    for (int part = 0; part < 3; ++part)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16 * part), shuffled(channel, kShuffle.part[part]));
  }
  return x;
}
#endif

void composeMatrixRow(AnaglyphMethod m, const tpixel* left, const tpixel* right, tpixel* out, int n) {
  const AnaglyphMatrix& k = anaglyphMatrix(m);
  int x = 0;
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) x = composeMatrixAvx2(k, left, right, out, n);
#endif
  for (; x < n; x += kChunk) composeMatrixChunk(k, left + x, right + x, out + x, std::min(kChunk, n - x));
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
