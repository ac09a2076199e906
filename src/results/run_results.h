#pragma once
// Writes one run's trial record file and body stream file from its records.
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
  const FrameTimingStats* frames = nullptr;  // null: no drawn pass known
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

ResultFileOutcome WriteTimingFile(const RunResults& run, const ResultLocations& locations,
                                  ResultWriteLog* log, std::span<const ResumePoint> resume_points);
// The run record under the first of its names that is free (a run record is
// never appended to); a write of this run that was cut short is replaced.
ResultFileOutcome WriteRunRecordFile(const RunResults& run, const ResultLocations& locations,
                                     ResultWriteLog* log,
                                     std::span<const ResumePoint> resume_points);

// The trial record file first, then the body stream file, the timing file and
// the run record; each is written even when an earlier one could not be.
RunWriteOutcome WriteRunResults(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log,
                                std::span<const ResumePoint> resume_points = {});
