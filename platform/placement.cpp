#include "platform/placement.h"

#include <algorithm>

namespace {

bool inside(const TRect& r, const TRect& area) {
  return r.width() > 0 && r.height() > 0 && r.left >= area.left && r.top >= area.top &&
         r.right <= area.right && r.bottom <= area.bottom;
}

}  // namespace

FramePlacement firstPlacement(const std::vector<TRect>& workAreas, const std::optional<FramePlacement>& saved) {
  if (workAreas.empty()) return saved.value_or(FramePlacement{{0, 0, 800, 600}, false});
  if (saved && std::any_of(workAreas.begin(), workAreas.end(),
                           [&](const TRect& a) { return inside(saved->rect, a); }))
    return *saved;
  const TRect& a = workAreas.front();
  int w = a.width() * 9 / 10, h = a.height() * 9 / 10;
  if (saved && saved->rect.width() > 0 && saved->rect.height() > 0) {
    w = std::min(w, saved->rect.width());
    h = std::min(h, saved->rect.height());
  }
  const int left = a.left + (a.width() - w) / 2, top = a.top + (a.height() - h) / 2;
  return {{left, top, left + w, top + h}, saved && saved->maximised};
}
