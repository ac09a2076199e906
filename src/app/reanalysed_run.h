#pragma once
// A run's bodies again from every picture of its session video: the body
// samples of each picture and the trials' hit times as the whole trajectory
// gives them. Knows nothing of video or models: it is handed each picture's
// slots with the run clock at its capture.

#include <array>
#include <cstdint>
#include <vector>

#include "results/result_file_reader.h"
#include "state/experiment_settings.h"
#include "state/records.h"
#include "state/run_timing.h"
#include "state/tracked_body.h"
#include "trial/hit_crossing.h"
#include "trial/target.h"

class ReanalysedRun {
 public:
  // `run`: the trial rows and the live timing rows (may be empty: then the
  // hit times stay unknown); `settings`: janken and site flags as the run had them.
  ReanalysedRun(const ResultRun& run, const ExperimentSettings& settings);

  // One picture, in capture order: the run clock at its capture and its
  // capture time (ns, any clock that never goes back), and its six slots on
  // the camera's side. The run clock restarts once (it goes back): pictures
  // before that belong to the start balloon.
  void AddPicture(int32_t clock_ms, int64_t captured_ns,
                  const std::array<TrackedBody, kBodySlotCount>& slots);

  // Every processed body of every picture, Count from 1.
  const std::vector<BodySample>& samples() const { return samples_; }
  // One row per trial: Onset, OnsetShown, HitPass and RT as the live run had
  // them; HitPicture and HitCrossing from the pictures given.
  std::vector<TrialTiming> Timing() const;

 private:
  struct Hit {
    int32_t picture_ms = -1;
    int32_t crossing_ms = -1;
  };
  // The balloon of trial `index`, as the hit test takes it.
  Target BalloonOf(size_t index) const;
  // The trial whose balloon was up at `clock_ms`, or past the last row.
  size_t BalloonAt(int32_t clock_ms);
  void TestBalloon(int32_t clock_ms, int64_t captured_ns,
                   const std::array<TrackedBody, kBodySlotCount>& shown,
                   const std::array<bool, kBodySlotCount>& processed);

  ResultRun run_;
  ExperimentSettings settings_;
  std::vector<BodySample> samples_;
  std::vector<Hit> hits_;
  bool restarted_ = false;
  bool seen_clock_ = false;
  int32_t last_clock_ms_ = 0;
  size_t balloon_ = 0;  // the trial whose balloon is tested next
  bool balloon_open_ = false;
  HitCrossingTracker crossing_;
};
