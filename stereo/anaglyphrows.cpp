#include "stereo/anaglyphrows.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

namespace {

using Channel = AnaglyphRows::Channel;
constexpr int kSums = 766;

// Rounded to single precision before use: the rounding is part of the result.
double weightFactor(std::uint32_t m) { return static_cast<float>(static_cast<double>(m) / 768.0); }

std::uint8_t saturate(double v) { return v >= 255.0 ? 255 : static_cast<std::uint8_t>(v); }

std::uint8_t exact(const Channel& c, int l, int r) { return saturate(c.leftTerm[l] + c.rightTerm[r]); }

std::uint8_t fixedValue(const Channel& c, std::uint32_t l, std::uint32_t r) {
  return static_cast<std::uint8_t>(std::min<std::uint32_t>((l * c.left + r * c.right) >> c.shift, 255));
}

bool equalOnAllSums(const Channel& c) {
  for (int l = 0; l < kSums; ++l) {
    bool same = true;
    for (int r = 0; r < kSums; ++r)
      same &= fixedValue(c, static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(r)) == exact(c, l, r);
    if (!same) return false;
  }
  return true;
}

// A factor of 256 or more saturates the channel at any sum above 0, so it is
// capped there: the fixed-point weights keep more bits for the other factor.
void chooseFixedPoint(Channel& c, double left, double right) {
  left = std::min(left, 256.0);
  right = std::min(right, 256.0);
  int shift = 24;
  while (shift > 0 &&
         (kSums - 1) * (std::ceil(std::ldexp(left, shift)) + std::ceil(std::ldexp(right, shift))) >=
             4294967296.0)
    --shift;
  // Rounding both weights down keeps a sum that the factors' own rounding
  // put just below an integer below it, rounding up one just above; with
  // one factor rounded each way only the check tells.
  for (int round = 0; round < 4; ++round) {
    auto scaled = [&](double f, bool up) {
      const double v = std::ldexp(f, shift);
      return static_cast<std::uint32_t>(up ? std::ceil(v) : std::floor(v));
    };
    c.left = scaled(left, round & 1);
    c.right = scaled(right, round & 2);
    c.shift = shift;
    if (equalOnAllSums(c)) {
      c.fixed = true;
      return;
    }
  }
}

Channel channelFor(std::uint32_t leftWeight, std::uint32_t rightWeight) {
  Channel c;
  const double fl = weightFactor(leftWeight), fr = weightFactor(rightWeight);
  for (int b = 0; b < kSums; ++b) {
    c.leftTerm[b] = b * fl;
    c.rightTerm[b] = b * fr;
  }
  chooseFixedPoint(c, fl, fr);
  return c;
}

using Key =
    std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>;

// The check costs a few milliseconds, so each set of weights is planned once.
std::shared_ptr<const std::array<Channel, 3>> plan(ColourWeights l, ColourWeights r) {
  static std::mutex mutex;
  static std::map<Key, std::shared_ptr<const std::array<Channel, 3>>> plans;
  const Key key{l.red, l.green, l.blue, r.red, r.green, r.blue};
  std::lock_guard lock(mutex);
  if (plans.size() >= 64 && !plans.contains(key)) plans.clear();
  auto& found = plans[key];
  if (!found)
    found = std::make_shared<const std::array<Channel, 3>>(std::array<Channel, 3>{
        channelFor(l.red, r.red), channelFor(l.green, r.green), channelFor(l.blue, r.blue)});
  return found;
}

constexpr int kChunk = 256;

// Runs of kChunk pixels through three passes the compiler vectorises: the
// brightness sums, each channel, the interleaved store.
__attribute__((target_clones("avx2", "default"))) void composeRow(const std::array<Channel, 3>& channels,
                                                                  const tpixel* __restrict left,
                                                                  const tpixel* __restrict right,
                                                                  tpixel* __restrict out, int width) {
  std::uint16_t lsum[kChunk], rsum[kChunk];
  std::uint8_t value[3][kChunk];
  for (int start = 0; start < width; start += kChunk) {
    const int n = std::min(kChunk, width - start);
    const tpixel* l = left + start;
    const tpixel* r = right + start;
    for (int i = 0; i < n; ++i) {
      lsum[i] = static_cast<std::uint16_t>(l[i].red + l[i].green + l[i].blue);
      rsum[i] = static_cast<std::uint16_t>(r[i].red + r[i].green + r[i].blue);
    }
    for (int c = 0; c < 3; ++c) {
      const Channel& ch = channels[c];
      std::uint8_t* v = value[c];
      if (ch.fixed) {
        const std::uint32_t a = ch.left, b = ch.right;
        const int s = ch.shift;
        for (int i = 0; i < n; ++i)
          v[i] = static_cast<std::uint8_t>(std::min<std::uint32_t>((lsum[i] * a + rsum[i] * b) >> s, 255));
      } else {
        for (int i = 0; i < n; ++i) v[i] = exact(ch, lsum[i], rsum[i]);
      }
    }
    tpixel* o = out + start;
    for (int i = 0; i < n; ++i) {
      o[i].red = value[0][i];
      o[i].green = value[1][i];
      o[i].blue = value[2][i];
    }
  }
}

}  // namespace

AnaglyphRows::AnaglyphRows(ColourWeights left, ColourWeights right) : channels_(plan(left, right)) {}

void AnaglyphRows::compose(const tpixel* left, const tpixel* right, tpixel* out, int width) const {
  composeRow(*channels_, left, right, out, width);
}

bool AnaglyphRows::fixedPoint(int channel) const { return (*channels_)[channel].fixed; }
