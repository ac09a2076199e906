#include "stage/render_priority.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

#include "platform/thread_scheduling.h"

namespace {

bool IsRasteriserWorker(const std::filesystem::path& task) {
  std::ifstream comm(task / "comm");
  std::string name;
  std::getline(comm, name);
  return name.rfind("llvmpipe-", 0) == 0;
}

}  // namespace

int32_t RasteriserThreadsFor(int32_t cores) {
  return cores >= 2 ? cores / 2 : 1;
}

void ChooseSoftwareRasteriserThreads() {
  static std::once_flag once;
  std::call_once(once, [] {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const std::string threads =
        std::to_string(RasteriserThreadsFor(cores > 0 ? static_cast<int32_t>(cores) : 1));
    setenv("LP_NUM_THREADS", threads.c_str(), 0);  // a value the user set stays
  });
}

void BoundSoftwareRasteriserWorkers() {
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    if (!IsRasteriserWorker(task.path())) continue;
    pid_t tid = 0;
    try {
      tid = static_cast<pid_t>(std::stol(task.path().filename().string()));
    } catch (const std::exception&) {
      continue;  // not a thread id
    }
    // Back from the idle class an earlier version of this program may have
    // used, then a modest niceness, as a batch thread (see thread_scheduling.h).
    const sched_param param{};
    sched_setscheduler(tid, SCHED_OTHER, &param);
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kRasteriserNiceness);
    RunAsBatchThread(tid);
  }
}
