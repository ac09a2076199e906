#include "latency/screen_timeline.h"

#include <algorithm>

void ScreenTimeline::Shown(int64_t presented_ns, float brightness) {
  std::lock_guard<std::mutex> guard(mutex_);
  changes_.emplace_back(presented_ns, brightness);
}

void ScreenTimeline::KnownUntil(int64_t ns) {
  std::lock_guard<std::mutex> guard(mutex_);
  known_until_ = std::max(known_until_, ns);
}

ScreenLook ScreenTimeline::Look(int64_t at_ns) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const auto after = std::upper_bound(
      changes_.begin(), changes_.end(), at_ns,
      [](int64_t t, const std::pair<int64_t, float>& change) { return t < change.first; });
  const float brightness = after == changes_.begin() ? 0.0f : std::prev(after)->second;
  return {at_ns < known_until_ ? ScreenLook::State::kShown : ScreenLook::State::kPending,
          brightness};
}
