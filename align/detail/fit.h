#pragma once
// The robust fit of the correction to the vertical offsets of matched
// points, and the answer it gives.
#include <cstddef>
#include <vector>

#include "align/align.h"
#include "align/detail/model.h"

inline constexpr double kFineTolerance = 1.0;  // whole-picture pixels
inline constexpr std::size_t kMinInliers = 20;

// Refusals, by the kind the pipeline answers to.
Error tooFew();       // nothing to match: another way of matching may see more
Error noOneAnswer();  // what matches disagrees: another way of matching may settle it
Error repeated();

std::vector<const Match*> inliersOf(const std::vector<Match>& ms, const Terms& t, const CentredCoords& f, double dy,
                                    double tolerance);

// As many terms as the points' spread over the picture can prove.
int termsFor(const std::vector<Match>& ms, int w, int h);

double quantile(std::vector<double> v, double q);

// The consensus of the points, the whole rows of its shift moved into the
// position's dy; false when it does not prove one answer.
bool agree(const std::vector<Match>& points, const CentredCoords& f, int terms, double& dy, Terms& t,
           std::vector<const Match*>& in);

// At least `share` of the points suit the fit.
bool mostAgree(std::size_t in, std::size_t of, double share);

// The points of a w x h right picture, turned a quarter turn, agree on one
// correction better than upright: what they show apart is vertical, and no
// correction removes it.
bool aboveEachOther(const std::vector<Match>& points, int w, int h, int terms);

// The refusal of points that do not agree: that they lie one above the
// other, when they do.
Error disagreement(const std::vector<Match>& points, int w, int h, int terms);

// What the consensus `in` of `points` says: the correction, unless it is not
// asked for or moves no pixel enough to matter; dy; dx at the nearest points.
Result<Alignment> answer(const std::vector<Match>& points, const std::vector<const Match*>& in, Terms t,
                         double dy, const CentredCoords& f, int terms, bool correct, int w, int h);
