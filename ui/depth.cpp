// The depth of the pair shown: the depth view's picture and the status
// line's deviation.
#include <cstdio>
#include <new>

#include "platform/backend.h"
#include "store/settings.h"
#include "ui/pending.h"
#include "ui/tmywindow.h"

namespace {

// The budget and the picture of one state, on any thread; none where the
// memory cannot hold the matching.
void findDepth(tpairdepth& job, const tbitmap& left, const tbitmap& right) {
  try {
    auto map = disparityMap(left, right, job.state.x, job.state.y);
    if (map) {
      if (auto budget = parallaxBudget(*map, job.state.x)) job.budget = *budget;
      job.picture = std::make_unique<tbitmap>(depthPicture(*map));
    }
  } catch (const std::bad_alloc&) {
    job.budget.reset();
    job.picture.reset();
  }
  job.found = true;
}

}  // namespace

void tmywindow::refreshDepth() {
  const bool wanted = aligned_ || viewMode == ViewMode::Depth;
  const tpairstate now = pairState();
  if (!wanted || !ws_.leftImage() || !ws_.rightImage() || (depth_ && depth_->state == now)) return;
  // The job under way comes back here when it ends.
  if (depth_ && !depth_->found) return;
  if (depth_ && depth_->matching.joinable()) depth_->matching.join();
  depth_ = std::make_unique<tpairdepth>();
  depth_->state = now;
  // Where nothing runs in the background it is found at once, as a job
  // would, so no busy cursor.
  if (!backend().canPost()) {
    findDepth(*depth_, *ws_.leftImage(), *ws_.rightImage());
    invalidate();
    return;
  }
  auto left = std::make_shared<const tbitmap>(*ws_.leftImage());
  auto right = std::make_shared<const tbitmap>(*ws_.rightImage());
  tpairdepth* job = depth_.get();
  std::shared_ptr<bool> alive = alive_;
  // The job outlives its thread: the next one, or the window's end, joins it.
  job->matching = std::jthread([this, job, alive, left, right] {
    findDepth(*job, *left, *right);
    backend().post([this, alive] {
      if (!*alive) return;
      showStatus();
      if (viewMode == ViewMode::Depth) invalidate();
      refreshDepth();
    });
  });
}

const tbitmap* tmywindow::depthPicture() const {
  if (!depth_ || !depth_->found || depth_->state != pairState()) return nullptr;
  return depth_->picture.get();
}

std::string tmywindow::deviationText() const {
  if (!depth_ || !depth_->found || !depth_->budget || depth_->state != pairState()) return "";
  const double limit = readMaxDeviation(profile_);
  char text[64];
  std::snprintf(text, sizeof text, "Deviation %.1f %%", depth_->budget->deviation);
  std::string out = text;
  if (depth_->budget->deviation > limit) {
    std::snprintf(text, sizeof text, " (over %g %%)", limit);
    out += text;
  }
  return out;
}
