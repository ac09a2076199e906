#include "results/run_results.h"

#include "results/result_file_names.h"
#include "results/result_format.h"

namespace {
// Typical row lengths, so that the row text rarely has to grow while it is built.
constexpr size_t kBodyRowBytes = 192;
constexpr size_t kTrialRowFixedBytes = 128;
}  // namespace

ResultFileOutcome WriteTrialFile(const RunResults& run, const ResultLocations& locations,
                                 ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  std::string rows;
  rows.reserve(run.trials.size() * (kTrialRowFixedBytes + run.subject.size()));
  AppendTrialRows(rows, run.subject, run.start, run.trials);
  return WriteResultFile(ResultFileKind::kTrial, TrialFileName(run.subject, run.start),
                         kTrialFileHeader, rows, locations, log, resume_points);
}

ResultFileOutcome WriteBodyFile(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  std::string rows;
  rows.reserve(run.samples.size() * kBodyRowBytes);
  AppendBodyRows(rows, run.samples);
  return WriteResultFile(ResultFileKind::kBody, BodyFileName(run.subject, run.start),
                         kBodyFileHeader, rows, locations, log, resume_points);
}

RunWriteOutcome WriteRunResults(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  RunWriteOutcome outcome;
  outcome.trial = WriteTrialFile(run, locations, log, resume_points);
  outcome.body = WriteBodyFile(run, locations, log, resume_points);
  return outcome;
}
