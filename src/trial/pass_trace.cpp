#include "trial/pass_trace.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

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
  e.drawn = new_frame ? 1 : 0;
  if (new_frame && frame_ready_source) e.frame_ready_ns = frame_ready_source();
}

void PassTrace::EndPass() {
  Current().end_ns = MonotonicNanoseconds();
}

std::vector<PassTraceEntry> PassTrace::Entries() const {
  std::vector<PassTraceEntry> out;
  const size_t kept = pass_count_ < ring_.size() ? pass_count_ : ring_.size();
  out.reserve(kept);
  for (size_t i = pass_count_ - kept; i < pass_count_; ++i) out.push_back(ring_[i % ring_.size()]);
  return out;
}

bool PassTrace::WriteCsv(const std::string& path) const {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fprintf(f, "start_ns,poll_ns,frame_ready_ns,end_ns,pass_clock_ms,drawn\n");
  for (const PassTraceEntry& e : Entries()) {
    std::fprintf(f, "%lld,%lld,%lld,%lld,%d,%d\n", static_cast<long long>(e.start_ns),
                 static_cast<long long>(e.poll_ns), static_cast<long long>(e.frame_ready_ns),
                 static_cast<long long>(e.end_ns), e.pass_clock_ms, e.drawn);
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
