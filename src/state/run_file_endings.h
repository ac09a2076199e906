#pragma once
// The files of one run share a stem, "<subject>_YYYYMMDD_hhmmss", and differ
// only in their ending. The endings are said here, and so is the way from one
// file of a run to another; results/result_file_names.h makes the stem.

#include <string>
#include <string_view>
#include <vector>

#include "state/records.h"

namespace run_file {
inline constexpr std::string_view kTrial = ".csv";          // trial records
inline constexpr std::string_view kBody = "_B.csv";         // body stream
inline constexpr std::string_view kTiming = "_T.csv";       // trial timing
inline constexpr std::string_view kVideo = "_V.avi";        // session video
inline constexpr std::string_view kVideoTable = "_V.csv";   // the video's frame table
inline constexpr std::string_view kReport = "_report.pdf";  // made by --report
inline constexpr std::string_view kReanalysis = "_reanalysis.json";  // made by --reanalyse
}  // namespace run_file

// The run record's ending: "_run.json" for `copy` 1; a later run of the same
// subject in the same second takes "_run-2.json" and so on.
std::string RunRecordEnding(int copy = 1);

// `trial_path` without its ".csv"; a path without ".csv" is its own stem.
std::string RunStem(std::string_view trial_path);
// The run's file with `ending` beside the trial file `trial_path`.
std::string RunFilePath(std::string_view trial_path, std::string_view ending);

// The trial file that belongs to `path`: "X.csv" for "X.csv", "X_B.csv",
// "X_T.csv", "X_V.csv", "X_V.avi", "X_run.json" and "X_run-N.json" when X ends
// in "_YYYYMMDD_hhmmss"; any other path is returned unchanged.
std::string TrialFileFor(const std::string& path);
// The trial files that `paths` name (any file of a run names it, as a shell
// glob over a run's folder gives them), each once, in the order first named.
std::vector<std::string> TrialFilesFor(const std::vector<std::string>& paths);

// Subject and start time from a trial, body or timing file's name
// ("<subject>_YYYYMMDD_hhmmss.csv"): used for runs whose trial file holds no row.
bool ParseResultFileName(const std::string& path, std::string* subject, LocalDateTime* start);
