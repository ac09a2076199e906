#pragma once
// The figures that say how a run went and whether it can be trusted, computed
// from its files as read back (the summary after each run and the report's
// first page show them).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/quartiles.h"
#include "report/run_record_figures.h"
#include "results/result_file_reader.h"

// Below this share of frames with the child tracked a run is flagged.
inline constexpr double kTrackedShareWarning = 0.80;
// Above this share of captured pictures not shown a run is flagged.
inline constexpr double kDroppedPictureShareWarning = 0.02;
// A 99th percentile frame interval above this many median intervals is flagged.
inline constexpr double kUnevenFrameIntervalFactor = 2.5;

struct RunFigures {
  int32_t balloons_popped = 0;     // trial rows, the start balloon included (the score box)
  std::vector<double> rts_ms;      // RT of every trial after the start balloon, in order
  std::optional<Quartiles> rt_ms;  // of rts_ms
  // Share of the camera frames of the sampled time (the run without the 1 s
  // pauses after pops) in which the child was tracked. The child is the body
  // that popped the balloon of the trial in progress; nothing without any body row.
  std::optional<double> tracked_share;
  int64_t child_frames = 0;      // body-file frames with the child in them
  double expected_frames = 0;    // frames the camera delivered in the sampled time
  double frame_interval_ms = 0;  // run record median, else the body file's median
  std::optional<RunRecordFigures> record;  // when the run has a run record
  bool simulated = false;                  // the bodies came from the simulator
  // Plain sentences; empty for a sound run. Those that say the run is not to
  // be trusted as a child's session (simulated, ended early, a camera the
  // camera check would refuse) come first.
  std::vector<std::string> warnings;
};

// "2016/03/05 09:07:02", as the trial file's Date and Time columns.
std::string RunStartText(const LocalDateTime& start);

// `record` applies to this run (the run record of its files, for their last run).
RunFigures ComputeRunFigures(const ResultRun& run, const std::optional<RunRecordFigures>& record);
