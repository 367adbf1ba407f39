#include "align/align.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <numbers>
#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>
#include <optional>
#include <random>
#include <vector>

#include "platform/parallel.h"
#include "stereo/compose.h"

namespace {

constexpr int kReducedWidth = 1600;
constexpr int kFeatures = 3000;
constexpr float kRatio = 0.75f;       // best match against the second best
constexpr int kCloseDescriptor = 40;  // Hamming distance of a match worth trusting
constexpr std::size_t kMinMatches = 20;
constexpr std::size_t kMinInliers = 20;
constexpr double kMinInlierShare = 0.4;
constexpr double kMinFinalShare = 0.8;  // of the points followed on the last round
constexpr std::size_t kRefined = 400;   // points followed on the whole pictures
constexpr int kPatch = 40;              // half the side of a followed patch, whole-picture pixels
constexpr float kBackCheck = 0.3f;      // a patch followed back lands this close to its start
constexpr double kFineTolerance = 1.0;  // whole-picture pixels
constexpr int kCorners = 1000;
constexpr int kRounds = 2;
constexpr double kStray = 3;  // reduced pixels a tracked corner may move from where its anchors put it
constexpr double kNegligible = 0.25;  // pixels: a smaller correction is no correction
constexpr int kRansacRounds = 1500;
constexpr int kRowsWidth = 160;        // the copies the rows are searched on
constexpr int kDenseWidth = 320;       // the copies dense matching seeds the corners from
constexpr double kRowsRange = 0.125;   // of the height: how far up and down the rows are searched
constexpr double kRowsRival = 0.03;    // of the picture matched: an offset this close to the best rivals it
constexpr std::size_t kRowsPeak = 4;   // half rows: a peak is the most within this many each side
constexpr double kSurfaceStep = 0.5;   // dense pixels: neighbours this close in disparity are one surface
constexpr double kSurfaceArea = 0.05;  // of the picture: a surface that may be the subject
constexpr double kSubjectShare = 0.9;  // of the subject's points that its correction suits
constexpr double kRepeats = 0.7;       // a picture that repeats itself this strongly ties nothing

cv::Mat wrap(const tbitmap& b) { return cv::Mat(b.height, b.width, CV_8UC3, const_cast<tpixel*>(b.row(0))); }

// Centred coordinates in half the longer side, where the correction's terms
// keep their meaning at every picture size.
struct Frame {
  double cx, cy, s;
  Frame(int w, int h) : cx((w - 1) / 2.0), cy((h - 1) / 2.0), s(std::max(w, h) / 2.0) {}
  explicit Frame(const tbitmap& b) : Frame(b.width, b.height) {}
};

// The correction as (a, b, t, kh, kv): v' = (a u + b v + t) / (1 + kh u + kv v),
// u' = (b u - a v) / (1 + kh u + kv v).
using Terms = std::array<double, 5>;
constexpr Terms kIdentity{0, 1, 0, 0, 0};

Terms termsOf(const Correction& c, const Frame& f) {
  const double r = c.roll * std::numbers::pi / 180;
  return {c.zoom * std::sin(r), c.zoom * std::cos(r), c.shift / f.s, c.keystoneH, c.keystoneV};
}

Correction correctionOf(const Terms& t, const Frame& f) {
  return {std::atan2(t[0], t[1]) * 180 / std::numbers::pi, std::hypot(t[0], t[1]), t[2] * f.s, t[4], t[3]};
}

cv::Point2d apply(const Terms& t, const Frame& f, cv::Point2d p) {
  const double u = (p.x - f.cx) / f.s, v = (p.y - f.cy) / f.s;
  const double den = 1 + t[3] * u + t[4] * v;
  return {f.cx + f.s * (t[1] * u - t[0] * v) / den, f.cy + f.s * (t[0] * u + t[1] * v + t[2]) / den};
}

// The whole-picture matrix of the correction, source pixel to corrected pixel.
cv::Matx33d matrixOf(const Correction& c, const Frame& f) {
  const Terms t = termsOf(c, f);
  const cv::Matx33d toUnit(1 / f.s, 0, -f.cx / f.s, 0, 1 / f.s, -f.cy / f.s, 0, 0, 1);
  const cv::Matx33d fromUnit(f.s, 0, f.cx, 0, f.s, f.cy, 0, 0, 1);
  const cv::Matx33d h(t[1], -t[0], 0, t[0], t[1], t[2], t[3], t[4], 1);
  return fromUnit * h * toUnit;
}

// How far the correction moves the farthest pixel of a w x h picture: the
// corners and the middles of the sides bound it for transforms this close to
// the identity.
double largestMove(const Terms& t, const Frame& f, int w, int h) {
  double most = 0;
  for (double x : {0.0, (w - 1) / 2.0, w - 1.0})
    for (double y : {0.0, (h - 1) / 2.0, h - 1.0})
      most = std::max(most, cv::norm(apply(t, f, {x, y}) - cv::Point2d(x, y)));
  return most;
}

struct Match {
  cv::Point2d left, right;  // whole-picture pixels
};

// Vertical residual in pixels of the right point carried onto the left row.
double residual(const Terms& t, const Frame& f, const Match& m, double dy) {
  return apply(t, f, m.right).y - (m.left.y + dy);
}

// Least squares of the terms to the matches' rows; `terms` of them are free
// (1: shift, 3: roll, zoom and shift, 5: with the keystones).
bool fit(const std::vector<const Match*>& ms, const Frame& f, double dy, int terms, Terms& out) {
  cv::Mat a(static_cast<int>(ms.size()), terms, CV_64F), b(static_cast<int>(ms.size()), 1, CV_64F);
  for (int i = 0; i < a.rows; ++i) {
    const Match& m = *ms[static_cast<std::size_t>(i)];
    const double u = (m.right.x - f.cx) / f.s, v = (m.right.y - f.cy) / f.s;
    const double y = (m.left.y + dy - f.cy) / f.s;
    const double row[5] = {u, v, 1, -u * y, -v * y};
    if (terms == 1) {
      a.at<double>(i, 0) = 1;
      b.at<double>(i) = y - v;
    } else {
      for (int j = 0; j < terms; ++j) a.at<double>(i, j) = row[j];
      b.at<double>(i) = y;
    }
  }
  cv::Mat x;
  if (!cv::solve(a, b, x, ms.size() == static_cast<std::size_t>(terms) ? cv::DECOMP_LU : cv::DECOMP_SVD))
    return false;
  out = kIdentity;
  if (terms == 1) out[2] = x.at<double>(0);
  for (int j = 0; terms > 1 && j < terms; ++j) out[static_cast<std::size_t>(j)] = x.at<double>(j);
  double sum = 0;
  for (double v : out) sum += v;
  return std::isfinite(sum) && out[1] > 0.5;
}

std::vector<const Match*> inliersOf(const std::vector<Match>& ms, const Terms& t, const Frame& f, double dy,
                                    double tolerance) {
  std::vector<const Match*> in;
  for (const Match& m : ms)
    if (std::abs(residual(t, f, m, dy)) <= tolerance) in.push_back(&m);
  return in;
}

// The terms most matches agree on, from minimal random samples, then refitted
// on their consensus until it settles.
std::vector<const Match*> consensus(const std::vector<Match>& ms, const Frame& f, double dy, int terms,
                                    double tolerance, Terms& best) {
  std::vector<const Match*> most;
  if (ms.size() < static_cast<std::size_t>(terms)) return most;
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::size_t> pick(0, ms.size() - 1);
  std::vector<const Match*> sample(static_cast<std::size_t>(terms));
  // Enough rounds that a sample of agreeing matches alone was drawn, as
  // sure as 99.9 %, given the share that agrees with the best so far.
  double rounds = kRansacRounds;
  for (int round = 0; round < rounds; ++round) {
    for (auto& s : sample) s = &ms[pick(rng)];
    Terms t;
    if (!fit(sample, f, dy, terms, t)) continue;
    auto in = inliersOf(ms, t, f, dy, tolerance);
    if (in.size() > most.size()) {
      most = std::move(in);
      best = t;
      const double clean = std::pow(static_cast<double>(most.size()) / static_cast<double>(ms.size()), terms);
      rounds = std::min<double>(kRansacRounds, std::log(0.001) / std::log1p(-std::min(clean, 0.999)));
    }
  }
  for (int again = 0; again < 3 && most.size() >= static_cast<std::size_t>(terms); ++again) {
    Terms t;
    if (!fit(most, f, dy, terms, t)) break;
    best = t;
    most = inliersOf(ms, t, f, dy, tolerance);
  }
  return most;
}

// As many terms as the points' spread over the picture can prove.
int termsFor(const std::vector<Match>& ms, int w, int h) {
  double x0 = w, x1 = 0, y0 = h, y1 = 0;
  for (const Match& m : ms) {
    x0 = std::min(x0, m.right.x), x1 = std::max(x1, m.right.x);
    y0 = std::min(y0, m.right.y), y1 = std::max(y1, m.right.y);
  }
  const double spread = std::min((x1 - x0) / w, (y1 - y0) / h);
  return spread >= 0.4 ? 5 : spread >= 0.15 ? 3 : 1;
}

struct Features {
  cv::Mat grey;
  std::vector<cv::KeyPoint> points;
  cv::Mat descriptors;
};

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

struct Matches {
  std::vector<Match> kept;
  std::size_t ambiguous = 0;  // close matches the second best rivals
};

// Mutual best matches that clearly beat their second best, both ways.
Matches matchFeatures(const Features& l, const Features& r, double scale) {
  Matches out;
  if (l.points.size() < 2 || r.points.size() < 2) return out;
  // Every distance once; the best two of each row and of each column.
  cv::Mat d;
  cv::batchDistance(l.descriptors, r.descriptors, d, CV_32S, cv::noArray(), cv::NORM_HAMMING);
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
  std::vector<Best> rows(static_cast<std::size_t>(d.rows)), cols(static_cast<std::size_t>(d.cols));
  for (int i = 0; i < d.rows; ++i) {
    const int* row = d.ptr<int>(i);
    for (int j = 0; j < d.cols; ++j) {
      rows[static_cast<std::size_t>(i)].offer(row[j], j);
      cols[static_cast<std::size_t>(j)].offer(row[j], i);
    }
  }
  for (int i = 0; i < d.rows; ++i) {
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

// Every kth of the matches, so the refinement sees the whole picture.
std::vector<Match> spreadOut(const std::vector<const Match*>& in) {
  std::vector<Match> out;
  const double step = std::max(1.0, static_cast<double>(in.size()) / kRefined);
  for (double i = 0; i < static_cast<double>(in.size()); i += step)
    out.push_back(*in[static_cast<std::size_t>(i)]);
  return out;
}

// Each match followed on the whole pictures, both ways, to a fraction of a pixel.
std::vector<Match> refine(const tbitmap& left, const tbitmap& right, const std::vector<Match>& ms) {
  std::vector<Match> out;
  const cv::Mat l = wrap(left), r = wrap(right);
  const cv::Size win(21, 21);
  const cv::TermCriteria stop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
  for (const Match& m : ms) {
    auto patch = [&](const cv::Mat& from, cv::Point2d at, cv::Mat& grey) {
      const cv::Rect box(static_cast<int>(std::lround(at.x)) - kPatch,
                         static_cast<int>(std::lround(at.y)) - kPatch, 2 * kPatch + 1, 2 * kPatch + 1);
      if ((box & cv::Rect(0, 0, from.cols, from.rows)) != box) return cv::Point2d(-1, -1);
      cv::cvtColor(from(box), grey, cv::COLOR_RGB2GRAY);
      return cv::Point2d(box.x, box.y);
    };
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
    out.push_back({m.left, cv::Point2d(q[0]) + ro});
  }
  return out;
}

// The part of the two reduced pictures both have.
cv::Rect commonOf(const Features& l, const Features& r) {
  return {0, 0, std::min(l.grey.cols, r.grey.cols), std::min(l.grey.rows, r.grey.rows)};
}

// Corners of the left picture followed into the right one on the reduced
// copies, each started where its nearest anchors or dense matching say, and
// checked both ways: the many points that let the scene's main surfaces
// weigh in the fit. The corners and the pyramids are made once for every
// round.
class Tracker {
 public:
  Tracker(const Features& l, const Features& r, double scale) : scale_(scale) {
    const cv::Rect common = commonOf(l, r);
    cv::goodFeaturesToTrack(l.grey(common), corners_, kCorners, 0.01, 6);
    cv::buildOpticalFlowPyramid(l.grey(common), a_, kWindow, kLevels);
    cv::buildOpticalFlowPyramid(r.grey(common), b_, kWindow, kLevels);
  }

  const std::vector<cv::Point2f>& corners() const { return corners_; }

  // Each corner started where the median of its nearest anchors' moves says.
  std::vector<Match> track(const std::vector<const Match*>& anchors) const {
    if (corners_.empty() || anchors.empty()) return {};
    std::vector<cv::Point2f> guess;
    std::vector<std::pair<double, cv::Point2d>> near(anchors.size());
    const std::size_t k = std::min<std::size_t>(5, near.size());
    std::vector<double> xs(k), ys(k);
    for (const cv::Point2f& c : corners_) {
      for (std::size_t i = 0; i < anchors.size(); ++i) {
        const cv::Point2d d = anchors[i]->left * scale_ - cv::Point2d(c);
        near[i] = {d.dot(d), (anchors[i]->right - anchors[i]->left) * scale_};
      }
      std::partial_sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(k), near.end(),
                        [](const auto& x, const auto& y) { return x.first < y.first; });
      for (std::size_t i = 0; i < k; ++i) xs[i] = near[i].second.x, ys[i] = near[i].second.y;
      std::nth_element(xs.begin(), xs.begin() + static_cast<std::ptrdiff_t>(k / 2), xs.end());
      std::nth_element(ys.begin(), ys.begin() + static_cast<std::ptrdiff_t>(k / 2), ys.end());
      guess.push_back(c + cv::Point2f(static_cast<float>(xs[k / 2]), static_cast<float>(ys[k / 2])));
    }
    return follow(corners_, guess);
  }

  // The corners `from` followed from their guesses, checked both ways, kept
  // where they land near the guess.
  std::vector<Match> follow(const std::vector<cv::Point2f>& from,
                            const std::vector<cv::Point2f>& guess) const {
    if (from.empty()) return {};
    std::vector<cv::Point2f> tracked = guess, back = from;
    std::vector<unsigned char> found, foundBack;
    std::vector<float> err;
    const cv::TermCriteria stop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
    cv::calcOpticalFlowPyrLK(a_, b_, from, tracked, found, err, kWindow, kLevels, stop,
                             cv::OPTFLOW_USE_INITIAL_FLOW);
    cv::calcOpticalFlowPyrLK(b_, a_, tracked, back, foundBack, err, kWindow, kLevels, stop,
                             cv::OPTFLOW_USE_INITIAL_FLOW);
    std::vector<Match> out;
    for (std::size_t i = 0; i < from.size(); ++i)
      if (found[i] && foundBack[i] && cv::norm(back[i] - from[i]) <= kBackCheck &&
          cv::norm(tracked[i] - guess[i]) <= kStray)
        out.push_back({cv::Point2d(from[i]) / scale_, cv::Point2d(tracked[i]) / scale_});
    return out;
  }

 private:
  static constexpr int kLevels = 2;
  inline static const cv::Size kWindow{21, 21};
  double scale_;
  std::vector<cv::Point2f> corners_;
  std::vector<cv::Mat> a_, b_;
};

double quantile(std::vector<double> v, double q) {
  const auto k = static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[static_cast<std::size_t>(k)];
}

bool proves(std::size_t inliers, std::size_t of) {
  return inliers >= kMinInliers && static_cast<double>(inliers) >= kMinInlierShare * static_cast<double>(of);
}

// The consensus of the points, the whole rows of its shift moved into the
// position's dy; false when it does not prove one answer.
bool agree(const std::vector<Match>& points, const Frame& f, int terms, double& dy, Terms& t,
           std::vector<const Match*>& in) {
  for (int again = 0; again < 3; ++again) {
    in = consensus(points, f, dy, terms, kFineTolerance, t);
    if (!proves(in.size(), points.size())) return false;
    const double whole = std::round(t[2] * f.s);
    if (whole == 0) break;
    dy -= whole;
  }
  return true;
}

// Followed both ways, yet off the fit: a part of the scene that another
// correction would suit (lenses not level, a surface matched wrongly).
bool mostAgree(std::size_t in, std::size_t of, double share = kMinFinalShare) {
  return static_cast<double>(in) >= share * static_cast<double>(of);
}

// What the consensus says: the correction, unless it is not asked for or
// moves no pixel enough to matter; dy; dx at the nearest points.
Result<Alignment> answer(const std::vector<const Match*>& in, Terms t, double dy, const Frame& f, int terms,
                         bool correct, int w, int h) {
  Alignment a;
  a.inliers = static_cast<int>(in.size());
  if (!correct || terms == 1 || largestMove(t, f, w, h) <= kNegligible) {
    std::vector<double> ys;
    for (const Match* m : in) ys.push_back(m->right.y - m->left.y);
    dy = std::round(quantile(ys, 0.5));
    t = kIdentity;
  } else {
    a.correction = correctionOf(t, f);
    if (!a.correction.plausible()) return Error{kNoOneAnswer, ErrorKind::CannotAlign};
  }
  std::vector<double> xs;
  for (const Match* m : in) xs.push_back(apply(t, f, m->right).x - m->left.x);
  a.dx = static_cast<std::int32_t>(std::lround(quantile(xs, 0.02)));
  a.dy = static_cast<std::int32_t>(dy);
  return a;
}

// The matches followed on the whole pictures to a fraction of a pixel; the
// correction most of them agree on; then corners started from those, and
// from the corners they brought in, let the scene's surfaces weigh in.
Result<Alignment> byFeatures(const tbitmap& left, const tbitmap& right, const Matches& matched,
                             const Tracker& tracker, bool correct) {
  std::vector<const Match*> candidates;
  for (const Match& m : matched.kept) candidates.push_back(&m);
  const std::vector<Match> fine = refine(left, right, spreadOut(candidates));
  if (fine.size() < kMinInliers) return Error{kCannotAlign, ErrorKind::CannotAlign};
  const Frame f(right);
  const int terms = termsFor(fine, right.width, right.height);
  double dy = 0;
  Terms t = kIdentity;
  std::vector<Match> points = fine;
  std::vector<const Match*> in;
  for (int round = 0; round <= kRounds; ++round) {
    if (round > 0) {
      points = tracker.track(in);
      points.insert(points.end(), fine.begin(), fine.end());
    }
    if (!agree(points, f, terms, dy, t, in)) return Error{kNoOneAnswer, ErrorKind::CannotAlign};
  }
  if (!mostAgree(in.size(), points.size())) return Error{kNoOneAnswer, ErrorKind::CannotAlign};
  return answer(in, t, dy, f, terms, correct, right.width, right.height);
}

// Both grey copies cut to their common size and reduced to `width` columns,
// with the factor from whole-picture pixels.
struct SmallPair {
  cv::Mat l, r;
  double scale;
};

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

// Dense matching along the rows (OpenCV's semi-global block matching): left
// x minus right x of every left pixel in 16ths, below `lowest` where nothing
// proves one. The copies are padded so every pixel sees the whole range.
struct RowMatch {
  cv::Mat disparity;
  int lowest;
};

RowMatch matchAlongRows(const cv::Mat& l, const cv::Mat& r) {
  constexpr int block = 5;
  const int lo = -16 * ((l.cols / 8 + 15) / 16), span = 16 * ((l.cols / 2 - lo + 15) / 16);
  const int before = lo + span, after = -lo;
  cv::Mat lp, rp, d;
  cv::copyMakeBorder(l, lp, 0, 0, before, after, cv::BORDER_REPLICATE);
  cv::copyMakeBorder(r, rp, 0, 0, before, after, cv::BORDER_REPLICATE);
  cv::StereoSGBM::create(lo, span, block, 8 * block * block, 32 * block * block, 1, 0, 10)
      ->compute(lp, rp, d);
  return {d(cv::Rect(before, 0, l.cols, l.rows)), 16 * lo};
}

// The vertical offset of the right copy, in its rows, at which dense
// matching along the rows finds the most of the pictures; none when another
// offset, a peak of its own, finds nearly as much: a pattern's period away.
std::optional<double> rowsOffset(const SmallPair& p) {
  const int range = static_cast<int>(p.l.rows * kRowsRange);
  std::vector<double> found(static_cast<std::size_t>(4 * range + 1));  // every half row
  eachAtOnce(static_cast<int>(found.size()), [&](int i) {
    cv::Mat shifted;
    cv::warpAffine(p.r, shifted, cv::Matx23d(1, 0, 0, 0, 1, range - i / 2.0), p.r.size(), cv::INTER_LINEAR,
                   cv::BORDER_REPLICATE);
    const RowMatch m = matchAlongRows(p.l, shifted);
    found[static_cast<std::size_t>(i)] =
        cv::countNonZero(m.disparity >= m.lowest) / static_cast<double>(m.disparity.total());
  });
  const auto best = static_cast<std::size_t>(std::max_element(found.begin(), found.end()) - found.begin());
  auto peak = [&](std::size_t i) {
    const std::size_t from = i < kRowsPeak ? 0 : i - kRowsPeak,
                      to = std::min(found.size(), i + kRowsPeak + 1);
    return *std::max_element(found.begin() + static_cast<std::ptrdiff_t>(from),
                             found.begin() + static_cast<std::ptrdiff_t>(to)) == found[i];
  };
  for (std::size_t i = 0; i < found.size(); ++i)
    if ((i + kRowsPeak < best || i > best + kRowsPeak) && peak(i) && found[i] >= found[best] - kRowsRival)
      return std::nullopt;
  return static_cast<double>(best) / 2 - range;
}

// The nearest surface dense matching sees: pixels joined where neighbours'
// disparities differ by little; of the surfaces that cover enough of the
// picture, the one whose middle disparity is the nearest. A mask of the left
// copy, empty when there is none.
cv::Mat nearestSurface(const RowMatch& m) {
  const cv::Mat& d = m.disparity;
  constexpr int step = static_cast<int>(16 * kSurfaceStep);
  cv::Mat label(d.size(), CV_32S, cv::Scalar(-1));
  int count = 0, best = -1;
  short bestDisparity = 0;
  std::vector<cv::Point> stack;
  std::vector<short> values;
  for (int y = 0; y < d.rows; ++y)
    for (int x = 0; x < d.cols; ++x) {
      if (label.at<int>(y, x) >= 0 || d.at<short>(y, x) < m.lowest) continue;
      values.clear();
      label.at<int>(y, x) = count;
      stack.push_back({x, y});
      while (!stack.empty()) {
        const cv::Point at = stack.back();
        stack.pop_back();
        const short v = d.at<short>(at);
        values.push_back(v);
        for (const cv::Point n :
             {at + cv::Point(1, 0), at - cv::Point(1, 0), at + cv::Point(0, 1), at - cv::Point(0, 1)}) {
          if (n.x < 0 || n.y < 0 || n.x >= d.cols || n.y >= d.rows || label.at<int>(n) >= 0) continue;
          const short w = d.at<short>(n);
          if (w < m.lowest || std::abs(w - v) > step) continue;
          label.at<int>(n) = count;
          stack.push_back(n);
        }
      }
      if (static_cast<double>(values.size()) >= kSurfaceArea * static_cast<double>(d.total())) {
        const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
        std::nth_element(values.begin(), middle, values.end());
        if (best < 0 || *middle > bestDisparity) best = count, bestDisparity = *middle;
      }
      ++count;
    }
  if (best < 0) return {};
  return label == best;
}

// The corners of the left picture started where dense matching along the
// rows of the corrected pair puts them, followed and fitted, round after
// round from the rows given: each round's rows line up better, and dense
// matching needs rows within a pixel. At last the correction is fitted to
// the nearest surface, the subject, refined on the whole pictures: where
// the lenses bend the picture, no one correction suits every depth.
Result<Alignment> alongRows(const tbitmap& left, const tbitmap& right, const SmallPair& dense,
                            const Tracker& tracker, double scale, double rows, bool correct) {
  const Frame f(right);
  double dy = rows;
  Terms t = kIdentity;
  int terms = 5;
  std::vector<Match> points;
  std::vector<const Match*> in;
  const cv::Matx33d toDense(dense.scale, 0, 0, 0, dense.scale, 0, 0, 0, 1);
  RowMatch m;
  for (int round = 0; round <= kRounds; ++round) {
    // Right pixel to the left pixel it pairs with, but for the depth.
    const cv::Matx33d rowsOf = cv::Matx33d(1, 0, 0, 0, 1, -dy, 0, 0, 1) * matrixOf(correctionOf(t, f), f);
    cv::Mat aligned;
    cv::warpPerspective(dense.r, aligned, toDense * rowsOf * toDense.inv(), dense.l.size(), cv::INTER_LINEAR);
    m = matchAlongRows(dense.l, aligned);
    const cv::Matx33d back = rowsOf.inv();
    std::vector<cv::Point2f> from, guess;
    for (const cv::Point2f& c : tracker.corners()) {
      const cv::Point at(static_cast<int>(c.x * dense.scale / scale),
                         static_cast<int>(c.y * dense.scale / scale));
      if (at.x >= m.disparity.cols || at.y >= m.disparity.rows) continue;
      const short d = m.disparity.at<short>(at);
      if (d < m.lowest) continue;
      const cv::Vec3d p = back * cv::Vec3d(c.x / scale - d / (16 * dense.scale), c.y / scale, 1);
      from.push_back(c);
      guess.push_back(
          cv::Point2f(static_cast<float>(p[0] / p[2] * scale), static_cast<float>(p[1] / p[2] * scale)));
    }
    points = tracker.follow(from, guess);
    if (points.size() < kMinInliers) return Error{kNoOneAnswer, ErrorKind::CannotAlign};
    terms = termsFor(points, right.width, right.height);
    if (!agree(points, f, terms, dy, t, in)) return Error{kNoOneAnswer, ErrorKind::CannotAlign};
  }
  const cv::Mat surface = nearestSurface(m);
  if (surface.empty()) return Error{kNoOneAnswer, ErrorKind::CannotAlign};
  std::vector<Match> near;
  for (const Match& p : points) {
    const cv::Point at(static_cast<int>(p.left.x * dense.scale), static_cast<int>(p.left.y * dense.scale));
    if (at.x < surface.cols && at.y < surface.rows && surface.at<unsigned char>(at)) near.push_back(p);
  }
  near = refine(left, right, near);
  // The subject is one surface: nearly all its points agree.
  if (!agree(near, f, terms, dy, t, in) || !mostAgree(in.size(), near.size(), kSubjectShare))
    return Error{kNoOneAnswer, ErrorKind::CannotAlign};
  // The answer rests on every point the subject's rows suit.
  return answer(inliersOf(points, t, f, dy, kFineTolerance), t, dy, f, terms, correct, right.width,
                right.height);
}

// How strongly a picture, given as its small copy, repeats itself: the
// highest autocorrelation of its fine detail at a shift within a third of the
// frame, each shift's sum taken over the part the shifted copies share. A
// pattern repeated over the whole frame comes near 1; photographs, even of a
// chessboard, stay below a half.
double selfRepetition(const cv::Mat& small) {
  cv::Mat detail, blurred;
  small.convertTo(detail, CV_32F);
  cv::GaussianBlur(detail, blurred, cv::Size(), 4);
  detail -= blurred;
  const int w = detail.cols, h = detail.rows;
  cv::Mat padded = cv::Mat::zeros(2 * h, 2 * w, CV_32F), spectrum, power;
  detail.copyTo(padded(cv::Rect(0, 0, w, h)));
  cv::dft(padded, spectrum, cv::DFT_COMPLEX_OUTPUT);
  cv::mulSpectrums(spectrum, spectrum, power, 0, true);
  cv::idft(power, power, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
  const double itself = power.at<float>(0, 0);
  if (!(itself > 1e-3 * w * h)) return 0;  // no detail to repeat
  double most = 0;
  for (int dy = -h / 3; dy <= h / 3; ++dy)
    for (int dx = -w / 3; dx <= w / 3; ++dx) {
      if (dx * dx + dy * dy < 16) continue;  // the detail's own width
      const double shared = static_cast<double>(w - std::abs(dx)) * (h - std::abs(dy)) / (w * h);
      most =
          std::max(most, power.at<float>((dy + 2 * h) % (2 * h), (dx + 2 * w) % (2 * w)) / (itself * shared));
    }
  return most;
}

// Pairs whose features do not agree: a pattern they match at the wrong
// places, a subject whose depth wants another correction than the
// background's. The rows are found first, by dense matching over every
// vertical offset, then followed to an answer.
Result<Alignment> byRows(const tbitmap& left, const tbitmap& right, const Features& l, const Features& r,
                         const SmallPair& dense, const Tracker& tracker, double scale, bool correct) {
  const SmallPair coarse = smallPair(l, r, scale, kRowsWidth);
  const std::optional<double> rows = rowsOffset(coarse);
  if (!rows) return Error{kRepeatedPattern, ErrorKind::CannotAlign};
  return alongRows(left, right, dense, tracker, scale, std::round(*rows / coarse.scale), correct);
}

}  // namespace

Result<Alignment> alignPair(const tbitmap& left, const tbitmap& right, bool correct) try {
  if (left.width < 16 || left.height < 16 || right.width < 16 || right.height < 16)
    return Error{kCannotAlign, ErrorKind::CannotAlign};
  // A whole factor: the area reduction then sums whole blocks, its fast case.
  const int factor = (std::max(left.width, right.width) + kReducedWidth - 1) / kReducedWidth;
  const double scale = 1.0 / factor;
  auto [l, r] = bothAtOnce([&] { return featuresOf(left, scale); }, [&] { return featuresOf(right, scale); });
  const Matches matched = matchFeatures(l, r, scale);
  if (matched.kept.size() < kMinMatches)
    return Error{matched.ambiguous >= 3 * kMinMatches ? kRepeatedPattern : kCannotAlign,
                 ErrorKind::CannotAlign};
  // A pattern repeated over the whole frame matches at several places, and
  // nothing ties one of them.
  const SmallPair dense = smallPair(l, r, scale, kDenseWidth);
  if (selfRepetition(dense.l) >= kRepeats) return Error{kRepeatedPattern, ErrorKind::CannotAlign};
  const Tracker tracker(l, r, scale);
  auto a = byFeatures(left, right, matched, tracker, correct);
  if (a || a.error().message != kNoOneAnswer) return a;
  return byRows(left, right, l, r, dense, tracker, scale, correct);
} catch (const cv::Exception&) {
  return Error{kCannotAlign, ErrorKind::CannotAlign};
}

std::array<double, 9> correctionMatrix(const Correction& correction, int width, int height) {
  const cv::Matx33d m = matrixOf(correction, Frame(width, height));
  return {m(0, 0), m(0, 1), m(0, 2), m(1, 0), m(1, 1), m(1, 2), m(2, 0), m(2, 1), m(2, 2)};
}

tbitmap correctedPicture(const tbitmap& right, const Correction& correction) {
  if (correction.none()) return right;
  tbitmap out(right.width, right.height);
  const cv::Matx33d m = matrixOf(correction, Frame(right));
  // Each band of rows warped on a core of its own: the band's matrix moves
  // its first row to the top.
  inBands(out.height, [&](int first, int end) {
    cv::Mat band = wrap(out).rowRange(first, end);
    const cv::Matx33d shifted = cv::Matx33d(1, 0, 0, 0, 1, -first, 0, 0, 1) * m;
    cv::warpPerspective(wrap(right), band, shifted, band.size(), cv::INTER_LANCZOS4, cv::BORDER_CONSTANT);
  });
  return out;
}

void matchColours(const tbitmap& left, tbitmap& right, std::int32_t dx, std::int32_t dy) {
  const Overlap o = pairOverlap(dx, dy, left, right);
  if (o.w <= 0 || o.h <= 0) return;
  std::array<std::array<double, 256>, 3> hl{}, hr{};
  for (int y = 0; y < o.h; ++y) {
    const tpixel* a = left.row(o.leftY + y) + o.leftX;
    const tpixel* b = right.row(o.rightY + y) + o.rightX;
    for (int x = 0; x < o.w; ++x) {
      ++hl[0][a[x].red], ++hl[1][a[x].green], ++hl[2][a[x].blue];
      ++hr[0][b[x].red], ++hr[1][b[x].green], ++hr[2][b[x].blue];
    }
  }
  std::array<std::array<std::uint8_t, 256>, 3> lut{};
  for (int c = 0; c < 3; ++c) {
    // Each right level goes to the left level whose cumulative share first
    // reaches the middle of the right level's share.
    double below = 0, reached = 0;
    int to = 0;
    for (int v = 0; v < 256; ++v) {
      const double middle = below + hr[c][static_cast<std::size_t>(v)] / 2;
      while (to < 255 && reached + hl[c][static_cast<std::size_t>(to)] < middle)
        reached += hl[c][static_cast<std::size_t>(to++)];
      lut[static_cast<std::size_t>(c)][static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(to);
      below += hr[c][static_cast<std::size_t>(v)];
    }
  }
  for (int y = 0; y < right.height; ++y)
    for (tpixel* p = right.row(y); p != right.row(y) + right.width; ++p)
      *p = tpixel(lut[0][p->red], lut[1][p->green], lut[2][p->blue]);
}
