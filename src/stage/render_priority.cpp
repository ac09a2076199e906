#include "stage/render_priority.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void LowerNiceness(pid_t tid) {
  errno = 0;
  const int now = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno != 0 || now >= kRenderNiceness) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kRenderNiceness);
}

bool IsRasteriserWorker(const std::filesystem::path& task) {
  std::ifstream comm(task / "comm");
  std::string name;
  std::getline(comm, name);
  return name.rfind("llvmpipe-", 0) == 0;
}

}  // namespace

void LowerCallingThreadPriority() {
  LowerNiceness(static_cast<pid_t>(syscall(SYS_gettid)));
}

void IdleSoftwareRasteriserWorkers() {
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    if (!IsRasteriserWorker(task.path())) continue;
    pid_t tid = 0;
    try {
      tid = static_cast<pid_t>(std::stol(task.path().filename().string()));
    } catch (const std::exception&) {
      continue;  // not a thread id
    }
    const sched_param param{};
    sched_setscheduler(tid, SCHED_IDLE, &param);
  }
}
