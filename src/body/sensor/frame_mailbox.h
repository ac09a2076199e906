#pragma once
// Hand-over of frames from a backend's producer thread to the readers on the UI
// thread. Each stream has one mailbox holding only the newest frame and a count
// of frames published so far; a reader remembers the count of the last frame it
// took, so "the newest frame not yet taken" is a comparison of two numbers.
//
// The critical sections only swap a shared_ptr: the UI thread never waits for a
// producer that is filling a picture, and frames are never copied on hand-over.

#include <time.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

template <class Frame>
class FrameMailbox {
 public:
  // Producer side, any thread. Replaces the newest frame; a null frame is ignored.
  void Publish(std::shared_ptr<const Frame> frame) {
    if (!frame) return;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    {
      std::lock_guard<std::mutex> guard(mutex_);
      newest_.swap(frame);
      ++published_;
      published_at_ns_ = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    // The replaced frame (now in `frame`) is dropped here, outside the lock.
  }

  // Reader side. The newest frame when its number is above *last_taken (then
  // *last_taken becomes that number), else null. Frames published in between
  // and overwritten are skipped, as a reader of a live camera expects.
  std::shared_ptr<const Frame> TakeNewerThan(uint64_t* last_taken) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!newest_ || published_ <= *last_taken) return nullptr;
    *last_taken = published_;
    return newest_;
  }

  uint64_t published_count() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return published_;
  }

  // CLOCK_MONOTONIC time (ns) at which the newest frame was published; 0 before
  // the first. Lets a caller measure how soon it takes frames up.
  int64_t newest_published_at_ns() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return published_at_ns_;
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const Frame> newest_;
  uint64_t published_ = 0;
  int64_t published_at_ns_ = 0;
};

// Recycles frame objects so that a producer does not allocate a 4 MB picture 30
// times a second. Acquire() gives a frame nobody else holds; when the last
// shared_ptr to it is dropped (on whichever thread), it comes back here. The
// pool may be destroyed before its frames: they are then simply deleted.
template <class Frame>
class FramePool : public std::enable_shared_from_this<FramePool<Frame>> {
 public:
  static std::shared_ptr<FramePool> Create(size_t keep_at_most = 4) {
    return std::shared_ptr<FramePool>(new FramePool(keep_at_most));
  }

  // A recycled frame (contents as last written) or a new default one.
  std::shared_ptr<Frame> Acquire() {
    std::unique_ptr<Frame> frame;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (!free_.empty()) {
        frame = std::move(free_.back());
        free_.pop_back();
      }
    }
    if (!frame) frame = std::make_unique<Frame>();
    std::weak_ptr<FramePool> pool = this->shared_from_this();
    return std::shared_ptr<Frame>(frame.release(), [pool](Frame* f) {
      std::unique_ptr<Frame> owned(f);
      if (auto p = pool.lock()) p->Return(std::move(owned));
    });
  }

 private:
  explicit FramePool(size_t keep_at_most) : keep_at_most_(keep_at_most) {}

  void Return(std::unique_ptr<Frame> frame) {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (free_.size() < keep_at_most_) {
        free_.push_back(std::move(frame));
        return;
      }
    }
    frame.reset();  // a surplus frame is freed outside the lock
  }

  std::mutex mutex_;
  std::vector<std::unique_ptr<Frame>> free_;
  size_t keep_at_most_;
};
