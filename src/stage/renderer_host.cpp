#include "stage/renderer_host.h"

#include <QOpenGLContext>
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
  frame.Clear();
}

// makeCurrent before every frame: it is where Qt asks the driver whether the
// context was reset. A failure is recovered by the next BeginFrame.
void RendererHost::RenderOnThread(FramePacket& frame) {
  if (!renderer_.CheckContext() || !renderer_.Render(frame)) lost_ = true;
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
