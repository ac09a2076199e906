#pragma once
// The screen-to-camera latency test as the program runs it: "&Experiment" >
// "&Latency test", or `tavelin2 --latency-test [--flashes=N]`. Opens the
// sensor and the stage, flashes, reads the pictures, writes
// latency_<yyyymmdd>_<hhmmss>.csv into the working directory and keeps the
// summary for the run records of the same device (results/latency_tests.h).

#include <cstdint>
#include <string>
#include <vector>

#include "latency/flash_analysis.h"

class QWindow;

struct LatencyTestOutcome {
  bool ran = false;      // the sensor and the stage were up and the flashes began
  bool stopped = false;  // Esc (or a stop signal) before the last flash
  std::string problem;   // why it did not run, or what went wrong after
  std::string device;
  std::string date;   // ISO 8601, the test's start
  std::string file;   // written, or ""
  bool kept = false;  // the summary is kept for later run records
  LatencySummary summary;
};

LatencyTestOutcome RunLatencyTestOnStage(QWindow* owner, int32_t flashes);

// What the summary window and standard output show, the summary line last.
std::vector<std::string> LatencyOutcomeLines(const LatencyTestOutcome& outcome);

// For the camera check, with the sensor open: the newest latency test kept for
// it, or that none has been made with it.
std::string LatencyTestNote();

// `tavelin2 --latency-test`: the test on the stage, the lines on standard
// output; 0 when a whole test was written, 1 otherwise.
int RunLatencyTestCommand(int32_t flashes);
