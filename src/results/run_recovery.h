#pragma once
// Start-up recovery of runs that did not end normally (crash, kill, power cut):
// their journals are still on disk. For each one the result files the run would
// have written are written now (same names, format, open rule and rescue
// folders), the experimenter is told which files they are, and the journal is
// removed only once all its files are durable. A write the run itself had begun is
// completed, never repeated, so no row appears twice.

#include <span>
#include <string>
#include <vector>

#include "results/run_results.h"

struct RecoveredRun {
  std::string journal_path;
  RunWriteOutcome outcome;           // all_written(): the journal is gone
  bool files_were_complete = false;  // the run had written all its files itself
  // The run's session video and frame table where it recorded one: in its
  // working directory or a rescue folder, playable up to about its last second.
  std::vector<std::string> video_files;
};

// Call once at start-up, after the settings are loaded. Looks in
// DefaultJournalDirectories() and writes to the journal's working directory or
// DefaultRescueDirectories(). Returns what it found, oldest journal first.
std::vector<RecoveredRun> RecoverUnfinishedRuns();

std::vector<RecoveredRun> RecoverUnfinishedRuns(std::span<const std::string> journal_directories,
                                                std::span<const std::string> rescue_directories);

// The message that names a recovered run's files.
std::string RecoveredRunMessage(const RecoveredRun& run);
