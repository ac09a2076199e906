#pragma once
// What follows a run once its files are written: they are read back from the
// disk, the report is written beside them, and the experimenter gets a short
// summary (the main frame shows it; it is printed on stdout as well).

#include "report/run_summary.h"

// The run of settings.subject and run_start_time: its files are looked for in
// the working directory, then in the rescue folders.
RunSummary AfterRun();
