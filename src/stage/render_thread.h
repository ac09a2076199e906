#pragma once
// The thread that draws and presents the stage's frames, so that a slow
// rasteriser or a swap waiting for the display's refresh never holds up the
// thread that runs the trial loop.
//
// Submit hands a frame over and returns at once. When the thread is still busy
// with an earlier frame, the newer one replaces the pending one (latest wins);
// texture copies of the replaced frame that the newer one lacks move into it, so
// no change of a texture is lost. Invoke runs a task on the thread and waits for
// it: context set-up and tear-down go through it, between frames.

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "stage/frame_packet.h"

class RenderThread : public QThread {
 public:
  using RenderFunction = std::function<void(FramePacket&)>;

  explicit RenderThread(RenderFunction render);
  ~RenderThread() override;
  RenderThread(const RenderThread&) = delete;
  RenderThread& operator=(const RenderThread&) = delete;

  // Hands `frame` over without waiting; it comes back cleared, its buffers
  // ready for the next frame.
  void Submit(FramePacket& frame);
  // Runs `task` on the thread after the frame in hand and waits for it.
  // drop_pending: a frame not yet begun is thrown away first.
  void Invoke(const std::function<void()>& task, bool drop_pending);
  // Waits until the thread has drawn every frame handed over (not while held).
  void WaitIdle();
  // While held the thread takes no frame (tests of the hand-over); tasks still run.
  void SetHold(bool hold);
  // Ends the thread; a pending frame is dropped. Also done by the destructor.
  void Stop();

  uint64_t FramesRendered() const { return rendered_.load(); }
  uint64_t FramesReplaced() const { return replaced_.load(); }

 protected:
  void run() override;

 private:
  bool Idle() const { return task_ == nullptr && !busy_ && (!pending_full_ || hold_); }

  const RenderFunction render_;
  std::mutex mutex_;
  std::condition_variable wake_;  // to the thread: a frame, a task, stop
  std::condition_variable done_;  // from the thread: a frame or task finished
  FramePacket pending_;           // under mutex_
  FramePacket rendering_;         // the thread's own
  bool pending_full_ = false;
  bool busy_ = false;
  bool hold_ = false;
  bool stop_ = false;
  const std::function<void()>* task_ = nullptr;
  uint64_t tasks_done_ = 0;
  std::atomic<uint64_t> rendered_{0};
  std::atomic<uint64_t> replaced_{0};
};
