#include "trial/active_target.h"

#include <atomic>
#include <thread>

namespace {

// A sequence lock over atomic fields: the writer makes the sequence odd, stores
// the fields, and makes it even again; a reader accepts a copy only when it saw
// the same even sequence before and after reading the fields.
struct SeqLockedTarget {
  std::atomic<uint32_t> sequence{0};
  std::atomic<int32_t> shown{0};
  std::atomic<int32_t> target_x{0};
  std::atomic<int32_t> target_y{0};
  std::atomic<int32_t> tgthand{0};
  std::atomic<int32_t> janken{0};
  std::atomic<int32_t> mirror{1};
  std::atomic<bool> running{false};
};

SeqLockedTarget published;

}  // namespace

void PublishActiveTarget(const ActiveTargetSnapshot& s) {
  const uint32_t seq = published.sequence.load(std::memory_order_relaxed);
  published.sequence.store(seq + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  published.shown.store(s.shown, std::memory_order_relaxed);
  published.target_x.store(s.target_x, std::memory_order_relaxed);
  published.target_y.store(s.target_y, std::memory_order_relaxed);
  published.tgthand.store(s.tgthand, std::memory_order_relaxed);
  published.janken.store(s.janken, std::memory_order_relaxed);
  published.mirror.store(s.mirror, std::memory_order_relaxed);
  published.running.store(s.running, std::memory_order_relaxed);
  published.sequence.store(seq + 2, std::memory_order_release);
}

ActiveTargetSnapshot ReadActiveTarget() {
  ActiveTargetSnapshot s;
  for (;;) {
    const uint32_t before = published.sequence.load(std::memory_order_acquire);
    if (before & 1u) {  // a publication is in progress
      std::this_thread::yield();
      continue;
    }
    s.shown = published.shown.load(std::memory_order_relaxed);
    s.target_x = published.target_x.load(std::memory_order_relaxed);
    s.target_y = published.target_y.load(std::memory_order_relaxed);
    s.tgthand = published.tgthand.load(std::memory_order_relaxed);
    s.janken = published.janken.load(std::memory_order_relaxed);
    s.mirror = published.mirror.load(std::memory_order_relaxed);
    s.running = published.running.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (published.sequence.load(std::memory_order_relaxed) == before) return s;
  }
}
