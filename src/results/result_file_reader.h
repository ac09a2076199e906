#pragma once
// Reads a run's result files back: the trial file "X.csv" with its body file
// "X_B.csv", and the timing file "X_T.csv" and the last run's record where
// they exist ("X_run.json", or "X_run-N.json" when N runs were appended). Accepts CR LF and LF line ends and subjects in any byte encoding
// (files of the Windows version hold Shift-JIS). Tools that turn runs into
// other formats (the BIDS export, reports) start here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/records.h"

// One row of the timing file, milliseconds on the run clock; -1 where unknown.
struct TimingRow {
  int32_t trial = 0;
  int32_t onset = -1;
  int32_t onset_shown = -1;
  int32_t hit_picture = -1;
  int32_t hit_pass = -1;
  int32_t rt = -1;
  int32_t rt_picture = -1;
  int32_t hit_crossing = -1;  // -1 too in files from before these columns
  int32_t rt_crossing = -1;
};

// What the export and reports use from the run record; the whole text is kept.
struct RunRecordInfo {
  std::string text;               // the file as read
  std::string sensor_backend;     // "sim", "camera", ... ("" unknown)
  std::string sensor_device;      // device or video file ("" unknown)
  std::string program_version;    // "" unknown
  std::optional<int32_t> mirror;  // settings.mirror at run start
  std::optional<double> frame_interval_median_ms;
};

// One run: the rows that one run added to its files. Two runs that started in
// the same second share their files; each gets its own ResultRun.
struct ResultRun {
  std::string subject;  // bytes as in the file
  LocalDateTime start;
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  std::vector<TimingRow> timing;  // empty without a timing file
};

struct ResultFileSet {
  std::string trial_path;
  std::string body_path;
  std::string timing_path;      // "" when there is none
  std::string run_record_path;  // "" when there is none
  std::optional<RunRecordInfo> run_record;  // of the last run
  std::vector<ResultRun> runs;  // in file order; empty when no file holds a row
  // What the files lack: rows cut off or left out, each naming its file. The
  // runs hold only the rows that are whole.
  std::vector<std::string> damage;
};

// Reads the files of the run whose trial file is `trial_path`. On failure
// returns nothing and says in *error which file and why.
std::optional<ResultFileSet> ReadResultFiles(const std::string& trial_path, std::string* error);

// The rows of one timing file ("X_T.csv", of either version) on its own; a
// last row cut off is left out. Nothing, with *error, when it cannot be read.
std::optional<std::vector<TimingRow>> ReadTimingFile(const std::string& path, std::string* error);
