#include "results/run_results.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "results/posix_file.h"
#include "results/result_file_names.h"
#include "results/result_format.h"
#include "results/timing_format.h"

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

namespace {

// A timing per trial record: those the run stored, the rest unknown.
std::vector<TrialTiming> TimingsOfTrials(const RunResults& run) {
  std::vector<TrialTiming> timings(run.trials.size());
  for (size_t i = 0; i < timings.size(); ++i) {
    if (i < run.timings.size()) {
      timings[i] = run.timings[i];
    } else {
      timings[i].trial = run.trials[i].trial;
      timings[i].rt_ms = run.trials[i].rt;
    }
  }
  return timings;
}

// The run record's name in a folder: this run's own earlier attempt (removed,
// to be written afresh), else the first name no other run has taken.
std::string RunRecordNameIn(const RunResults& run, const std::string& directory,
                            std::span<const ResumePoint> resume_points) {
  for (int copy = 1; copy < 1000; ++copy) {
    const std::string name = RunRecordFileName(run.subject, run.start, copy);
    const std::string path = JoinPath(directory, name);
    const bool ours = std::any_of(resume_points.begin(), resume_points.end(), [&](const auto& p) {
      return p.kind == ResultFileKind::kRunRecord && p.path == path;
    });
    if (ours) {
      ::unlink(path.c_str());
      return name;
    }
    if (!FileSize(path)) return name;
  }
  return RunRecordFileName(run.subject, run.start, 1000);
}

}  // namespace

ResultFileOutcome WriteTimingFile(const RunResults& run, const ResultLocations& locations,
                                  ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  const std::vector<TrialTiming> timings = TimingsOfTrials(run);
  std::string rows;
  rows.reserve(timings.size() * 48);
  AppendTimingRows(rows, timings);
  return WriteResultFile(ResultFileKind::kTiming, TimingFileName(run.subject, run.start),
                         kTimingFileHeader, rows, locations, log, resume_points);
}

ResultFileOutcome WriteRunRecordFile(const RunResults& run, const ResultLocations& locations,
                                     ResultWriteLog* log,
                                     std::span<const ResumePoint> resume_points) {
  const std::vector<TrialTiming> timings = TimingsOfTrials(run);
  RunRecordTail tail;
  tail.end_reason = run.end_reason;
  tail.duration_ms = run.duration_ms;
  tail.trials = run.trials;
  tail.timings = timings;
  tail.body_samples = static_cast<int32_t>(run.samples.size());
  tail.frames = run.frames;
  const std::string json = RunRecordJson(run.run_head, tail);
  const std::string name = RunRecordNameIn(run, locations.primary_directory, resume_points);
  return WriteResultFile(ResultFileKind::kRunRecord, name, json, {}, locations, log, resume_points);
}

RunWriteOutcome WriteRunResults(const RunResults& run, const ResultLocations& locations,
                                ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  RunWriteOutcome outcome;
  outcome.trial = WriteTrialFile(run, locations, log, resume_points);
  outcome.body = WriteBodyFile(run, locations, log, resume_points);
  outcome.timing = WriteTimingFile(run, locations, log, resume_points);
  outcome.record = WriteRunRecordFile(run, locations, log, resume_points);
  return outcome;
}
