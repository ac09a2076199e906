#pragma once
// Writes one run's trial record file and body stream file from its records.
// Used at the end of a run (WriteResultFiles) and when an interrupted run is
// recovered from its journal.

#include <span>
#include <string>

#include "results/result_file_writer.h"
#include "state/records.h"

struct RunResults {
  std::string subject;
  LocalDateTime start;
  std::span<const TrialRecord> trials;  // filled records, in order
  std::span<const BodySample> samples;  // at most kMaxSampleCount, in order
};

struct RunWriteOutcome {
  ResultFileOutcome trial;
  ResultFileOutcome body;
  bool both_in_place() const { return trial.in_place && body.in_place; }
  bool both_written() const { return trial.written && body.written; }
};

ResultFileOutcome WriteTrialFile(const RunResults& run, const ResultLocations& locations,
                                 ResultWriteLog* log, std::span<const ResumePoint> resume_points);
ResultFileOutcome WriteBodyFile(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log, std::span<const ResumePoint> resume_points);

// Files the run has already written in full (a journal's record), "" for none.
struct WrittenResultFiles {
  std::string trial_path;
  std::string body_path;
};

// The trial record file first, then the body stream file, both in one folder
// (WriteRunFileSet); the body file is written even when the trial file could not
// be written anywhere.
RunWriteOutcome WriteRunResults(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log,
                                std::span<const ResumePoint> resume_points = {},
                                const WrittenResultFiles& written = {});
