#pragma once
// A run's state of its own for tests and benchmarks: tables like the
// program-wide ones, so that a whole run neither needs nor disturbs the
// program-wide state. Keep it on the heap (std::make_unique): the body sample
// table alone takes 16 MB.

#include <cstdint>

#include "trial/run_state.h"

struct OwnRunState {
  ExperimentSettings settings;
  TrackedBody tracked_bodies[kBodySlotCount];
  TrialRecord trial_records[kTrialRecordCapacity];
  int32_t trial_count = 0;
  BodySample body_samples[kBodySampleCapacity];
  int32_t sample_count = 0;
  int32_t show_markers = 0;
  RunTiming timing;

  RunState View(const RunTextures& textures = {}) {
    RunState run{settings,     tracked_bodies, trial_records, trial_count,
                 body_samples, sample_count,   show_markers,  textures};
    run.timing = &timing;
    return run;
  }
};
