#pragma once
// One run on a single time axis. The run clock restarts at 0 when the first
// balloon after the start balloon appears, so the times of trial 0 and of the
// later trials are on two different clocks; here both become milliseconds
// since the run's first clock 0. Also picks, frame by frame, the body whose
// joints are exported.

#include <cstdint>
#include <optional>
#include <vector>

#include "results/result_file_reader.h"

// Consecutive body samples of one camera frame (same clock, same trial).
struct RunFrame {
  int32_t trial = 0;
  int32_t clock = 0;
  int64_t time_ms = 0;  // on the run's single time axis
  size_t first = 0;     // index of its first sample in ResultRun::samples
  size_t count = 0;
  std::optional<size_t> participant;  // index of the exported body's sample
  std::optional<int32_t> mirror;      // mirror display in force, where known
};

class RunTimeline {
 public:
  explicit RunTimeline(const ResultRun& run, const RunRecordInfo* run_record);

  // Milliseconds since the run's first clock 0 of a time on the clock of `trial`.
  int64_t TimeMs(int32_t trial, int32_t clock) const;
  // Where the restarted clock's 0 lies on the run's time axis: the start
  // balloon's pop plus the 1000 ms pause (the restart itself comes at the
  // first camera frame after that, up to one frame later).
  int64_t restart_offset_ms() const { return restart_offset_ms_; }

  const std::vector<RunFrame>& frames() const { return frames_; }
  // Median of the positive intervals between frames (0 with fewer than two).
  double MedianFrameIntervalMs() const;
  // True when some interval between frames differs from the median by more than half of it.
  bool Uneven() const;

  // The body id whose joints are exported for the samples of `trial`: the body
  // that popped that trial's balloon, else the last earlier popper; without
  // any pop, the body seen in most samples.
  std::optional<int32_t> ParticipantFor(int32_t trial) const;

 private:
  const TrialRecord* RecordAtOrBefore(int32_t trial) const;

  const ResultRun& run_;
  int64_t restart_offset_ms_ = 0;
  std::optional<int32_t> most_seen_body_;
  std::optional<int32_t> run_record_mirror_;
  std::vector<RunFrame> frames_;
};
