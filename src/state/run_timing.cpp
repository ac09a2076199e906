#include "state/run_timing.h"

#include <algorithm>
#include <cmath>

int32_t PictureRt_ms(const TrialTiming& timing) {
  if (timing.hit_picture_ms == kUnknownMs || timing.onset_shown_ms == kUnknownMs) return kUnknownMs;
  return timing.hit_picture_ms - timing.onset_shown_ms;
}

int32_t CrossingRt_ms(const TrialTiming& timing) {
  if (timing.hit_crossing_ms == kUnknownMs || timing.onset_shown_ms == kUnknownMs)
    return kUnknownMs;
  return timing.hit_crossing_ms - timing.onset_shown_ms;
}

void TimeHistogram::Clear() {
  steps_.fill(0);
  count_ = 0;
  sum_ = sum_squares_ = max_ms_ = 0;
}

void TimeHistogram::Add(double ms) {
  if (!(ms >= 0)) ms = 0;  // a clock step backwards counts as no time
  const double step = std::min(ms * 10.0 + 0.5, static_cast<double>(kSteps - 1));
  ++steps_[static_cast<size_t>(step)];
  ++count_;
  sum_ += ms;
  sum_squares_ += ms * ms;
  max_ms_ = std::max(max_ms_, ms);
}

double TimeHistogram::mean_ms() const {
  return count_ == 0 ? 0 : sum_ / static_cast<double>(count_);
}

double TimeHistogram::sd_ms() const {
  if (count_ < 2) return 0;
  const double n = static_cast<double>(count_);
  const double variance = (sum_squares_ - sum_ * sum_ / n) / (n - 1);
  return variance > 0 ? std::sqrt(variance) : 0;
}

double TimeHistogram::Percentile_ms(double p) const {
  if (count_ == 0) return 0;
  const auto rank =
      static_cast<uint64_t>(std::max(1.0, std::ceil(p / 100.0 * static_cast<double>(count_))));
  uint64_t seen = 0;
  for (size_t i = 0; i < steps_.size(); ++i) {
    seen += steps_[i];
    if (seen >= rank) return static_cast<double>(i) / 10.0;
  }
  return static_cast<double>(kSteps - 1) / 10.0;
}

void FrameTimingStats::Clear() {
  drawn_passes = frames_with_body = 0;
  last = DrawnPassFacts{};
  frame_interval.Clear();
  capture_to_test.Clear();
  tracked_id_count = 0;
}

void FrameTimingStats::Add(const DrawnPassFacts& facts) {
  if (facts.picture_captured_ns != 0 && last.picture_captured_ns != 0 &&
      facts.picture_captured_ns != last.picture_captured_ns) {
    frame_interval.Add(static_cast<double>(facts.picture_captured_ns - last.picture_captured_ns) /
                       1e6);
  }
  if (facts.capture_to_test_us >= 0) capture_to_test.Add(facts.capture_to_test_us / 1000.0);
  ++drawn_passes;
  if (facts.body_count > 0) ++frames_with_body;
  const int bodies = std::clamp(facts.body_count, 0, kBodySlotCount);
  for (int i = 0; i < bodies; ++i) {
    BodyTrackingCount* count = const_cast<BodyTrackingCount*>(Find(facts.ids[i]));
    if (count == nullptr) {
      if (tracked_id_count == kTrackedIds) continue;
      count = &tracked_ids[tracked_id_count++];
      *count = BodyTrackingCount{facts.ids[i]};
    }
    ++count->frames;
    if (facts.hands[i] & kLeftHandTracked) ++count->left_hand;
    if (facts.hands[i] & kRightHandTracked) ++count->right_hand;
  }
  last = facts;
}

const BodyTrackingCount* FrameTimingStats::Find(int32_t id) const {
  for (int32_t i = 0; i < tracked_id_count; ++i) {
    if (tracked_ids[i].id == id) return &tracked_ids[i];
  }
  return nullptr;
}

const char* RunEndReasonName(RunEndReason reason) {
  switch (reason) {
    case RunEndReason::kTimeLimit:
      return "time_limit";
    case RunEndReason::kEscape:
      return "escape";
    case RunEndReason::kTrialLimit:
      return "trial_limit";
    case RunEndReason::kRecovered:
      return "recovered";
    case RunEndReason::kSignal:
      return "signal";
    default:
      return "unknown";
  }
}
