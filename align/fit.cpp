#include "align/detail/fit.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double kMinInlierShare = 0.4;
constexpr int kRansacRounds = 1500;
constexpr double kNegligible = 0.25;  // pixels: a smaller correction is no correction
// So much larger a share agreeing turned a quarter turn: side by side, real
// pairs stay below 0.85; without depth the two shares are alike.
constexpr double kTurnedBetter = 1.1;
constexpr std::size_t kTurnedSample = 200;  // points that try the quarter turn

// The fit's unknowns in the order of its columns.
double& unknown(Terms& t, int j) {
  double* order[] = {&t.turn, &t.scale, &t.shift, &t.keystoneH, &t.keystoneV};
  return *order[j];
}

// Least squares of the terms to the matches' rows; `terms` of them are free
// (1: shift, 3: roll, zoom and shift, 5: with the keystones).
bool fit(const std::vector<const Match*>& ms, const CentredCoords& f, double dy, int terms, Terms& out) {
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
  out = Terms{};
  if (terms == 1) out.shift = x.at<double>(0);
  for (int j = 0; terms > 1 && j < terms; ++j) unknown(out, j) = x.at<double>(j);
  return std::isfinite(out.turn + out.scale + out.shift + out.keystoneH + out.keystoneV) && out.scale > 0.5;
}

// The terms most matches agree on, from minimal random samples, then refitted
// on their consensus until it settles.
std::vector<const Match*> consensus(const std::vector<Match>& ms, const CentredCoords& f, double dy, int terms,
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

// The share of the points that agrees on one correction.
double agreement(const std::vector<Match>& ms, const CentredCoords& f, int terms) {
  Terms t;
  return static_cast<double>(consensus(ms, f, 0, terms, kFineTolerance, t).size()) /
         static_cast<double>(ms.size());
}

bool proves(std::size_t inliers, std::size_t of) {
  return inliers >= kMinInliers && static_cast<double>(inliers) >= kMinInlierShare * static_cast<double>(of);
}

}  // namespace

Error tooFew() { return {kCannotAlign, ErrorKind::TooFewPoints}; }
Error noOneAnswer() { return {kNoOneAnswer, ErrorKind::NoOneAnswer}; }
Error repeated() { return {kRepeatedPattern, ErrorKind::CannotAlign}; }

std::vector<const Match*> inliersOf(const std::vector<Match>& ms, const Terms& t, const CentredCoords& f, double dy,
                                    double tolerance) {
  std::vector<const Match*> in;
  for (const Match& m : ms)
    if (std::abs(residual(t, f, m, dy)) <= tolerance) in.push_back(&m);
  return in;
}

int termsFor(const std::vector<Match>& ms, int w, int h) {
  double x0 = w, x1 = 0, y0 = h, y1 = 0;
  for (const Match& m : ms) {
    x0 = std::min(x0, m.right.x), x1 = std::max(x1, m.right.x);
    y0 = std::min(y0, m.right.y), y1 = std::max(y1, m.right.y);
  }
  const double spread = std::min((x1 - x0) / w, (y1 - y0) / h);
  return spread >= 0.4 ? 5 : spread >= 0.15 ? 3 : 1;
}

double quantile(std::vector<double> v, double q) {
  const auto k = static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[static_cast<std::size_t>(k)];
}

bool agree(const std::vector<Match>& points, const CentredCoords& f, int terms, double& dy, Terms& t,
           std::vector<const Match*>& in) {
  for (int again = 0; again < 3; ++again) {
    in = consensus(points, f, dy, terms, kFineTolerance, t);
    if (!proves(in.size(), points.size())) return false;
    const double whole = std::round(t.shift * f.s);
    if (whole == 0) break;
    dy -= whole;
  }
  return true;
}

// Followed both ways, yet off the fit: a part of the scene that another
// correction would suit (lenses not level, a surface matched wrongly).
bool mostAgree(std::size_t in, std::size_t of, double share) {
  return static_cast<double>(in) >= share * static_cast<double>(of);
}

bool aboveEachOther(const std::vector<Match>& points, int w, int h, int terms) {
  // A few hundred of the points, spread over the picture, tell as well.
  std::vector<Match> upright, turned;
  const std::size_t step = std::max<std::size_t>(1, points.size() / kTurnedSample);
  for (std::size_t i = 0; i < points.size(); i += step) {
    const Match& m = points[i];
    upright.push_back(m);
    turned.push_back({{m.left.y, m.left.x}, {m.right.y, m.right.x}});
  }
  const double across = agreement(turned, CentredCoords(h, w), terms);
  return across * static_cast<double>(turned.size()) >= kMinInliers &&
         across > kTurnedBetter * agreement(upright, CentredCoords(w, h), terms);
}

Error disagreement(const std::vector<Match>& points, int w, int h, int terms) {
  if (aboveEachOther(points, w, h, terms)) return {kAboveEachOther, ErrorKind::CannotAlign};
  return noOneAnswer();
}

Result<Alignment> answer(const std::vector<Match>& points, const std::vector<const Match*>& in, Terms t,
                         double dy, const CentredCoords& f, int terms, bool correct, int w, int h) {
  if (aboveEachOther(points, w, h, terms)) return Error{kAboveEachOther, ErrorKind::CannotAlign};
  Alignment a;
  a.inliers = static_cast<int>(in.size());
  if (!correct || terms == 1 || largestMove(t, f, w, h) <= kNegligible) {
    std::vector<double> ys;
    for (const Match* m : in) ys.push_back(m->right.y - m->left.y);
    dy = std::round(quantile(ys, 0.5));
    t = Terms{};
  } else {
    a.correction = correctionOf(t, f);
    if (!a.correction.plausible()) return noOneAnswer();
  }
  std::vector<double> xs;
  for (const Match* m : in) xs.push_back(apply(t, f, m->right).x - m->left.x);
  a.dx = static_cast<std::int32_t>(std::lround(quantile(xs, 0.02)));
  a.dy = static_cast<std::int32_t>(dy);
  a.minDisparity = static_cast<std::int32_t>(std::floor(-quantile(xs, 0.98)));
  a.maxDisparity = static_cast<std::int32_t>(std::ceil(-quantile(xs, 0.02)));
  return a;
}
