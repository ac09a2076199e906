#include "body/backends/sim/screen_probe.h"

#include <mutex>

namespace {

std::mutex probe_mutex;
std::function<ScreenLook(int64_t)> installed_probe;

}  // namespace

void SetSimScreenProbe(std::function<ScreenLook(int64_t at_ns)> probe) {
  std::lock_guard<std::mutex> guard(probe_mutex);
  installed_probe = std::move(probe);
}

ScreenLook ReadSimScreenProbe(int64_t at_ns) {
  std::function<ScreenLook(int64_t)> probe;
  {
    std::lock_guard<std::mutex> guard(probe_mutex);
    probe = installed_probe;
  }
  return probe ? probe(at_ns) : ScreenLook{};
}
