#include "body/backends/sim/balloon_probe.h"

#include <mutex>

#include "body/backends/sim/balloon_probe_access.h"

namespace {

std::mutex probe_mutex;
std::function<std::optional<BalloonProbe>()> installed_probe;

}  // namespace

void SetSimBalloonProbe(std::function<std::optional<BalloonProbe>()> probe) {
  std::lock_guard<std::mutex> guard(probe_mutex);
  installed_probe = std::move(probe);
}

std::optional<BalloonProbe> ReadSimBalloonProbe() {
  std::function<std::optional<BalloonProbe>()> probe;
  {
    std::lock_guard<std::mutex> guard(probe_mutex);
    probe = installed_probe;
  }
  if (!probe) return std::nullopt;
  return probe();
}
