#pragma once
// Writes one run's result files from its records: trial records, body stream,
// trial timing and the run record.
// Used at the end of a run (WriteResultFiles) and when an interrupted run is
// recovered from its journal.

#include <span>
#include <string>
#include <utility>

#include "results/result_file_writer.h"
#include "results/run_record.h"
#include "state/records.h"
#include "state/run_timing.h"

struct RunResults {
  RunResults() = default;
  RunResults(std::string subject_text, const LocalDateTime& start_time,
             std::span<const TrialRecord> trial_records, std::span<const BodySample> body_samples)
      : subject(std::move(subject_text)),
        start(start_time),
        trials(trial_records),
        samples(body_samples) {}

  std::string subject;
  LocalDateTime start;
  std::span<const TrialRecord> trials;  // filled records, in order
  std::span<const BodySample> samples;  // at most kMaxSampleCount, in order
  // One per trial record (missing ones are written as unknown).
  std::span<const TrialTiming> timings;
  std::string run_head;  // the run record's head (JSON); empty: not known
  RunEndReason end_reason = RunEndReason::kUnknown;
  int32_t duration_ms = 0;
  const FrameTimingStats* frames = nullptr;       // null: no drawn pass known
  const SensorStopRecord* sensor_stop = nullptr;  // null: the sensor did not stop
  const SessionVideoRecord* session_video = nullptr;  // null: not known
  const SensorDescription* sensor_at_end = nullptr;   // null: not known (a recovered run)
};

struct RunWriteOutcome {
  ResultFileOutcome trial;
  ResultFileOutcome body;
  ResultFileOutcome timing;
  ResultFileOutcome record;
  bool both_in_place() const { return trial.in_place && body.in_place; }
  bool both_written() const { return trial.written && body.written; }
  bool all_written() const { return both_written() && timing.written && record.written; }
};

ResultFileOutcome WriteTrialFile(const RunResults& run, const ResultLocations& locations,
                                 ResultWriteLog* log, std::span<const ResumePoint> resume_points);
ResultFileOutcome WriteBodyFile(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log, std::span<const ResumePoint> resume_points);

// Files the run has already written in full (a journal's record), "" for none.
struct WrittenResultFiles {
  std::string trial_path;
  std::string body_path;
  std::string timing_path;
  std::string record_path;
};

// The trial record file first, then the body stream file, the timing file and
// the run record, all in one folder (WriteRunFileSet); each is written even when
// an earlier one could not be written anywhere. The run record is never
// appended to: it takes the first of its names that is free in the folder, and
// a write of this run that was cut short is replaced.
RunWriteOutcome WriteRunResults(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log,
                                std::span<const ResumePoint> resume_points = {},
                                const WrittenResultFiles& written = {});
