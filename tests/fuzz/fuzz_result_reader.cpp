// The result file reader on any bytes as a run's four files: no crash, a
// reason for every refusal, and timing rows that always pair with the trials.

#include <cstdio>
#include <cstdlib>

#include "result_files_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_input::MakeFolder("reader");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto set = fuzz_input::ReadInputAsRun(data, size);
  if (!set) return 0;
  for (const ResultRun& run : set->runs) {
    size_t t = 0;
    for (const TimingRow& row : run.timing) {
      while (t < run.trials.size() && run.trials[t].trial != row.trial) ++t;
      if (t == run.trials.size() || run.trials[t].rt != row.rt) {
        std::fprintf(stderr, "a timing row kept that pairs with no trial\n");
        std::abort();
      }
    }
  }
  return 0;
}
