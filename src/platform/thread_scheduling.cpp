#include "platform/thread_scheduling.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// The kernel's struct sched_attr (glibc before 2.41 has no wrapper for it).
struct SchedAttr {
  uint32_t size;
  uint32_t sched_policy;
  uint64_t sched_flags;
  int32_t sched_nice;
  uint32_t sched_priority;
  uint64_t sched_runtime;  // ns; for SCHED_OTHER the requested slice
  uint64_t sched_deadline;
  uint64_t sched_period;
};


bool ReadAttr(SchedAttr* attr, int tid = 0) {
  *attr = SchedAttr{};
  return syscall(SYS_sched_getattr, tid, attr, sizeof(SchedAttr), 0) == 0;
}

}  // namespace

bool RequestShortTimeSlice(uint64_t slice_ns) {
  if (std::getenv(kKeepDefaultSliceEnv) != nullptr) return false;
  SchedAttr current;
  if (!ReadAttr(&current) || current.sched_policy != SCHED_OTHER) return false;
  SchedAttr attr{};
  attr.size = sizeof(attr);
  attr.sched_policy = SCHED_OTHER;
  attr.sched_nice = current.sched_nice;
  attr.sched_runtime = slice_ns;
  if (syscall(SYS_sched_setattr, 0, &attr, 0) != 0) return false;
  // Kernels before the slice request accept the call and ignore the value.
  SchedAttr after;
  return ReadAttr(&after) && after.sched_runtime == slice_ns;
}

uint64_t CurrentTimeSlice() {
  SchedAttr attr;
  return ReadAttr(&attr) ? attr.sched_runtime : 0;
}

bool RunAsBatchThread(int tid) {
  SchedAttr current;
  if (!ReadAttr(&current, tid)) return false;
  if (current.sched_policy == SCHED_BATCH) return true;
  if (current.sched_policy != SCHED_OTHER) return false;
  SchedAttr attr{};
  attr.size = sizeof(attr);
  attr.sched_policy = SCHED_BATCH;
  attr.sched_nice = current.sched_nice;
  return syscall(SYS_sched_setattr, tid, &attr, 0) == 0;
}

bool RunAsBatchThread() {
  return RunAsBatchThread(0);
}

bool LowerThreadPriority(int nice) {
  const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, tid, nice) == 0;
}
