#include "results/result_files.h"

#include <algorithm>

#include "body/sensor_connection.h"
#include "results/posix_file.h"
#include "results/run_journal.h"
#include "results/run_results.h"
#include "state/program_state.h"

bool BeginRunJournal(RunJournal& journal) {
  return journal.Begin(settings.subject, run_start_time, CurrentDirectory());
}

int WriteResultFiles() {
  CloseSensor();
  color_buffer.reset();

  RunJournal* journal = RunJournal::Active();
  if (journal != nullptr) journal->Seal();

  // Counts outside the tables would read past them; the trial loop keeps them in.
  const auto trials = static_cast<size_t>(std::clamp(trial_count, 0, kTrialRecordCapacity));
  const auto samples = static_cast<size_t>(std::clamp(sample_count, 0, kMaxSampleCount));
  const RunResults run{
      settings.subject, run_start_time, {trial_records, trials}, {body_samples, samples}};
  const RunWriteOutcome outcome =
      WriteRunResults(run, {CurrentDirectory(), DefaultRescueDirectories()}, journal);
  return outcome.both_in_place() ? 1 : 0;
}
