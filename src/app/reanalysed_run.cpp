#include "app/reanalysed_run.h"

#include <cmath>

#include "state/record_fields.h"
#include "trial/response_rules.h"
#include "trial/target_placement.h"

namespace {

// Which clock a trial's times are on: the start balloon's before the restart.
int PhaseOf(size_t trial) {
  return trial == 0 ? 0 : 1;
}

}  // namespace

ReanalysedRun::ReanalysedRun(const ResultRun& run, const ExperimentSettings& settings)
    : run_(run), settings_(settings), hits_(run.trials.size()) {}

Target ReanalysedRun::BalloonOf(size_t index) const {
  Target target;
  if (run_.trials.empty()) return target;
  const TrialRecord& row = run_.trials[std::min(index, run_.trials.size() - 1)];
  target.target_x = row.tgt_x;
  target.target_y = row.tgt_y;
  target.hit_rect = HitRectAround(row.tgt_x, row.tgt_y);
  target.tgthand = row.tgthand;
  target.shown = 1;
  return target;
}

size_t ReanalysedRun::BalloonAt(int32_t clock_ms) {
  // Balloons popped so far: a pop at this very clock was seen after this picture's samples.
  const int phase = restarted_ ? 1 : 0;
  size_t popped = 0;
  while (popped < run_.trials.size()) {
    const TrialRecord& row = run_.trials[popped];
    if (PhaseOf(popped) < phase) {
      ++popped;
      continue;
    }
    const int32_t pop_ms = popped == 0 ? row.rt : row.totalrt;
    if (PhaseOf(popped) > phase || pop_ms >= clock_ms) break;
    ++popped;
  }
  return popped;
}

void ReanalysedRun::AddPicture(int32_t clock_ms, int64_t captured_ns,
                               const std::array<TrackedBody, kBodySlotCount>& slots) {
  if (seen_clock_ && clock_ms < last_clock_ms_) restarted_ = true;
  seen_clock_ = true;
  last_clock_ms_ = clock_ms;

  std::array<TrackedBody, kBodySlotCount> shown = slots;
  SelectNearest(shown);
  const size_t trial = BalloonAt(clock_ms);
  // Before the restart the start balloon is the last one placed.
  const size_t row = restarted_ ? trial : 0;
  const Target balloon = BalloonOf(row);
  const int32_t mirror = run_.trials.empty()
                             ? settings_.mirror
                             : run_.trials[std::min(row, run_.trials.size() - 1)].cond_m;
  std::array<bool, kBodySlotCount> processed{};
  for (int i = 0; i < kBodySlotCount; ++i) {
    if (!IsProcessedSlot(shown[i], settings_)) continue;
    processed[i] = true;
    if (mirror == 0) MirrorJoints(shown[i]);
    BodySample sample;
    sample.count = static_cast<int32_t>(samples_.size()) + 1;
    sample.clock = clock_ms;
    sample.trial = static_cast<int32_t>(trial);
    sample.tgthand = balloon.tgthand;
    sample.target_x = balloon.target_x;
    sample.target_y = balloon.target_y;
    CopyBodyFields(shown[i], kBodySampleFields, sample);
    samples_.push_back(sample);
  }
  TestBalloon(clock_ms, captured_ns, shown, processed);
}

void ReanalysedRun::TestBalloon(int32_t clock_ms, int64_t captured_ns,
                                const std::array<TrackedBody, kBodySlotCount>& shown,
                                const std::array<bool, kBodySlotCount>& processed) {
  const int phase = restarted_ ? 1 : 0;
  // A balloon is tested from its placement to the pass that popped it live:
  // a picture captured after that pass cannot have popped it.
  auto window_over = [&](size_t k) {
    if (k >= run_.timing.size()) return true;
    const TimingRow& t = run_.timing[k];
    if (t.onset < 0 || t.hit_pass < 0) return true;
    return PhaseOf(k) < phase || (PhaseOf(k) == phase && clock_ms > t.hit_pass);
  };
  while (balloon_ < run_.trials.size() && window_over(balloon_)) {
    ++balloon_;
    balloon_open_ = false;
  }
  if (balloon_ >= run_.trials.size() || PhaseOf(balloon_) != phase ||
      clock_ms < run_.timing[balloon_].onset)
    return;
  if (!balloon_open_) {
    crossing_.Reset();
    balloon_open_ = true;
  }
  Hit& hit = hits_[balloon_];
  if (hit.picture_ms != kUnknownMs) return;
  const Target balloon = BalloonOf(balloon_);
  ExperimentSettings settings = settings_;
  settings.janken = run_.trials[balloon_].cond_j;
  // The crossing tracker reads a capture time of 0 as unknown; only
  // differences count, so every time is moved by 1 ns.
  const int64_t tracked_ns = captured_ns + 1;
  for (int i = 0; i < kBodySlotCount; ++i) {
    if (!processed[i]) continue;
    crossing_.Observe(i, shown[i], balloon.hit_rect, tracked_ns);
    // A later slot that also hits in this picture wins, as in the live run.
    if (const char* site = HitTest(shown[i], balloon, settings)) {
      hit.picture_ms = clock_ms;
      const int64_t crossed_ns = crossing_.Crossing_ns(i, site);
      hit.crossing_ms =
          crossed_ns == 0
              ? kUnknownMs
              : clock_ms - static_cast<int32_t>(std::llround((tracked_ns - crossed_ns) / 1e6));
    }
  }
}

std::vector<TrialTiming> ReanalysedRun::Timing() const {
  std::vector<TrialTiming> out;
  for (size_t k = 0; k < run_.trials.size(); ++k) {
    TrialTiming t;
    t.trial = run_.trials[k].trial;
    t.rt_ms = run_.trials[k].rt;
    if (k < run_.timing.size()) {
      t.onset_ms = run_.timing[k].onset;
      t.onset_shown_ms = run_.timing[k].onset_shown;
      t.hit_pass_ms = run_.timing[k].hit_pass;
    }
    t.hit_picture_ms = hits_[k].picture_ms;
    t.hit_crossing_ms = hits_[k].crossing_ms;
    out.push_back(t);
  }
  return out;
}
