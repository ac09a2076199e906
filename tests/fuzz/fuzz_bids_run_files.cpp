// The Motion-BIDS files of any run the reader accepts: no crash, no
// overflow, and tables whose every row has the header's columns.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "export/bids_run_files.h"
#include "result_files_input.h"

namespace {

// Every line of `table` has as many tab-separated fields as its first.
void SameColumns(std::string_view table, const char* name) {
  long columns = -1;
  while (!table.empty()) {
    const size_t end = table.find('\n');
    const std::string_view line = table.substr(0, end);
    const long fields = 1 + static_cast<long>(std::count(line.begin(), line.end(), '\t'));
    if (columns < 0) columns = fields;
    if (fields != columns) {
      std::fprintf(stderr, "%s: a row of %ld fields under %ld columns\n", name, fields, columns);
      std::abort();
    }
    if (end == std::string_view::npos) break;
    table.remove_prefix(end + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_input::MakeFolder("bids");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto set = fuzz_input::ReadInputAsRun(data, size);
  if (!set) return 0;
  for (const ResultRun& run : set->runs) {
    const RunRecordInfo* record = set->run_record ? &*set->run_record : nullptr;
    std::string why;
    const auto files = MakeBidsRunFiles(run, BidsRunContext{"sim", record}, &why);
    if (!files) continue;
    SameColumns(files->events_tsv, "events.tsv");
    SameColumns(files->channels_tsv, "channels.tsv");
    SameColumns(files->motion_tsv, "motion.tsv");
  }
  return 0;
}
