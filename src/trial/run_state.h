#pragma once
// What one run works on, handed to the trial loop by whoever starts the run.
//
// A RunState holds references, not values: the experiment driver points them at
// the program-wide instances of state/program_state.h (they must outlive the
// run and be read afterwards by the result files), tests and benchmarks point
// them at state of their own. The trial engine reaches the settings, the body
// slots, the record tables and the marker switch only through it, so nothing
// under src/trial includes program_state.h.

#include <cstdint>

#include "state/experiment_settings.h"
#include "state/records.h"
#include "state/run_timing.h"
#include "state/tracked_body.h"

// Indexes into the stage's texture table of the textures a run draws.
struct RunTextures {
  int32_t body = 0;                    // the halved camera picture
  int32_t balloons[4] = {0, 0, 0, 0};  // by tgthand: 0 plain, 1 rock, 2 scissors, 3 paper
  int32_t burst = 0;                   // drawn where a balloon was popped
};

struct RunState {
  ExperimentSettings& settings;                   // M toggles mirror during the run
  TrackedBody (&tracked_bodies)[kBodySlotCount];  // filled by the body update
  TrialRecord (&trial_records)[kTrialRecordCapacity];
  int32_t& trial_count;
  BodySample (&body_samples)[kBodySampleCapacity];
  int32_t& sample_count;
  int32_t& show_markers;  // space toggles it; the body update paints markers while set
  RunTextures textures;
  // Filled with the run's timing (timing file, run record); null: not recorded.
  RunTiming* timing = nullptr;
};
