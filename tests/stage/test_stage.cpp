#include "test_stage.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <utility>
#include <vector>

#include "stage/renderer_host.h"
#include "stage/text_rasterizer.h"

bool TestStage::IsThreaded() const {
  return gpu_ != nullptr && gpu_->Threaded();
}

uint64_t TestStage::FramesPresented() const {
  return gpu_ ? gpu_->FramesPresented() : 0;
}

uint64_t TestStage::FramesReplaced() const {
  return gpu_ ? gpu_->FramesReplaced() : 0;
}

// The frame so far, drawn and read back but not presented; its draws stay for
// EndFrame.
QImage TestStage::GrabFrame() {
  if (!frame_open_ || m_windowWidth <= 0 || m_windowHeight <= 0) return QImage();
  FillFrameHeader(frame_);
  gpu_->WaitIdle();
  const std::vector<SpriteDraw> draws = frame_.draws;
  frame_.present = false;
  frame_.read_back = true;
  gpu_->Run([](StageRenderer& r) { r.TakeCopy(); }, false);
  gpu_->Submit(frame_);
  gpu_->WaitIdle();
  frame_.draws = draws;
  QImage image;
  gpu_->Run([&](StageRenderer& r) { image = r.TakeCopy(); }, false);
  return image;
}

void TestStage::SimulateContextLoss() {
  if (!gpu_) return;
  gpu_->Run([](StageRenderer& r) { r.ForgetContext(); });
  has_context_ = false;
}

void TestStage::HoldRenderThread(bool hold) {
  if (gpu_) gpu_->SetHold(hold);
}

QImage TestStage::LastPresentedFrame() {
  if (!gpu_) return QImage();
  gpu_->WaitIdle();
  QImage image;
  gpu_->Run([&](StageRenderer& r) { image = r.LastCopy(); }, false);
  return image;
}

void TestStage::DrawWholeSprites(bool whole) {
  if (gpu_) gpu_->Run([whole](StageRenderer& r) { r.SetDrawWhole(whole); }, false);
}

std::string TestStage::TextFontFamily() {
  if (QGuiApplication::instance() == nullptr) return {};
  const QFont& font = Text().FontFor(TextStyle{m_fontFace, m_fontHeight, m_textColor, m_backColor});
  return QFontInfo(font).family().toStdString();
}
