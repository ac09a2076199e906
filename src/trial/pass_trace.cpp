#include "trial/pass_trace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "state/own_folder.h"
#include "state/path_names.h"

int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

PassTrace::PassTrace(size_t capacity) : ring_(capacity == 0 ? 1 : capacity) {}

void PassTrace::BeginPass(int32_t pass_clock_ms) {
  ++pass_count_;
  PassTraceEntry& e = Current();
  e = PassTraceEntry{};
  e.start_ns = MonotonicNanoseconds();
  e.pass_clock_ms = pass_clock_ms;
}

void PassTrace::BeforePoll() {
  Current().poll_ns = MonotonicNanoseconds();
}

void PassTrace::AfterPoll(bool new_frame) {
  PassTraceEntry& e = Current();
  e.polled_ns = MonotonicNanoseconds();
  e.drawn = new_frame ? 1 : 0;
  if (new_frame && frame_ready_source) e.frame_ready_ns = frame_ready_source();
}

void PassTrace::EndPass() {
  Current().end_ns = MonotonicNanoseconds();
}

void PassTrace::AfterPump() {
  Current().pumped_ns = MonotonicNanoseconds();
}

std::vector<PassTraceEntry> PassTrace::Entries() const {
  std::vector<PassTraceEntry> out;
  const size_t kept = pass_count_ < ring_.size() ? pass_count_ : ring_.size();
  out.reserve(kept);
  for (size_t i = pass_count_ - kept; i < pass_count_; ++i) out.push_back(ring_[i % ring_.size()]);
  return out;
}

bool PassTrace::WriteCsv(const std::string& path) const {
  // For the user alone, and never through a link someone else put there.
  const OpenedFolder folder = OpenFolder(ParentDirectory(path));
  if (!folder.fd.valid()) return false;
  UniqueFd fd = RewriteFileIn(folder.fd.get(), BaseName(path), PrivateAccess());
  std::FILE* f = fd.valid() ? ::fdopen(fd.get(), "wb") : nullptr;
  if (f == nullptr) return false;
  fd.Release();  // fclose closes it
  std::fprintf(f,
               "start_ns,poll_ns,polled_ns,frame_ready_ns,end_ns,pass_clock_ms,drawn,pumped_ns\n");
  for (const PassTraceEntry& e : Entries()) {
    std::fprintf(f, "%lld,%lld,%lld,%lld,%lld,%d,%d,%lld\n", static_cast<long long>(e.start_ns),
                 static_cast<long long>(e.poll_ns), static_cast<long long>(e.polled_ns),
                 static_cast<long long>(e.frame_ready_ns), static_cast<long long>(e.end_ns),
                 e.pass_clock_ms, e.drawn, static_cast<long long>(e.pumped_ns));
  }
  const bool written = std::ferror(f) == 0;
  return std::fclose(f) == 0 && written;
}

std::unique_ptr<PassTrace> PassTraceFromEnvironment(std::string* path) {
  const char* value = std::getenv(kPassTraceEnv);
  if (value == nullptr || value[0] == '\0') return nullptr;
  if (path != nullptr) *path = value;
  return std::make_unique<PassTrace>();
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
  const size_t index = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
  return values[std::min(index, values.size() - 1)];
}

PassTimingSummary SummarizePasses(const std::vector<PassTraceEntry>& entries) {
  PassTimingSummary out;
  out.passes = entries.size();
  std::vector<double> intervals, takeups, drawn_work, drawn_update, drawn_rest, idle_work;
  bool any_ready_time = false;
  for (const PassTraceEntry& e : entries) any_ready_time = any_ready_time || e.frame_ready_ns != 0;
  out.takeup_measured = any_ready_time;

  for (size_t i = 0; i < entries.size(); ++i) {
    const PassTraceEntry& e = entries[i];
    if (i + 1 < entries.size()) intervals.push_back((entries[i + 1].start_ns - e.start_ns) / 1e3);
    // The last pass may have ended the run before polling.
    if (e.poll_ns == 0 || e.end_ns == 0) continue;
    const double work_us = (e.end_ns - e.start_ns) / 1e3;
    if (e.drawn == 0) {
      idle_work.push_back(work_us);
      continue;
    }
    ++out.drawn_passes;
    drawn_work.push_back(work_us);
    drawn_update.push_back((e.polled_ns - e.poll_ns) / 1e3);
    drawn_rest.push_back((e.end_ns - e.polled_ns) / 1e3);
    if (any_ready_time) {
      if (e.frame_ready_ns != 0)
        takeups.push_back(std::max<int64_t>(0, e.poll_ns - e.frame_ready_ns) / 1e3);
    } else if (i > 0 && entries[i - 1].poll_ns != 0) {
      takeups.push_back((e.poll_ns - entries[i - 1].poll_ns) / 1e3);
    }
  }
  auto fill = [](const std::vector<double>& v, double& median, double& p99) {
    median = Percentile(v, 50);
    p99 = Percentile(v, 99);
  };
  fill(intervals, out.interval_median_us, out.interval_p99_us);
  out.interval_max_us = Percentile(intervals, 100);
  fill(takeups, out.takeup_median_us, out.takeup_p99_us);
  out.takeup_max_us = Percentile(takeups, 100);
  fill(drawn_work, out.drawn_work_median_us, out.drawn_work_p99_us);
  fill(drawn_update, out.drawn_update_median_us, out.drawn_update_p99_us);
  fill(drawn_rest, out.drawn_rest_median_us, out.drawn_rest_p99_us);
  fill(idle_work, out.idle_work_median_us, out.idle_work_p99_us);
  return out;
}

bool ReadPassTraceCsv(const std::string& path, std::vector<PassTraceEntry>* entries) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char line[256];
  bool ok = std::fgets(line, sizeof line, f) != nullptr;  // header
  entries->clear();
  while (ok && std::fgets(line, sizeof line, f) != nullptr) {
    long long start = 0, poll = 0, polled = 0, ready = 0, end = 0, pumped = 0;
    int clock = 0, drawn = 0;
    // Traces written before the pump column have seven.
    const int read = std::sscanf(line, "%lld,%lld,%lld,%lld,%lld,%d,%d,%lld", &start, &poll,
                                 &polled, &ready, &end, &clock, &drawn, &pumped);
    if (read != 7 && read != 8) {
      ok = false;
      break;
    }
    entries->push_back(PassTraceEntry{start, poll, polled, ready, end, clock, drawn, pumped});
  }
  std::fclose(f);
  return ok;
}
