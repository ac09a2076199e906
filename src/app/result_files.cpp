#include "app/result_files.h"

#include <algorithm>
#include <ctime>

#include "body/sensor_connection.h"
#include "results/latency_tests.h"
#include "results/posix_file.h"
#include "results/run_journal.h"
#include "results/run_record.h"
#include "results/run_results.h"
#include "state/program_state.h"
#include "state/path_names.h"
#include "state/random.h"

namespace {

int32_t UtcOffsetMinutesNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<int32_t>(local.tm_gmtoff / 60);
}

}  // namespace

std::string ProgramRunRecordHead() {
  RunRecordHead head;
  head.subject = settings.subject;
  head.start = run_start_time;
  head.utc_offset_minutes = UtcOffsetMinutesNow();
  head.settings = settings;
  head.random_seed_used = RandomSeedUsed();
  head.random_state_at_start = random_state;
  head.sensor = DescribeOpenSensor();
  head.latency_test = FindLatencyTest(JoinPath(CurrentDirectory(), kLatencyTestsFileName),
                                      LatencyDeviceName(head.sensor));
  return RunRecordHeadJson(head);
}

bool BeginRunJournal(RunJournal& journal) {
  run_timing.run_head = ProgramRunRecordHead();
  if (!journal.Begin(settings.subject, run_start_time, CurrentDirectory())) return false;
  journal.RecordRunHead(run_timing.run_head);
  return true;
}

int WriteResultFiles() {
  const SensorDescription sensor_at_end = DescribeOpenSensor();
  CloseSensor();
  color_buffer.reset();

  RunJournal* journal = RunJournal::Active();
  if (journal != nullptr) journal->Seal();

  // Counts outside the tables would read past them; the trial loop keeps them in.
  const auto trials = static_cast<size_t>(std::clamp(trial_count, 0, kTrialRecordCapacity));
  const auto samples = static_cast<size_t>(std::clamp(sample_count, 0, kMaxSampleCount));
  RunResults run{
      settings.subject, run_start_time, {trial_records, trials}, {body_samples, samples}};
  run.timings = {run_timing.trials, trials};
  run.run_head = run_timing.run_head;
  run.end_reason = run_timing.end_reason;
  run.duration_ms = run_timing.duration_ms;
  run.frames = &run_timing.frames;
  run.sensor_stop = &sensor_stop;
  run.session_video = &session_video;
  run.sensor_at_end = &sensor_at_end;
  const RunWriteOutcome outcome =
      WriteRunResults(run, {CurrentDirectory(), DefaultRescueDirectories()}, journal);
  return outcome.both_in_place() ? 1 : 0;
}
