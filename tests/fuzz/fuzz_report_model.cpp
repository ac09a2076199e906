// The report's data built from any run the reader accepts: no crash, and a
// page for every run with a hit for every trial.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "report/report_model.h"
#include "result_files_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_input::MakeFolder("report");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto set = fuzz_input::ReadInputAsRun(data, size);
  if (!set) return 0;
  const ReportModel model = BuildReportModel(*set);
  if (model.runs.size() != std::max<size_t>(1, set->runs.size())) std::abort();
  for (size_t i = 0; i < set->runs.size(); ++i) {
    if (model.runs[i].hits.size() != set->runs[i].trials.size()) {
      std::fprintf(stderr, "run %zu: a hit per trial expected\n", i);
      std::abort();
    }
  }
  return 0;
}
