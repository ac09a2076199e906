#include "results/run_timeline.h"

#include <algorithm>
#include <map>

namespace {

constexpr int64_t kPauseAfterPopMs = 1000;

}  // namespace

RunTimeline::RunTimeline(const ResultRun& run, const RunRecordInfo* run_record) : run_(run) {
  if (run_record != nullptr) run_record_mirror_ = run_record->mirror;

  // The restart lies after the start balloon's pop and pause, and after every
  // frame taken on the first clock.
  int64_t restart = 0;
  for (const TrialRecord& r : run.trials) {
    if (r.trial == 0) restart = std::max(restart, int64_t{r.rt} + kPauseAfterPopMs);
  }
  for (const BodySample& s : run.samples) {
    if (s.trial == 0) restart = std::max(restart, int64_t{s.clock} + 1);
  }
  restart_offset_ms_ = restart;

  std::map<int32_t, size_t> seen;
  for (const BodySample& s : run.samples) ++seen[s.id];
  size_t best = 0;
  for (const auto& [id, n] : seen) {
    if (n > best) best = n, most_seen_body_ = id;
  }

  for (size_t i = 0; i < run.samples.size(); ++i) {
    const BodySample& s = run.samples[i];
    if (frames_.empty() || frames_.back().clock != s.clock || frames_.back().trial != s.trial) {
      RunFrame f;
      f.trial = s.trial;
      f.clock = s.clock;
      f.time_ms = TimeMs(s.trial, s.clock);
      f.first = i;
      const TrialRecord* record = RecordAtOrBefore(s.trial);
      f.mirror = record != nullptr ? std::optional<int32_t>(record->cond_m) : run_record_mirror_;
      frames_.push_back(f);
    }
    RunFrame& f = frames_.back();
    ++f.count;
    if (!f.participant && ParticipantFor(s.trial) == s.id) f.participant = i;
  }
}

int64_t RunTimeline::TimeMs(int32_t trial, int32_t clock) const {
  return trial == 0 ? int64_t{clock} : int64_t{clock} + restart_offset_ms_;
}

const TrialRecord* RunTimeline::RecordAtOrBefore(int32_t trial) const {
  // A run's records come in increasing trial order.
  const auto after = std::upper_bound(run_.trials.begin(), run_.trials.end(), trial,
                                      [](int32_t t, const TrialRecord& r) { return t < r.trial; });
  return after == run_.trials.begin() ? nullptr : &*(after - 1);
}

std::optional<int32_t> RunTimeline::ParticipantFor(int32_t trial) const {
  if (const TrialRecord* r = RecordAtOrBefore(trial)) return r->bodyid;
  return most_seen_body_;
}

double RunTimeline::MedianFrameIntervalMs() const {
  std::vector<int64_t> intervals;
  for (size_t i = 1; i < frames_.size(); ++i) {
    const int64_t d = frames_[i].time_ms - frames_[i - 1].time_ms;
    if (d > 0) intervals.push_back(d);
  }
  if (intervals.empty()) return 0;
  const size_t mid = intervals.size() / 2;
  std::nth_element(intervals.begin(), intervals.begin() + mid, intervals.end());
  double median = static_cast<double>(intervals[mid]);
  if (intervals.size() % 2 == 0) {
    const int64_t below = *std::max_element(intervals.begin(), intervals.begin() + mid);
    median = (median + static_cast<double>(below)) / 2;
  }
  return median;
}

bool RunTimeline::Uneven() const {
  const double median = MedianFrameIntervalMs();
  for (size_t i = 1; i < frames_.size(); ++i) {
    const auto d = static_cast<double>(frames_[i].time_ms - frames_[i - 1].time_ms);
    if (d < median / 2 || d > median * 1.5) return true;
  }
  return false;
}
