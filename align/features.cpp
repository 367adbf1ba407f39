#include "align/detail/features.h"

#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include "align/detail/tracking.h"
#include "platform/parallel.h"

namespace {

constexpr int kFeatures = 3000;
constexpr float kRatio = 0.75f;       // best match against the second best
constexpr int kCloseDescriptor = 40;  // Hamming distance of a match worth trusting
constexpr std::size_t kRefined = 400;  // points followed on the whole pictures
constexpr int kPatch = 40;             // half the side of a followed patch, whole-picture pixels
constexpr int kRounds = 2;
constexpr double kMinFinalShare = 0.8;  // of the points followed on the last round

// Every kth of the matches, so the refinement sees the whole picture.
std::vector<Match> spreadOut(const std::vector<Match>& in) {
  std::vector<Match> out;
  const double step = std::max(1.0, static_cast<double>(in.size()) / kRefined);
  for (double i = 0; i < static_cast<double>(in.size()); i += step) out.push_back(in[static_cast<std::size_t>(i)]);
  return out;
}

// ORB's descriptors: 256 bits.
constexpr int kWords = 4;

std::vector<std::uint64_t> descriptorWords(const cv::Mat& d) {
  CV_Assert(d.type() == CV_8U && d.cols == 8 * kWords);
  std::vector<std::uint64_t> words(static_cast<std::size_t>(kWords * d.rows));
  for (int i = 0; i < d.rows; ++i) std::memcpy(&words[static_cast<std::size_t>(kWords * i)], d.ptr(i), d.cols);
  return words;
}

// The Hamming distances of one descriptor to each of `n`, a word at a time.
// Built twice, the copy for processors that count bits in one instruction
// picked when the program starts.
#if defined(__x86_64__)
__attribute__((target_clones("popcnt", "default")))
#endif
void hammingDistances(const std::uint64_t* p, const std::uint64_t* to, int n, int* out) {
  for (int j = 0; j < n; ++j, to += kWords)
    out[j] = std::popcount(p[0] ^ to[0]) + std::popcount(p[1] ^ to[1]) + std::popcount(p[2] ^ to[2]) +
             std::popcount(p[3] ^ to[3]);
}

}  // namespace

// Reduced before the grey conversion: three channels of the small copy cost
// less than one of the whole picture.
Features featuresOf(const tbitmap& b, double scale) {
  Features f;
  cv::Mat small;
  if (scale < 1)
    cv::resize(wrap(b), small, cv::Size(), scale, scale, cv::INTER_AREA);
  else
    small = wrap(b);
  cv::cvtColor(small, f.grey, cv::COLOR_RGB2GRAY);
  cv::ORB::create(kFeatures)->detectAndCompute(f.grey, cv::noArray(), f.points, f.descriptors);
  return f;
}

Matches matchFeatures(const Features& l, const Features& r, double scale) {
  Matches out;
  if (l.points.size() < 2 || r.points.size() < 2) return out;
  // Every distance once, a row at a time (the whole table would cost more to
  // allocate than to fill); the best two of each row and of each column.
  struct Best {
    int first = INT_MAX, second = INT_MAX, at = -1;
    void offer(int v, int i) {
      if (v < first)
        second = first, first = v, at = i;
      else if (v < second)
        second = v;
    }
    bool clear() const { return static_cast<float>(first) < kRatio * static_cast<float>(second); }
  };
  const std::vector<std::uint64_t> lw = descriptorWords(l.descriptors), rw = descriptorWords(r.descriptors);
  const int nl = l.descriptors.rows, nr = r.descriptors.rows;
  std::vector<Best> rows(static_cast<std::size_t>(nl)), cols(static_cast<std::size_t>(nr));
  std::vector<int> row(static_cast<std::size_t>(nr));
  for (int i = 0; i < nl; ++i) {
    hammingDistances(&lw[static_cast<std::size_t>(kWords * i)], rw.data(), nr, row.data());
    for (int j = 0; j < nr; ++j) {
      rows[static_cast<std::size_t>(i)].offer(row[static_cast<std::size_t>(j)], j);
      cols[static_cast<std::size_t>(j)].offer(row[static_cast<std::size_t>(j)], i);
    }
  }
  for (int i = 0; i < nl; ++i) {
    const Best& b = rows[static_cast<std::size_t>(i)];
    const Best& back = cols[static_cast<std::size_t>(b.at)];
    if (back.at == i && b.clear() && back.clear())
      out.kept.push_back({cv::Point2d(l.points[static_cast<std::size_t>(i)].pt) / scale,
                          cv::Point2d(r.points[static_cast<std::size_t>(b.at)].pt) / scale});
    else if (b.first < kCloseDescriptor)
      ++out.ambiguous;
  }
  return out;
}

cv::Rect commonOf(const Features& l, const Features& r) {
  return {0, 0, std::min(l.grey.cols, r.grey.cols), std::min(l.grey.rows, r.grey.rows)};
}

SmallPair smallPair(const Features& l, const Features& r, double scale, int width) {
  const cv::Rect common = commonOf(l, r);
  SmallPair p{l.grey(common), r.grey(common), scale};
  if (common.width > width) {
    const double by = static_cast<double>(width) / common.width;
    cv::resize(p.l, p.l, cv::Size(), by, by, cv::INTER_AREA);
    cv::resize(p.r, p.r, cv::Size(), by, by, cv::INTER_AREA);
    p.scale *= by;
  }
  return p;
}

std::vector<Match> refine(const tbitmap& left, const tbitmap& right, const std::vector<Match>& ms) {
  const cv::Mat l = wrap(left), r = wrap(right);
  const cv::Size win(21, 21);
  const cv::TermCriteria stop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
  auto patch = [](const cv::Mat& from, cv::Point2d at, cv::Mat& grey) {
    const cv::Rect box(static_cast<int>(std::lround(at.x)) - kPatch, static_cast<int>(std::lround(at.y)) - kPatch,
                       2 * kPatch + 1, 2 * kPatch + 1);
    if ((box & cv::Rect(0, 0, from.cols, from.rows)) != box) return cv::Point2d(-1, -1);
    cv::cvtColor(from(box), grey, cv::COLOR_RGB2GRAY);
    return cv::Point2d(box.x, box.y);
  };
  // Each match on its own: the matches shared among the cores, kept in order.
  std::vector<std::optional<Match>> followed(ms.size());
  inBands(static_cast<int>(ms.size()), [&](int first, int end) {
    for (int i = first; i < end; ++i) {
      const Match& m = ms[static_cast<std::size_t>(i)];
      cv::Mat lg, rg;
      const cv::Point2d lo = patch(l, m.left, lg), ro = patch(r, m.right, rg);
      if (lo.x < 0 || ro.x < 0) continue;
      std::vector<cv::Point2f> p{cv::Point2f(m.left - lo)}, q{cv::Point2f(m.right - ro)}, back = p;
      std::vector<unsigned char> found, foundBack;
      std::vector<float> err;
      cv::calcOpticalFlowPyrLK(lg, rg, p, q, found, err, win, 1, stop, cv::OPTFLOW_USE_INITIAL_FLOW);
      if (!found[0]) continue;
      cv::calcOpticalFlowPyrLK(rg, lg, q, back, foundBack, err, win, 1, stop, cv::OPTFLOW_USE_INITIAL_FLOW);
      if (!foundBack[0] || cv::norm(back[0] - p[0]) > kBackCheck) continue;
      followed[static_cast<std::size_t>(i)] = Match{m.left, cv::Point2d(q[0]) + ro};
    }
  });
  std::vector<Match> out;
  for (const auto& m : followed)
    if (m) out.push_back(*m);
  return out;
}

Result<Alignment> byFeatures(const tbitmap& left, const tbitmap& right, const std::vector<Match>& candidates,
                             const Tracker& tracker, bool correct) {
  const std::vector<Match> fine = refine(left, right, spreadOut(candidates));
  if (fine.size() < kMinInliers) return tooFew();
  const CentredCoords f(right);
  const int terms = termsFor(fine, right.width, right.height);
  double dy = 0;
  Terms t;
  std::vector<Match> points = fine;
  std::vector<const Match*> in;
  for (int round = 0; round <= kRounds; ++round) {
    if (round > 0) {
      points = tracker.track(in);
      points.insert(points.end(), fine.begin(), fine.end());
    }
    if (!agree(points, f, terms, dy, t, in))
      return disagreement(points, right.width, right.height, terms);
  }
  if (!mostAgree(in.size(), points.size(), kMinFinalShare))
    return disagreement(points, right.width, right.height, terms);
  return answer(points, in, t, dy, f, terms, correct, right.width, right.height);
}
