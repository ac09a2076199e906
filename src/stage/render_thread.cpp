#include "stage/render_thread.h"

#include <utility>

#include "platform/thread_scheduling.h"

namespace {

// The frame `into` replaces `from`: texture copies only `from` holds move over.
void KeepUploads(FramePacket& from, FramePacket& into) {
  if (into.uploads.size() < from.uploads.size()) into.uploads.resize(from.uploads.size());
  for (size_t i = 0; i < from.uploads.size(); ++i) {
    if (from.uploads[i].present && !into.uploads[i].present) {
      std::swap(from.uploads[i], into.uploads[i]);
    }
  }
}

}  // namespace

RenderThread::RenderThread(RenderFunction render) : render_(std::move(render)) {
  setObjectName("StageRender");
}

RenderThread::~RenderThread() {
  Stop();
}

void RenderThread::Submit(FramePacket& frame) {
  {
    std::lock_guard lock(mutex_);
    if (pending_full_) {
      KeepUploads(pending_, frame);
      replaced_.fetch_add(1);
    }
    std::swap(frame, pending_);
    pending_full_ = true;
  }
  wake_.notify_one();
  frame.Clear();
}

void RenderThread::Invoke(const std::function<void()>& task, bool drop_pending) {
  if (!isRunning()) {
    task();
    return;
  }
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return task_ == nullptr; });
  if (drop_pending && pending_full_) {
    pending_.Clear();
    pending_full_ = false;
  }
  task_ = &task;
  const uint64_t ticket = tasks_done_ + 1;
  wake_.notify_one();
  done_.wait(lock, [&] { return tasks_done_ >= ticket; });
}

void RenderThread::WaitIdle() {
  std::unique_lock lock(mutex_);
  if (!isRunning()) return;
  done_.wait(lock, [&] { return Idle() || stop_; });
}

void RenderThread::SetHold(bool hold) {
  {
    std::lock_guard lock(mutex_);
    hold_ = hold;
  }
  wake_.notify_one();
}

void RenderThread::Stop() {
  if (!isRunning()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  wait();
  std::lock_guard lock(mutex_);
  pending_.Clear();
  pending_full_ = false;
  stop_ = false;
  hold_ = false;
}

void RenderThread::run() {
  // Woken by every frame the trial loop hands over: it must not take the
  // loop's core then (a frame's drawing may wait a millisecond).
  RunAsBatchThread();
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || task_ != nullptr || (pending_full_ && !hold_); });
    if (task_ != nullptr) {
      const std::function<void()>& task = *task_;
      busy_ = true;
      lock.unlock();
      task();
      lock.lock();
      task_ = nullptr;
      ++tasks_done_;
      busy_ = false;
      done_.notify_all();
      continue;
    }
    if (stop_) break;
    std::swap(pending_, rendering_);
    pending_full_ = false;
    busy_ = true;
    lock.unlock();
    render_(rendering_);
    rendering_.Clear();
    rendered_.fetch_add(1);
    lock.lock();
    busy_ = false;
    done_.notify_all();
  }
  done_.notify_all();
}
