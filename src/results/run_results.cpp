#include "results/run_results.h"

#include "results/result_file_names.h"
#include "results/result_format.h"

namespace {
// Typical row lengths, so that the row text rarely has to grow while it is built.
constexpr size_t kBodyRowBytes = 192;
constexpr size_t kTrialRowFixedBytes = 128;

std::string TrialRows(const RunResults& run) {
  std::string rows;
  rows.reserve(run.trials.size() * (kTrialRowFixedBytes + run.subject.size()));
  AppendTrialRows(rows, run.subject, run.start, run.trials);
  return rows;
}

std::string BodyRows(const RunResults& run) {
  std::string rows;
  rows.reserve(run.samples.size() * kBodyRowBytes);
  AppendBodyRows(rows, run.samples);
  return rows;
}

}  // namespace

ResultFileOutcome WriteTrialFile(const RunResults& run, const ResultLocations& locations,
                                 ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  return WriteResultFile(ResultFileKind::kTrial, TrialFileName(run.subject, run.start),
                         kTrialFileHeader, TrialRows(run), locations, log, resume_points);
}

ResultFileOutcome WriteBodyFile(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  return WriteResultFile(ResultFileKind::kBody, BodyFileName(run.subject, run.start),
                         kBodyFileHeader, BodyRows(run), locations, log, resume_points);
}

RunWriteOutcome WriteRunResults(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log, std::span<const ResumePoint> resume_points,
                                const WrittenResultFiles& written) {
  const std::string trial_rows = TrialRows(run);
  const std::string body_rows = BodyRows(run);
  const ResultFileToWrite files[] = {
      {ResultFileKind::kTrial, TrialFileName(run.subject, run.start), kTrialFileHeader, trial_rows,
       written.trial_path},
      {ResultFileKind::kBody, BodyFileName(run.subject, run.start), kBodyFileHeader, body_rows,
       written.body_path},
  };
  const std::vector<ResultFileOutcome> outcomes =
      WriteRunFileSet(files, locations, log, resume_points);
  return {outcomes[0], outcomes[1]};
}
