#pragma once
// One run of the experiment: balloons one after another until the time limit or
// Esc, with a trial record per popped balloon and a body sample per processed
// body per sensor frame, stored in the tables the RunState names.
//
// Typical use by the experiment driver, once the stage window, its textures and
// the sensor are ready:
//   TrialPorts ports{experiment_window, [] { return UpdateBodies(experiment_window); },
//                    clock, cursor, sound, host, &journal};
//   RunTask(ports, run);   // run: the program-wide tables and the textures just made

#include <cstdint>

#include "trial/run_state.h"
#include "trial/trial_ports.h"

inline constexpr const char* kPopSoundPath = "stim/bomb.wav";
inline constexpr const char* kScoreCaption = "Score";

// Hides the cursor, runs the trial loop, shows the cursor and the score box.
// Returns what TrialLoop returned.
int RunTask(TrialPorts& ports, const RunState& run);

// 1 when the run ended normally (time limit, or the trial table full), 0 on Esc.
// run.trial_count must be 0 on entry (RunTask sees to it).
int TrialLoop(TrialPorts& ports, const RunState& run);
