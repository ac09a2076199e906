// Figures of a pass trace written by a run (TAVELIN2_PASS_TRACE=<file>):
//   trial_pass_timing passes.csv
// prints the pass interval and frame take-up distributions in microseconds.

#include <cstdio>
#include <vector>

#include "trial/pass_trace.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <pass trace csv>\n", argv[0]);
    return 2;
  }
  std::vector<PassTraceEntry> entries;
  if (!ReadPassTraceCsv(argv[1], &entries)) {
    std::fprintf(stderr, "cannot read the pass trace %s\n", argv[1]);
    return 1;
  }
  const PassTimingSummary s = SummarizePasses(entries);
  std::printf("passes            %zu (%zu with a new body frame)\n", s.passes, s.drawn_passes);
  std::printf("pass interval     median %.0f us, p99 %.0f us, max %.0f us\n", s.interval_median_us,
              s.interval_p99_us, s.interval_max_us);
  std::printf("frame take-up     median %.0f us, p99 %.0f us, max %.0f us (%s)\n",
              s.takeup_median_us, s.takeup_p99_us, s.takeup_max_us,
              s.takeup_measured ? "measured from publication times"
                                : "upper bound: time since the previous poll");
  std::printf(
      "drawn pass work   median %.0f us, p99 %.0f us (body update median %.0f, p99 %.0f;"
      " rest median %.0f, p99 %.0f)\n",
      s.drawn_work_median_us, s.drawn_work_p99_us, s.drawn_update_median_us, s.drawn_update_p99_us,
      s.drawn_rest_median_us, s.drawn_rest_p99_us);
  std::printf("idle pass work    median %.1f us, p99 %.1f us\n", s.idle_work_median_us,
              s.idle_work_p99_us);
  return 0;
}
