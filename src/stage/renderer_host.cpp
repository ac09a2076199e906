#include "stage/renderer_host.h"

#include <time.h>
#include <QOpenGLContext>

#include <algorithm>
#include <cstdlib>

#include "stage/render_thread.h"

namespace {

bool SyncRequested() {
  const char* value = std::getenv("TAVELIN2_STAGE_SYNC");
  return value != nullptr && value[0] != '\0' && value[0] != '0';
}

}  // namespace

RendererHost::RendererHost(QWindow& window) : renderer_(window) {
  if (SyncRequested() || !QOpenGLContext::supportsThreadedOpenGL()) return;
  thread_ = std::make_unique<RenderThread>([this](FramePacket& frame) { RenderOnThread(frame); });
  thread_->start();
}

RendererHost::~RendererHost() = default;

void RendererHost::Run(const Task& task, bool drop_pending) {
  if (!thread_) {
    task(renderer_);
    return;
  }
  thread_->Invoke([&] { task(renderer_); }, drop_pending);
}

void RendererHost::Submit(FramePacket& frame) {
  if (thread_) {
    thread_->Submit(frame);
    return;
  }
  if (!renderer_.Render(frame)) lost_ = true;
  if (frame.present) ++inline_presented_;
  LogPresent(frame);
  frame.Clear();
}

// makeCurrent before every frame: it is where Qt asks the driver whether the
// context was reset. A failure is recovered by the next BeginFrame.
void RendererHost::RenderOnThread(FramePacket& frame) {
  if (!renderer_.CheckContext() || !renderer_.Render(frame)) lost_ = true;
  LogPresent(frame);
}

// The swap has returned: with a blocking swap that is when the frame went to
// the screen, otherwise when the driver took it.
void RendererHost::LogPresent(const FramePacket& frame) {
  if (!frame.present || !frame.exposed || frame.number == 0) return;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const int64_t ns = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  std::lock_guard lock(present_mutex_);
  present_log_[presents_logged_ % kPresentLogSize] = {frame.number, ns};
  ++presents_logged_;
}

bool RendererHost::FirstPresentedFrom(uint64_t number, uint64_t* presented_number,
                                      int64_t* presented_ns) const {
  std::lock_guard lock(present_mutex_);
  const uint64_t kept = std::min<uint64_t>(presents_logged_, kPresentLogSize);
  for (uint64_t i = presents_logged_ - kept; i < presents_logged_; ++i) {
    const Presented& p = present_log_[i % kPresentLogSize];
    if (p.number >= number) {
      *presented_number = p.number;
      *presented_ns = p.ns;
      return true;
    }
  }
  return false;
}

void RendererHost::WaitIdle() {
  if (thread_) thread_->WaitIdle();
}

void RendererHost::SetHold(bool hold) {
  if (thread_) thread_->SetHold(hold);
}

uint64_t RendererHost::FramesPresented() const {
  return thread_ ? thread_->FramesRendered() : inline_presented_;
}

uint64_t RendererHost::FramesReplaced() const {
  return thread_ ? thread_->FramesReplaced() : 0;
}

void RendererHost::StopThread() {
  if (thread_) thread_->Stop();
}
