#pragma once
// Where the stage's StageRenderer lives and how the window's thread reaches
// it. Threaded, the renderer belongs to a RenderThread: frames are handed over
// and drawn there (latest wins), and set-up, release and recovery run there as
// tasks between frames while the caller waits. Inline (no threaded OpenGL, or
// TAVELIN2_STAGE_SYNC=1), the caller's thread is the drawing thread and
// everything runs at once.
//
// The renderer is reachable only through Run and Submit, so whatever touches
// it does so on the drawing thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "stage/frame_packet.h"
#include "stage/stage_renderer.h"

class QWindow;
class RenderThread;

class RendererHost {
 public:
  using Task = std::function<void(StageRenderer&)>;

  // Threaded when the platform has threaded OpenGL and TAVELIN2_STAGE_SYNC is
  // not set.
  explicit RendererHost(QWindow& window);
  // Ends the render thread; release the context with Run first.
  ~RendererHost();
  RendererHost(const RendererHost&) = delete;
  RendererHost& operator=(const RendererHost&) = delete;

  bool Threaded() const { return thread_ != nullptr; }

  // Runs `task` with the renderer on the drawing thread and waits for it.
  // drop_pending: a frame handed over but not yet begun is thrown away first.
  void Run(const Task& task, bool drop_pending = true);
  // Hands a frame over; it comes back cleared, its buffers kept. Threaded it
  // is drawn later and the context is checked first; inline it is drawn now on
  // the context the frame began with.
  void Submit(FramePacket& frame);
  // Whether the drawing thread saw the context fail since the last call.
  bool TakeLost() { return lost_.exchange(false); }

  // Waits until every frame handed over is drawn (not while held).
  void WaitIdle();
  // While held the render thread takes no frame; tasks still run.
  void SetHold(bool hold);
  // Frames presented, and frames replaced by a newer one before they were drawn.
  uint64_t FramesPresented() const;
  uint64_t FramesReplaced() const;
  // The first presented frame numbered `number` or later among the last
  // kPresentLogSize presented ones, with the CLOCK_MONOTONIC time (ns) its
  // swap returned; false when there is none (yet).
  bool FirstPresentedFrom(uint64_t number, uint64_t* presented_number, int64_t* presented_ns) const;
  static constexpr size_t kPresentLogSize = 64;

  // Program end without an application: stops the render thread only, so that
  // what is left can be abandoned without touching Qt.
  void StopThread();

 private:
  void RenderOnThread(FramePacket& frame);
  void LogPresent(const FramePacket& frame);

  StageRenderer renderer_;  // the drawing thread's
  std::atomic<bool> lost_{false};
  uint64_t inline_presented_ = 0;
  // The newest presented frames (number, swap time), oldest overwritten first.
  mutable std::mutex present_mutex_;
  struct Presented {
    uint64_t number = 0;
    int64_t ns = 0;
  };
  Presented present_log_[kPresentLogSize];
  uint64_t presents_logged_ = 0;
  std::unique_ptr<RenderThread> thread_;  // last: stopped before the renderer goes
};
