#include "align/align.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

#include "align/detail/area.h"
#include "align/detail/repetition.h"
#include "align/detail/rows.h"
#include "align/detail/tracking.h"
#include "platform/parallel.h"

namespace {

constexpr int kReducedWidth = 1600;  // the copies features are found on
constexpr int kDenseWidth = 320;     // the copies dense matching seeds the corners from
constexpr int kRowsWidth = 160;      // the copies the rows are searched on
constexpr int kAreaWidth = 512;      // the copies matched by their areas
constexpr std::size_t kMinMatches = 20;

}  // namespace

Result<Alignment> alignPair(const tbitmap& left, const tbitmap& right, bool correct) try {
  if (left.width < 16 || left.height < 16 || right.width < 16 || right.height < 16) return tooFew();
  // A whole factor: the area reduction then sums whole blocks, its fast case.
  const int factor = (std::max(left.width, right.width) + kReducedWidth - 1) / kReducedWidth;
  const double scale = 1.0 / factor;
  // Named, not bound: the lambdas below take them by reference.
  auto features = bothAtOnce([&] { return featuresOf(left, scale); }, [&] { return featuresOf(right, scale); });
  const auto& l = features.first;
  const auto& r = features.second;
  // On one core the features matched, the small copies made and how strongly
  // the picture repeats itself read from them; on the other, the copies
  // corners are followed on.
  struct Matched {
    Matches matches;
    SmallPair dense;
    double repeats;
  };
  const auto [matchedAll, tracker] = bothAtOnce(
      [&] {
        SmallPair dense = smallPair(l, r, scale, kDenseWidth);
        const double repeats = selfRepetition(dense.l);
        return Matched{matchFeatures(l, r, scale), std::move(dense), repeats};
      },
      [&] { return Tracker(l, r, scale); });
  const Matches& matched = matchedAll.matches;
  const bool few = matched.kept.size() < kMinMatches;
  if (few && matched.ambiguous >= 3 * kMinMatches) return repeated();
  // A pattern repeated over the whole frame matches at several places, and
  // nothing ties one of them.
  if (matchedAll.repeats >= kRepeats) return repeated();
  const SmallPair& dense = matchedAll.dense;
  Result<Alignment> a = few ? tooFew() : byFeatures(left, right, matched.kept, tracker, correct);
  if (!a && a.error().kind == ErrorKind::TooFewPoints)
    return byArea(left, right, smallPair(l, r, scale, kAreaWidth), tracker, correct);
  if (!a && a.error().kind == ErrorKind::NoOneAnswer)
    return byRows(left, right, smallPair(l, r, scale, kRowsWidth), dense, tracker, scale, correct);
  return a;
} catch (const cv::Exception&) {
  return tooFew();
}

std::array<double, 9> correctionMatrix(const Correction& correction, int width, int height) {
  const cv::Matx33d m = matrixOf(correction, CentredCoords(width, height));
  return {m(0, 0), m(0, 1), m(0, 2), m(1, 0), m(1, 1), m(1, 2), m(2, 0), m(2, 1), m(2, 2)};
}

tbitmap correctedPicture(const tbitmap& right, const Correction& correction) {
  if (correction.none()) return right;
  tbitmap out(right.width, right.height);
  const cv::Matx33d m = matrixOf(correction, CentredCoords(right));
  // Each band of rows warped on a core of its own: the band's matrix moves
  // its first row to the top.
  inBands(out.height, [&](int first, int end) {
    cv::Mat band = wrap(out).rowRange(first, end);
    const cv::Matx33d shifted = cv::Matx33d(1, 0, 0, 0, 1, -first, 0, 0, 1) * m;
    cv::warpPerspective(wrap(right), band, shifted, band.size(), cv::INTER_LANCZOS4, cv::BORDER_CONSTANT);
  });
  return out;
}
