#pragma once
// The short account of the last run that the main frame shows under its text
// and the program prints on standard output: where the files went and the
// figures that say whether the run can be trusted.

#include <string>
#include <vector>

#include "report/run_figures.h"
#include "results/result_file_reader.h"

struct SummaryLine {
  std::string text;  // UTF-8
  bool warning = false;
};

struct RunSummary {
  std::vector<std::string> files;  // full paths of the run's files, report included
  RunFigures figures;
  std::vector<SummaryLine> lines;
};

// The summary of the last run of `set`. `report_path` is the report written
// for it, "" when none could be written (`report_error` then says why).
RunSummary SummarizeLastRun(const ResultFileSet& set, const std::string& report_path,
                            const std::string& report_error);

// Shown when the run's files could not be found or read back.
RunSummary UnreadableRunSummary(const std::string& why);

// The lines as plain text, one per line, warnings marked "WARNING: ".
std::string SummaryText(const RunSummary& summary);
