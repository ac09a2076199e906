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
constexpr size_t kTimingRowBytes = 64;

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

std::string TimingRows(const RunResults& run) {
  const std::vector<TrialTiming> timings = TimingsOfTrials(run);
  std::string rows;
  rows.reserve(timings.size() * kTimingRowBytes);
  AppendTimingRows(rows, timings);
  return rows;
}

std::string RunRecordText(const RunResults& run) {
  const std::vector<TrialTiming> timings = TimingsOfTrials(run);
  RunRecordTail tail;
  tail.end_reason = run.end_reason;
  tail.duration_ms = run.duration_ms;
  tail.trials = run.trials;
  tail.timings = timings;
  tail.body_samples = static_cast<int32_t>(run.samples.size());
  tail.frames = run.frames;
  tail.sensor_stop = run.sensor_stop;
  tail.session_video = run.session_video;
  tail.sensor_at_end = run.sensor_at_end;
  return RunRecordJson(run.run_head, tail);
}

// The run record's name in a folder: the copy the run already wrote in full
// there, this run's own cut-short attempt (removed, to be written afresh), else
// the first name no other run has taken.
std::string RunRecordNameIn(const RunResults& run, const std::string& directory,
                            const std::string& written_path,
                            std::span<const ResumePoint> resume_points) {
  if (!written_path.empty()) {
    const std::string name = written_path.substr(written_path.find_last_of('/') + 1);
    if (JoinPath(directory, name) == written_path) return name;
  }
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
    if (!NameTaken(path)) return name;
  }
  return RunRecordFileName(run.subject, run.start, 1000);
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
  const std::string timing_rows = TimingRows(run);
  const std::string record_json = RunRecordText(run);
  ResultFileToWrite files[] = {
      {ResultFileKind::kTrial, TrialFileName(run.subject, run.start), kTrialFileHeader, trial_rows,
       written.trial_path, {}},
      {ResultFileKind::kBody, BodyFileName(run.subject, run.start), kBodyFileHeader, body_rows,
       written.body_path, {}},
      {ResultFileKind::kTiming, TimingFileName(run.subject, run.start), kTimingFileHeader,
       timing_rows, written.timing_path, {}},
      {ResultFileKind::kRunRecord,
       RunRecordFileName(run.subject, run.start),
       record_json,
       {},
       written.record_path,
       [&](const std::string& folder) {
         return RunRecordNameIn(run, folder, written.record_path, resume_points);
       }},
  };
  const std::vector<ResultFileOutcome> outcomes =
      WriteRunFileSet(files, locations, log, resume_points);
  return {outcomes[0], outcomes[1], outcomes[2], outcomes[3]};
}
