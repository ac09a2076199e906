#pragma once
// Optional per-pass timestamps of the trial loop, for measuring pass intervals and
// how soon a new sensor frame is taken up in a real run. The ring is allocated
// before the run starts; recording a pass is a few clock reads and stores. The
// trace is written as CSV when the run has ended (bench/trial/pass_timing
// computes the figures from it).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Set to a file path to have RunTask record a trace of the run into that file.
inline constexpr const char* kPassTraceEnv = "TAVELIN2_PASS_TRACE";

struct PassTraceEntry {
  int64_t start_ns = 0;        // CLOCK_MONOTONIC when the pass began
  int64_t poll_ns = 0;         // just before the body update was asked for news
  int64_t polled_ns = 0;       // when it returned
  int64_t frame_ready_ns = 0;  // when the sensor published the frame taken up; 0 unknown
  int64_t end_ns = 0;          // when the pass's own work was done (before pumping)
  int32_t pass_clock_ms = 0;
  int32_t drawn = 0;  // 1: the body update reported a new frame
  // When the window messages were pumped (before the 1 ms sleep); 0 unknown.
  // The next pass's start_ns minus this is how late the sleep ended.
  int64_t pumped_ns = 0;
};

class PassTrace {
 public:
  static constexpr size_t kDefaultCapacity = size_t{1} << 20;  // about 17 min at 1 kHz

  explicit PassTrace(size_t capacity = kDefaultCapacity);

  // Optional: the monotonic time (ns) at which the newest sensor frame was
  // published, so that take-up latency is measured rather than bounded.
  std::function<int64_t()> frame_ready_source;

  void BeginPass(int32_t pass_clock_ms);
  void BeforePoll();
  void AfterPoll(bool new_frame);
  void EndPass();
  void AfterPump();

  // The recorded passes, oldest first (the newest `capacity` when it wrapped).
  std::vector<PassTraceEntry> Entries() const;
  size_t pass_count() const { return pass_count_; }
  // For the user alone (0600); never through a link, never into a file of
  // another account's.
  bool WriteCsv(const std::string& path) const;

 private:
  PassTraceEntry& Current() { return ring_[(pass_count_ - 1) % ring_.size()]; }
  std::vector<PassTraceEntry> ring_;
  size_t pass_count_ = 0;
};

int64_t MonotonicNanoseconds();

// Figures of a recorded run, in microseconds.
struct PassTimingSummary {
  size_t passes = 0;
  size_t drawn_passes = 0;
  // From the start of one pass to the start of the next.
  double interval_median_us = 0, interval_p99_us = 0, interval_max_us = 0;
  // From a sensor frame being ready to the body update that took it. Measured
  // when the trace knows when frames were published; otherwise an upper bound:
  // the time since the previous poll, which still found no new frame.
  bool takeup_measured = false;
  double takeup_median_us = 0, takeup_p99_us = 0, takeup_max_us = 0;
  // The loop's own work in a pass (start to end, before pumping and sleeping),
  // and of a drawn pass the body update (picture copy) and what follows it.
  double drawn_work_median_us = 0, drawn_work_p99_us = 0;
  double drawn_update_median_us = 0, drawn_update_p99_us = 0;
  double drawn_rest_median_us = 0, drawn_rest_p99_us = 0;
  double idle_work_median_us = 0, idle_work_p99_us = 0;
};

PassTimingSummary SummarizePasses(const std::vector<PassTraceEntry>& entries);

// The nearest-rank percentile (0 < p <= 100) of unsorted values; 0 when empty.
double Percentile(std::vector<double> values, double p);

// Reads a trace that WriteCsv wrote; false when the file cannot be read or a
// line is malformed.
bool ReadPassTraceCsv(const std::string& path, std::vector<PassTraceEntry>* entries);

// A trace when the environment variable is set, else null; `path` gets its value.
std::unique_ptr<PassTrace> PassTraceFromEnvironment(std::string* path);
