#include "ui/history.h"

namespace {

// Enough for any session; a long one forgets its oldest steps.
constexpr std::size_t kMaxSteps = 1000;

}  // namespace

void thistory::note(const tpairstate& before, const tpairstate& after) {
  if (before == after) return;
  if (!before.samePair(after) && !before.swapped(after)) {
    undo_.clear();
    redo_.clear();
    return;
  }
  if (undo_.size() == kMaxSteps) undo_.erase(undo_.begin());
  undo_.push_back(before);
  redo_.clear();
}

std::optional<tpairstate> thistory::move(std::vector<tpairstate>& from, std::vector<tpairstate>& to,
                                         const tpairstate& now) {
  if (from.empty()) return std::nullopt;
  tpairstate back = std::move(from.back());
  from.pop_back();
  to.push_back(now);
  return back;
}
