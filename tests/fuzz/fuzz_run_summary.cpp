// The summary after a run, from any run the reader accepts: no crash, and
// what the files lack is among its warnings.

#include <cstdlib>

#include "report/run_summary.h"
#include "result_files_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_input::MakeFolder("summary");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto set = fuzz_input::ReadInputAsRun(data, size);
  if (!set) return 0;
  const RunSummary summary = SummarizeLastRun(*set, "", "no report in the fuzzer");
  const std::string text = SummaryText(summary);
  for (const std::string& damage : set->damage)
    if (text.find(damage) == std::string::npos) std::abort();
  return 0;
}
