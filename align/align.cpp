#include "align/align.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>
#include <random>
#include <climits>
#include <vector>

#include "platform/parallel.h"
#include "stereo/compose.h"

namespace {

constexpr int kReducedWidth = 1600;
constexpr int kFeatures = 3000;
constexpr float kRatio = 0.75f;  // best match against the second best
constexpr int kCloseDescriptor = 40;  // Hamming distance of a match worth trusting
constexpr std::size_t kMinMatches = 20;
constexpr std::size_t kMinInliers = 20;
constexpr double kMinInlierShare = 0.4;
constexpr double kMinFinalShare = 0.8;  // of the points followed on the last round
constexpr std::size_t kRefined = 400;  // points followed on the whole pictures
constexpr int kPatch = 40;             // half the side of a followed patch, whole-picture pixels
constexpr float kBackCheck = 0.3f;     // a patch followed back lands this close to its start
constexpr double kFineTolerance = 1.0;    // whole-picture pixels
constexpr int kCorners = 1000;
constexpr int kRounds = 2;
constexpr double kStray = 3;  // reduced pixels a tracked corner may move from where its anchors put it
constexpr double kNegligible = 0.25;      // pixels: a smaller correction is no correction
constexpr int kRansacRounds = 1500;

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
    for (double y : {0.0, (h - 1) / 2.0, h - 1.0}) most = std::max(most, cv::norm(apply(t, f, {x, y}) - cv::Point2d(x, y)));
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
int termsFor(const std::vector<const Match*>& ms, int w, int h) {
  double x0 = w, x1 = 0, y0 = h, y1 = 0;
  for (const Match* m : ms) {
    x0 = std::min(x0, m->right.x), x1 = std::max(x1, m->right.x);
    y0 = std::min(y0, m->right.y), y1 = std::max(y1, m->right.y);
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
      if (v < first) second = first, first = v, at = i;
      else if (v < second) second = v;
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
  for (double i = 0; i < static_cast<double>(in.size()); i += step) out.push_back(*in[static_cast<std::size_t>(i)]);
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
      const cv::Rect box(static_cast<int>(std::lround(at.x)) - kPatch, static_cast<int>(std::lround(at.y)) - kPatch,
                         2 * kPatch + 1, 2 * kPatch + 1);
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

// Corners of the left picture followed into the right one on the reduced
// copies, each started where its nearest anchors say and checked both ways:
// the many points that let the scene's main surfaces weigh in the fit. The
// corners and the pyramids are made once for every round.
class Tracker {
 public:
  Tracker(const Features& l, const Features& r, double scale) : scale_(scale) {
    const cv::Rect common({0, 0},
                          cv::Size(std::min(l.grey.cols, r.grey.cols), std::min(l.grey.rows, r.grey.rows)));
    cv::goodFeaturesToTrack(l.grey(common), corners_, kCorners, 0.01, 6);
    cv::buildOpticalFlowPyramid(l.grey(common), a_, kWindow, kLevels);
    cv::buildOpticalFlowPyramid(r.grey(common), b_, kWindow, kLevels);
  }

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
    std::vector<cv::Point2f> tracked = guess, back = corners_;
    std::vector<unsigned char> found, foundBack;
    std::vector<float> err;
    const cv::TermCriteria stop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
    cv::calcOpticalFlowPyrLK(a_, b_, corners_, tracked, found, err, kWindow, kLevels, stop,
                             cv::OPTFLOW_USE_INITIAL_FLOW);
    cv::calcOpticalFlowPyrLK(b_, a_, tracked, back, foundBack, err, kWindow, kLevels, stop,
                             cv::OPTFLOW_USE_INITIAL_FLOW);
    std::vector<Match> out;
    for (std::size_t i = 0; i < corners_.size(); ++i)
      if (found[i] && foundBack[i] && cv::norm(back[i] - corners_[i]) <= kBackCheck &&
          cv::norm(tracked[i] - guess[i]) <= kStray)
        out.push_back({cv::Point2d(corners_[i]) / scale_, cv::Point2d(tracked[i]) / scale_});
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
    return Error{matched.ambiguous >= 3 * kMinMatches ? kRepeatedPattern : kCannotAlign, ErrorKind::CannotAlign};

  // The matches followed on the whole pictures to a fraction of a pixel; the
  // correction most of them agree on; then corners started from those,
  // and from the corners they brought in, let the scene's surfaces weigh in.
  std::vector<const Match*> candidates;
  for (const Match& m : matched.kept) candidates.push_back(&m);
  const std::vector<Match> fine = refine(left, right, spreadOut(candidates));
  if (fine.size() < kMinInliers) return Error{kCannotAlign, ErrorKind::CannotAlign};
  std::vector<const Match*> all;
  for (const Match& m : fine) all.push_back(&m);
  const Frame f(right);
  const int terms = termsFor(all, right.width, right.height);
  double dy = 0;
  Terms t = kIdentity;
  std::vector<Match> points = fine;
  std::vector<const Match*> in;
  const Tracker tracker(l, r, scale);
  for (int round = 0; round <= kRounds; ++round) {
    if (round > 0) {
      points = tracker.track(in);
      points.insert(points.end(), fine.begin(), fine.end());
    }
    for (int again = 0; again < 3; ++again) {
      in = consensus(points, f, dy, terms, kFineTolerance, t);
      if (!proves(in.size(), points.size())) return Error{kNoOneAnswer, ErrorKind::CannotAlign};
      const double whole = std::round(t[2] * f.s);  // rows the shift took over: the position's
      if (whole == 0) break;
      dy -= whole;
    }
  }
  // Followed both ways, yet off the fit: a part of the scene that another
  // correction would suit (lenses not level, a surface matched wrongly).
  if (static_cast<double>(in.size()) < kMinFinalShare * static_cast<double>(points.size()))
    return Error{kNoOneAnswer, ErrorKind::CannotAlign};
  Alignment a;
  a.inliers = static_cast<int>(in.size());
  if (!correct || terms == 1 || largestMove(t, f, right.width, right.height) <= kNegligible) {
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
